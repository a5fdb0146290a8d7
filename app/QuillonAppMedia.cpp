// The application's recording, screenshot and sharing commands: the movie
// and screenshot dialogs, Copy screen, Quick capture, the --record and
// --capture options, and what the user is told when a movie ends.
#include "app/QuillonApp.h"

#include "app/AppText.h"
#include "app/CaptureNames.h"
#include "app/FileDialogs.h"
#include "app/MainFrame.h"
#include "app/NoticeWnd.h"
#include "app/QuillonView.h"
#include "app/RecordingController.h"
#include "app/ScreenshotSaver.h"
#include "app/Settings.h"
#include "codec/ScreenDib.h"
#include "media/MovieEncoder.h"
#include "media/MovieFormat.h"
#include "platform/MessagePresenter.h"
#include "res/ResourceIds.h"
#include "res/Strings.h"

#include <QTimer>

namespace {
constexpr int kNoticeMs = 3000;
constexpr int kErrorNoticeMs = 8000;
} // namespace

IFileDialogs& CQuillonApp::FileDialogs() {
    if (m_seams.pFileDialogs)
        return *m_seams.pFileDialogs;
    if (!m_pOwnFileDialogs)
        m_pOwnFileDialogs = std::make_unique<CQtFileDialogs>(m_pMainFrame.get());
    return *m_pOwnFileDialogs;
}

void CQuillonApp::OnRecordMovie() {
    lumetto::PreloadMovieEncoder(); // while the dialog is open
    const auto path = AskSaveFile(FileDialogs(), Settings(), SaveKind::Movie,
                                  LoadStringResource(IDS_MOVIE_FILTER));
    if (!path || !View())
        return;
    // A run of its own, which goes on after the phone's pauses as --record does.
    if (View()->Recording().StartMenuRun(*path))
        ShowNotice("Recording " + FileNameOf(*path));
}

void CQuillonApp::OnStopRecording() {
    if (CQuillonView* v = View())
        v->Recording().Stop();
}

// The live picture as it is now, kept for Capture screen; false when none is shown.
bool CQuillonApp::TakeSnapshot() {
    const CScreenDib* pDib = LivePicture();
    m_pSnapshot = pDib ? std::make_unique<CScreenDib>(*pDib) : nullptr;
    return m_pSnapshot != nullptr;
}

void CQuillonApp::OnCaptureScreen() {
    CQuillonView* pView = View();
    if (!pView)
        return;
    // The snapshot first: the file shows the screen as it was when the
    // command was chosen, whatever arrives while the dialog is open.
    TakeSnapshot();
    const auto path =
        AskSaveFile(FileDialogs(), Settings(), SaveKind::Screenshot, ScreenshotFilter());
    if (path && m_pSnapshot && SaveScreenshot(*m_pSnapshot, *path))
        ShowNotice("Saved " + FileNameOf(*path));
}

// --capture: the picture last shown, even when the phone paused since.
bool CQuillonApp::SaveLastScreen(const std::string& strPath) {
    const CScreenDib* pDib = View() ? m_lastScreen.Picture(View()->Screen()) : nullptr;
    return pDib && SaveScreenshot(*pDib, strPath);
}

// Writes the picture as the file strPath (PNG or BMP, as its name says). A
// failure is shown.
bool CQuillonApp::SaveScreenshot(const CScreenDib& dib, const std::string& strPath) {
    std::string error;
    if (!SaveScreenPicture(dib, strPath, error)) {
        ShowMessageBox("The screenshot was not saved. " + error, AppTitle(), MessageIcon::Warning);
        return false;
    }
    return true;
}

void CQuillonApp::OnCopyScreen() {
    if (const CScreenDib* pDib = LivePicture()) {
        CopyScreenToClipboard(*pDib);
        ShowNotice("Copied the screen to the clipboard");
    }
}

void CQuillonApp::OnQuickCapture() {
    const CScreenDib* pDib = LivePicture();
    std::string path, error;
    if (!pDib)
        return;
    if (!QuickCapture(*pDib, path, error)) {
        ShowMessageBox("The quick capture was not saved. " + error, AppTitle(),
                       MessageIcon::Warning);
        return;
    }
    ShowNotice("Saved " + FileNameOf(path));
}

void CQuillonApp::ShowNotice(const std::string& strText, NoticeKind eKind) {
    if (m_options.bNoWindow || !m_pMainFrame) {
        PrintLine(strText);
        return;
    }
    m_pMainFrame->Notice()->Show(QString::fromStdString(strText),
                                 eKind == NoticeKind::Error ? kErrorNoticeMs : kNoticeMs,
                                 eKind == NoticeKind::Error);
}

const CScreenDib* CQuillonApp::LivePicture() const {
    const CQuillonView* pView = View();
    return pView && pView->Screen().IsLive() ? pView->Screen().Picture() : nullptr;
}

void CQuillonApp::OnLivePicture() {
    m_bEverLive = true;
    StartRecordOption();
}

// --record (or a run from the menu that goes on): a movie from the picture
// shown now, into the run's next name that replaces no file.
void CQuillonApp::StartRecordOption() {
    CQuillonView* pView = View();
    std::string path;
    if (!pView)
        return;
    CRecordingController& rec = pView->Recording();
    if (!rec.StartPendingMovie(path)) {
        if (!path.empty() && m_options.bNoWindow)
            Quit(1); // the movie could not be opened (the reason was shown)
        return;
    }
    const std::string format = lumetto::MovieFormatName(lumetto::MovieFormatOf(path));
    if (rec.IsRunFromMenu())
        ShowNotice(MovieWentOnText(path));
    else {
        if (!m_options.bNoWindow)
            ShowNotice("Recording " + FileNameOf(path));
        PrintLine(MovieStartText(path, format));
    }
}

void CQuillonApp::OnMovieEnded(const MovieSummary& s, MovieEnd eWhy, bool fromOption) {
    const CRecordingController& rec = View()->Recording();
    const bool failed = eWhy == MovieEnd::Failed || !s.strError.empty();
    if (fromOption && !rec.IsRunFromMenu())
        PrintLine(MovieEndText(s));
    if (rec.IsRunPending() && eWhy == MovieEnd::Paused && rec.IsRunFromMenu()) {
        // The run goes on: one notice says so, the file's name in it (and
        // standard error, for the record).
        ShowNotice(MovieGoesOnText(s));
        PrintLine(MovieEndText(s) + "; the recording goes on when the phone's picture comes back");
    } else if (!s.bRemoved && !m_options.bNoWindow) {
        ShowNotice("Saved " + FileNameOf(s.strPath) + ": " + MovieCountsText(s),
                   failed ? NoticeKind::Error : NoticeKind::Info);
    }
    if (s.bRemoved && eWhy == MovieEnd::Paused && !fromOption)
        PrintLine(MovieEndText(s));

    const std::string text = MovieEndMessage(s, eWhy, fromOption);
    if (!text.empty())
        ShowMessageBox(text, AppTitle(), MessageIcon::Warning);
    if (failed && m_options.bNoWindow)
        Quit(1);
    else if (eWhy == MovieEnd::SizeChanged)
        StartRecordOption(); // the picture of the new size is shown already
}
