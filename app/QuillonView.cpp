#include "app/QuillonView.h"

#include "app/MovieRecording.h"
#include "app/ViewOwner.h"
#include "display/ScreenWnd.h"
#include "display/SkinMenu.h"
#include "display/SkinWnd.h"
#include "platform/MessagePresenter.h"
#include "res/BitmapResources.h"
#include "res/ResourceIds.h"
#include "res/Strings.h"

#include <QFontMetrics>
#include <QPainter>
#include <QScreen>
#include <QTimerEvent>

#include <algorithm>

CQuillonView::CQuillonView(IViewOwner* pOwner, QWidget* pParent)
    : QWidget(pParent), m_pOwner(pOwner), m_pSkinWnd(new CSkinWnd(this, this)),
      m_pScreenWnd(new CScreenWnd(this, this)), m_skinDisplay(m_pSkinWnd, m_pScreenWnd),
      m_catalog(SkinBitmapLoads), m_decoder(this) {
    m_catalog.SetWindows(&m_skinDisplay);

    // The screen window lies above the skin window: it shows the phone's
    // screen inside the skin picture.
    SRect rc;
    m_catalog.GetScreenRect(rc);
    m_pScreenWnd->SetScreenRect(rc.left, rc.top, rc.right, rc.bottom);
    m_pScreenWnd->LoadResourceBitmap(IDB_S60_IDLE);
    m_pSkinWnd->move(0, 0);
    m_pSkinWnd->resize(0, 0);
    m_pSkinWnd->LoadResourceBitmap(IDB_S60_FRAME);
    m_pScreenWnd->SetSkinWindow(m_pSkinWnd);
    m_pSkinWnd->lower();
    m_pScreenWnd->raise();
}

CQuillonView::~CQuillonView() {
    onMovieEnded = nullptr;
    EndMovie(false);
}

void CQuillonView::OnInitialUpdate() {
    m_pOwner->SetDocumentTitle(LoadStringResource(IDS_NO_CONNECTION));
    if (m_bFirstSize) {
        m_bFirstSize = false;
        int cx = 0, cy = 0;
        m_pSkinWnd->GetBitmapSize(cx, cy);
        ResizeToContent(cx, cy);
    }
}

void CQuillonView::OnPortFrame(const std::uint8_t* pPayload, std::uint32_t nLength) {
    m_decoder.DecodeScreen(pPayload, nLength);
    if (!m_decoder.HasPicture())
        return; // nothing to show: no header yet, or a payload that did not fit the kept picture
    const bool wasLive = HasLivePicture();
    // An AVI has one picture size: a new size ends it (when it is old
    // enough) before the window takes the new picture.
    const bool sizeChanged = EndsAvi(m_decoder.PictureWidth(), m_decoder.PictureHeight());
    MovieSummary ended;
    if (sizeChanged)
        ended = EndMovie(true);
    // Only the rows the payload changed travel; the window holds the rest.
    const int first = m_decoder.ChangedRowFirst(), rows = m_decoder.ChangedRowCount();
    m_pScreenWnd->SetScreenData(m_decoder.ScreenBits(), first, rows);
    m_pScreenWnd->RepaintChanged(); // those rows only, where the picture is not new
    // An encoded movie takes every picture as it is shown.
    if (m_pMovie && m_pMovie->IsEncoded())
        if (const CScreenDib* pDib = m_pScreenWnd->GetScreenBitmap();
            pDib && !m_pMovie->AddPicture(*pDib, first, first + rows))
            EndMovieAndTell(MovieEnd::Failed);
    if (onFrameShown)
        onFrameShown();
    if (sizeChanged && onMovieEnded)
        onMovieEnded(ended, MovieEnd::SizeChanged);
    if (!wasLive && onLivePicture)
        onLivePicture();
}

void CQuillonView::ResetScreen(bool bShowStored) {
    EndMovieAndTell(MovieEnd::Paused);
    m_pScreenWnd->SetBitmapMode(bShowStored);
    m_pScreenWnd->repaint();
    // The picture is kept: a phone that goes on without a header after its
    // pause is shown again where it stopped (the screen window holds the
    // same picture, so the rows a payload changes are all it needs).
    m_decoder.KeepForResume();
}

bool CQuillonView::ShowsReceivedScreens() const {
    return HasLivePicture();
}

bool CQuillonView::HasLivePicture() const {
    return m_pScreenWnd->GetScreenBitmap() != nullptr;
}

void CQuillonView::OnConnectionLost() {
    if (onConnectionLost)
        onConnectionLost();
}

void CQuillonView::OnCloseNotice() {
    if (onCloseNotice)
        onCloseNotice();
}

void CQuillonView::GetScreenFormat(int& nWidth, int& nHeight, int& nFormat) const {
    m_decoder.GetScreenFormat(nWidth, nHeight, nFormat);
    if (m_decoder.HasPicture()) {
        // The picture held is what the windows copy and draw.
        nWidth = m_decoder.PictureWidth();
        nHeight = m_decoder.PictureHeight();
    }
}

void CQuillonView::ResizeToContent(int cx, int cy) {
    resize(cx, cy);
    m_pOwner->ResizeToContent(cx, cy);
}

int CQuillonView::CurrentPlatform() const {
    return m_catalog.CurrentPlatform();
}

void CQuillonView::SwitchPlatform(int nPlatform) {
    m_pOwner->RebuildSkinMenu(nPlatform);
    LoadWaitingPicture(nPlatform);
    m_pScreenWnd->SetBitmapMode(true);
}

void CQuillonView::SetWaitingText(const std::string& strText) {
    if (strText == m_strWaiting)
        return;
    m_strWaiting = strText;
    LoadWaitingPicture(m_pScreenWnd->BitmapId() == IDB_UIQ_IDLE ? lumetto::kPlatformUIQ
                                                                : lumetto::kPlatformS60);
    if (m_pScreenWnd->IsBitmapMode())
        m_pScreenWnd->update();
}

// The platform's idle picture with the waiting text written into the band
// its generator leaves free under the heading (res/gen/Pictures.cpp).
void CQuillonView::LoadWaitingPicture(int nPlatform) {
    const bool bShown = m_pScreenWnd->IsBitmapMode();
    const int id = nPlatform == lumetto::kPlatformUIQ ? IDB_UIQ_IDLE : IDB_S60_IDLE;
    m_pScreenWnd->LoadResourceBitmap(id);
    m_pScreenWnd->SetBitmapMode(bShown);
    if (m_strWaiting.empty())
        return;
    QImage img = LoadBitmapResource(id).convertToFormat(QImage::Format_RGB32);
    const int w = img.width(), h = img.height();
    const int top = (h > 250 ? h / 2 - 40 : 56) + 78, margin = 6, bottom = h - 16;
    if (w <= 2 * margin || bottom <= top)
        return;
    QPainter dc(&img);
    QFont font = dc.font();
    font.setPixelSize(10);
    dc.setFont(font);
    dc.setPen(QColor(70, 84, 116));
    const QFontMetrics metrics(font);
    // Each line wraps at spaces; a long port path is shortened in its middle.
    QString text;
    for (const QString& line : QString::fromStdString(m_strWaiting).split(QLatin1Char('\n'))) {
        QStringList words = line.split(QLatin1Char(' '));
        for (QString& word : words)
            word = metrics.elidedText(word, Qt::ElideMiddle, w - 2 * margin);
        text += (text.isEmpty() ? QString() : QStringLiteral("\n")) + words.join(QLatin1Char(' '));
    }
    dc.drawText(QRect(margin, top, w - 2 * margin, bottom - top),
                Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap, text);
    dc.end();
    m_pScreenWnd->SetBitmapImage(std::move(img));
}

void CQuillonView::OnZoom() {
    SetZoom(m_nZoom == 2 ? 1 : 2);
}

void CQuillonView::SetZoom(int nZoom) {
    nZoom = std::clamp(nZoom, 1, CPictureWnd::kMaxZoom);
    if (nZoom == m_nZoom)
        return;
    m_nZoom = nZoom;
    m_pScreenWnd->SetZoom(m_nZoom);
}

int CQuillonView::LargestFittingZoom() const {
    const QSize skin = m_pSkinWnd->GetBitmapSize();
    int zoom = 1;
    while (zoom < CPictureWnd::kMaxZoom &&
           m_pOwner->FitsWhole((zoom + 1) * skin.width(), (zoom + 1) * skin.height()))
        ++zoom;
    return zoom;
}

void CQuillonView::OnSelectSkin(int nCommandId) {
    m_catalog.OnSelectSkin(nCommandId);
}

bool CQuillonView::StartRecording(const std::string& strPath) {
    StopRecording();
    CMovieRecording::Skin skin;
    if (m_bMoviesWithSkin) {
        skin.image = m_pSkinWnd->Bitmap();
        skin.rcScreen = m_pScreenWnd->ScreenRect();
    }
    auto pMovie = std::make_unique<CMovieRecording>();
    const CScreenDib* pDib = m_pScreenWnd->GetScreenBitmap();
    if (!pDib || !pMovie->Open(strPath, *pDib, m_nRecordScale, skin)) {
        const std::string why = pMovie->GetLastError();
        pMovie.reset();
        std::string text = LoadStringResource(IDS_VIDEO_NOT_STARTED);
        if (!why.empty())
            text += "\n\n" + why;
        ShowMessageBox(text, LoadStringResource(IDS_APP_TITLE), MessageIcon::Information);
        return false;
    }
    m_pMovie = std::move(pMovie);
    if (!m_pMovie->IsEncoded())
        m_timer.start(m_nFramePeriodMs, Qt::PreciseTimer, this);
    m_bRecording = true;
    m_recordingTime.start();
    m_markTimer.start(1000, this);
    m_pScreenWnd->update();
    return true;
}

void CQuillonView::StopRecording() {
    if (!m_pMovie)
        return;
    const MovieSummary s = EndMovie(false);
    if (onMovieEnded)
        onMovieEnded(s, MovieEnd::Stopped);
}

MovieSummary CQuillonView::EndMovie(bool bRemoveEmpty) {
    m_timer.stop();
    m_markTimer.stop();
    MovieSummary s;
    if (m_pMovie) {
        s = m_pMovie->Close(bRemoveEmpty);
        m_pMovie.reset();
    }
    if (m_bRecording) {
        m_bRecording = false;
        m_pScreenWnd->update();
    }
    return s;
}

void CQuillonView::EndMovieAndTell(MovieEnd eWhy) {
    if (!m_pMovie)
        return;
    const std::string why = eWhy == MovieEnd::Failed ? m_pMovie->GetLastError() : std::string();
    MovieSummary s = EndMovie(eWhy != MovieEnd::Stopped);
    if (s.strError.empty())
        s.strError = why;
    if (onMovieEnded)
        onMovieEnded(s, eWhy);
}

std::string CQuillonView::RecordingMark() const {
    if (!m_bRecording || (!m_bIndicatorInPresentation && m_pOwner->IsPresenting()))
        return {};
    const long long s = m_recordingTime.elapsed() / 1000;
    const std::string ss = std::to_string(s % 60);
    return "REC! " + std::to_string(s / 60) + ":" + (ss.size() < 2 ? "0" : "") + ss;
}

void CQuillonView::SetRecordingIndicator(bool bOn) {
    m_bIndicatorInPresentation = bOn;
    m_pScreenWnd->update();
}

const lumetto::CAviRecorder* CQuillonView::Recorder() const {
    return m_pMovie ? m_pMovie->Avi() : nullptr;
}

long long CQuillonView::RecordedFrames() const {
    return m_pMovie ? m_pMovie->FrameCount() : 0;
}

bool CQuillonView::EndsAvi(int nWidth, int nHeight) const {
    return m_pMovie && !m_pMovie->IsEncoded() &&
           (nWidth != m_pMovie->ScreenWidth() || nHeight != m_pMovie->ScreenHeight()) &&
           m_recordingTime.elapsed() >= m_nAviSizeHoldMs;
}

void CQuillonView::OnTimer() {
    const CScreenDib* pDib = m_pScreenWnd->GetScreenBitmap();
    if (!m_pMovie || m_pMovie->IsEncoded() || !pDib)
        return;
    if (pDib->Width() != m_pMovie->ScreenWidth() || pDib->Height() != m_pMovie->ScreenHeight()) {
        // A screen of another size that stayed: the next file takes it.
        if (EndsAvi(pDib->Width(), pDib->Height())) {
            const MovieSummary ended = EndMovie(true);
            if (onMovieEnded)
                onMovieEnded(ended, MovieEnd::SizeChanged);
        }
        return;
    }
    if (!m_pMovie->WriteTimerFrame(*pDib))
        EndMovieAndTell(MovieEnd::Failed);
}

void CQuillonView::timerEvent(QTimerEvent* pEvent) {
    if (pEvent->timerId() == m_timer.timerId())
        OnTimer();
    else if (pEvent->timerId() == m_markTimer.timerId())
        m_pScreenWnd->RepaintMark();
    else
        QWidget::timerEvent(pEvent);
}
