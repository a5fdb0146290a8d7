#include "app/MovieRecording.h"

#include "app/CaptureNames.h"
#include "app/ScreenImage.h"
#include "codec/ScreenDib.h"
#include "media/AviRecorder.h"
#include "media/MovieEncoder.h"
#include "media/MovieFormat.h"
#include "platform/OutputFile.h"

#include <QPainter>

#include <cstdio>

namespace {

// Removes the movie's file: the target of the name, as it was written.
bool RemoveFile(const std::string& strPath) {
    std::string target, error;
    return lumetto::ResolveOutputTarget(strPath, target, error) && std::remove(target.c_str()) == 0;
}

} // namespace

CMovieRecording::CMovieRecording() = default;

CMovieRecording::~CMovieRecording() {
    Close(false);
}

bool CMovieRecording::Open(const std::string& strPath, const CScreenDib& screen, int nScale,
                           const Skin& skin) {
    m_strPath = strPath;
    m_nWidth = screen.Width();
    m_nHeight = screen.Height();
    const lumetto::MovieFormat format = lumetto::MovieFormatOf(strPath);
    if (format == lumetto::MovieFormat::Unknown) {
        m_strOpenError = lumetto::UnknownMovieFormatText(strPath);
        return false;
    }
    m_pFormatName = lumetto::MovieFormatName(format);
    if (format == lumetto::MovieFormat::Avi) {
        m_pAvi = std::make_unique<lumetto::CAviRecorder>();
        return m_pAvi->Open(strPath, m_nWidth, m_nHeight);
    }
    m_pMp4 = lumetto::CreateMovieEncoder(m_strOpenError);
    if (!m_pMp4)
        return false;
    m_screen = ScreenImage(screen);
    if (!skin.image.isNull() && skin.rcScreen.Width() > 0 && skin.rcScreen.Height() > 0) {
        m_skin = skin;
        m_composite = skin.image.convertToFormat(QImage::Format_RGB32);
    }
    const QImage& picture = Picture();
    if (!m_pMp4->Open(strPath, picture.width(), picture.height(), nScale))
        return false;
    m_bHasPicture = m_pMp4->AddFrame(picture.constBits(), picture.width(), picture.height(),
                                     static_cast<std::size_t>(picture.bytesPerLine()));
    if (m_bHasPicture)
        return true;
    // Not even the first picture: leave no file behind.
    m_strOpenError = m_pMp4->GetLastError();
    m_pMp4->Close();
    m_pMp4.reset();
    RemoveFile(strPath);
    return false;
}

const QImage& CMovieRecording::Picture() {
    if (m_composite.isNull())
        return m_screen;
    // The screen stretched into its rectangle by whole pixels, as the window draws it.
    QPainter painter(&m_composite);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    const SRect& rc = m_skin.rcScreen;
    painter.drawImage(QRect(rc.left, rc.top, rc.Width(), rc.Height()), m_screen);
    return m_composite;
}

bool CMovieRecording::WriteTimerFrame(const CScreenDib& screen) {
    return m_pAvi && m_pAvi->WriteFrame(screen.Bits(), screen.ImageSize());
}

bool CMovieRecording::AddPicture(const CScreenDib& screen, int nFirst, int nEnd) {
    if (!m_pMp4)
        return false;
    if (screen.Width() != m_screen.width() || screen.Height() != m_screen.height()) {
        // Another screen size: the whole new picture, placed in the movie.
        m_screen = ScreenImage(screen);
        nFirst = 0;
        nEnd = screen.Height();
    }
    // A payload that changed nothing leaves the movie's picture as it is: the
    // recorder already shows it (and repeats it once a second), so the encoder
    // keeps its time for the pictures that do change.
    if (nEnd <= nFirst && m_bHasPicture)
        return !m_pMp4->HasFailed();
    CopyScreenRows(screen, m_screen, nFirst, nEnd);
    const QImage& picture = Picture();
    return m_pMp4->AddFrame(picture.constBits(), picture.width(), picture.height(),
                            static_cast<std::size_t>(picture.bytesPerLine()));
}

const char* CMovieRecording::FormatName() const {
    return m_pFormatName;
}

long long CMovieRecording::FrameCount() const {
    if (m_pAvi)
        return m_pAvi->GetFrameCount();
    return m_pMp4 ? m_pMp4->Stats().nFrames : 0;
}

std::string CMovieRecording::GetLastError() const {
    if (!m_strOpenError.empty())
        return m_strOpenError;
    if (m_pAvi)
        return m_pAvi->GetLastError();
    return m_pMp4 ? m_pMp4->GetLastError() : std::string();
}

MovieSummary CMovieRecording::Close(bool bRemoveEmpty) {
    MovieSummary s;
    s.strPath = m_strPath;
    s.bEncoded = m_pMp4 != nullptr;
    s.strFormat = m_pFormatName;
    bool wasOpen = false;
    if (m_pAvi) {
        wasOpen = m_pAvi->IsOpen();
        if (wasOpen && !m_pAvi->Close())
            s.strError = m_pAvi->GetLastError();
        s.nFrames = m_pAvi->GetFrameCount();
        s.dSeconds = s.nFrames * 0.2; // 5 frames a second
    } else if (m_pMp4) {
        wasOpen = m_pMp4->IsOpen();
        if (wasOpen && !m_pMp4->Close())
            s.strError = m_pMp4->GetLastError();
        const lumetto::MovieStats stats = m_pMp4->Stats();
        s.nFrames = stats.nFrames;
        s.nDropped = stats.nDropped;
        s.dSeconds = stats.dSeconds;
    }
    if (wasOpen && bRemoveEmpty && s.nFrames == 0)
        s.bRemoved = RemoveFile(m_strPath);
    m_pAvi.reset();
    m_pMp4.reset();
    return s;
}
