#include "app/RecordingController.h"

#include "app/CaptureNames.h"
#include "media/AviRecorder.h"
#include "platform/MessagePresenter.h"
#include "res/ResourceIds.h"
#include "res/Strings.h"

#include <QTimerEvent>

#include <filesystem>
#include <system_error>
#include <utility>

CRecordingController::CRecordingController(CScreenModel& screen,
                                           std::function<CMovieRecording::Skin()> skinOf)
    : m_screen(screen), m_skinOf(std::move(skinOf)) {
    m_screen.AddSink(this);
}

CRecordingController::~CRecordingController() {
    m_screen.RemoveSink(this);
    onMovieEnded = nullptr;
    onMarkChanged = nullptr;
    EndMovie(false);
}

bool CRecordingController::Start(const std::string& strPath) {
    Stop();
    CMovieRecording::Skin skin;
    if (m_bMoviesWithSkin && m_skinOf)
        skin = m_skinOf();
    auto pMovie = std::make_unique<CMovieRecording>();
    const CScreenDib* pDib = m_screen.IsLive() ? m_screen.Picture() : nullptr;
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
        m_aviTimer.start(m_nFramePeriodMs, Qt::PreciseTimer, this);
    m_recordingTime.start();
    m_markTimer.start(1000, this);
    if (onMarkChanged)
        onMarkChanged();
    return true;
}

void CRecordingController::Stop() {
    m_bRunPending = false;
    if (!m_pMovie)
        return;
    Tell(EndMovie(false), MovieEnd::Stopped);
}

void CRecordingController::OnPause() {
    EndMovieAndTell(MovieEnd::Paused);
}

long long CRecordingController::RecordedFrames() const {
    return m_pMovie ? m_pMovie->FrameCount() : 0;
}

const lumetto::CAviRecorder* CRecordingController::Recorder() const {
    return m_pMovie ? m_pMovie->Avi() : nullptr;
}

std::string CRecordingController::Mark() const {
    if (!m_pMovie)
        return {};
    const long long s = m_recordingTime.elapsed() / 1000;
    const std::string ss = std::to_string(s % 60);
    return "REC! " + std::to_string(s / 60) + ":" + (ss.size() < 2 ? "0" : "") + ss;
}

bool CRecordingController::StartMenuRun(const std::string& strPath) {
    Stop();
    m_strRunPath = strPath;
    m_nRunNumber = 1;
    m_bRunFromMenu = true;
    m_bRunMovie = Start(strPath);
    return m_bRunMovie;
}

void CRecordingController::StartOptionRun(const std::string& strPath) {
    m_strRunPath = strPath;
    m_nRunNumber = 1;
    m_bRunFromMenu = false;
    m_bRunPending = !strPath.empty();
}

bool CRecordingController::StartPendingMovie(std::string& strPath) {
    strPath.clear();
    if (!m_bRunPending || !m_screen.IsLive())
        return false;
    m_bRunPending = false;
    strPath = FreeNumberedPath(m_strRunPath, m_nRunNumber, [](const std::string& p) {
        std::error_code ec; // a dangling link counts: its name is taken
        return std::filesystem::exists(std::filesystem::symlink_status(p, ec));
    });
    m_bRunMovie = Start(strPath);
    return m_bRunMovie;
}

void CRecordingController::OnScreenChanged(const CScreenModel& screen, const ScreenChange& change) {
    if (!m_pMovie)
        return;
    const CScreenDib& dib = *screen.Picture();
    if (!m_pMovie->IsEncoded()) {
        // An AVI has one picture size: a new size ends it when it is old enough.
        if (EndsAvi(dib.Width(), dib.Height()))
            Tell(EndMovie(true), MovieEnd::SizeChanged);
        return;
    }
    // An encoded movie takes every picture as it changes.
    if (!m_pMovie->AddPicture(dib, change.nFirstRow, change.nEndRow))
        EndMovieAndTell(MovieEnd::Failed);
}

void CRecordingController::OnAviTimer() {
    const CScreenDib* pDib = m_screen.IsLive() ? m_screen.Picture() : nullptr;
    if (!m_pMovie || m_pMovie->IsEncoded() || !pDib)
        return;
    if (pDib->Width() != m_pMovie->ScreenWidth() || pDib->Height() != m_pMovie->ScreenHeight()) {
        // A screen of another size that stayed: the next file takes it.
        if (EndsAvi(pDib->Width(), pDib->Height()))
            Tell(EndMovie(true), MovieEnd::SizeChanged);
        return;
    }
    if (!m_pMovie->WriteTimerFrame(*pDib))
        EndMovieAndTell(MovieEnd::Failed);
}

bool CRecordingController::EndsAvi(int nWidth, int nHeight) const {
    return m_pMovie && !m_pMovie->IsEncoded() &&
           (nWidth != m_pMovie->ScreenWidth() || nHeight != m_pMovie->ScreenHeight()) &&
           m_recordingTime.elapsed() >= m_nAviSizeHoldMs;
}

MovieSummary CRecordingController::EndMovie(bool bRemoveEmpty) {
    m_aviTimer.stop();
    m_markTimer.stop();
    if (!m_pMovie)
        return {};
    const MovieSummary s = m_pMovie->Close(bRemoveEmpty);
    m_pMovie.reset();
    if (onMarkChanged)
        onMarkChanged();
    return s;
}

void CRecordingController::EndMovieAndTell(MovieEnd eWhy) {
    if (!m_pMovie)
        return;
    const std::string why = eWhy == MovieEnd::Failed ? m_pMovie->GetLastError() : std::string();
    MovieSummary s = EndMovie(eWhy != MovieEnd::Stopped);
    if (s.strError.empty())
        s.strError = why;
    Tell(s, eWhy);
}

void CRecordingController::Tell(const MovieSummary& s, MovieEnd eWhy) {
    const bool ofRun = std::exchange(m_bRunMovie, false);
    if (ofRun) {
        if (!s.bRemoved)
            ++m_nRunNumber;
        // After the phone's pause, or at a new screen size, the pictures
        // that come go on into the run's next movie.
        const bool failed = eWhy == MovieEnd::Failed || !s.strError.empty();
        m_bRunPending = !failed && (eWhy == MovieEnd::Paused || eWhy == MovieEnd::SizeChanged);
    }
    if (onMovieEnded)
        onMovieEnded(s, eWhy, ofRun);
}

void CRecordingController::timerEvent(QTimerEvent* pEvent) {
    if (pEvent->timerId() == m_aviTimer.timerId())
        OnAviTimer();
    else if (pEvent->timerId() == m_markTimer.timerId()) {
        if (onMarkChanged)
            onMarkChanged();
    } else
        QObject::timerEvent(pEvent);
}
