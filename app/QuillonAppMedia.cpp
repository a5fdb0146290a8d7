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
#include "app/ScreenshotSaver.h"
#include "app/Settings.h"
#include "display/ScreenWnd.h"
#include "media/MovieEncoder.h"
#include "media/MovieFormat.h"
#include "platform/MessagePresenter.h"
#include "res/ResourceIds.h"
#include "res/Strings.h"

#include <QTimer>

#include <filesystem>
#include <system_error>
#include <utility>

namespace {
constexpr int kNoticeMs = 3000;
constexpr int kErrorNoticeMs = 8000;
} // namespace

IFileDialogs& CQuillonApp::FileDialogs() {
    if (m_pFileDialogs)
        return *m_pFileDialogs;
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
    View()->StopRecording();
    m_strRecordPath = *path;
    m_nRecordNumber = 1;
    m_bRecordPending = false;
    m_bRecordFromMenu = true;
    m_bRecordOptionMovie = View()->StartRecording(*path);
    if (m_bRecordOptionMovie)
        ShowNotice("Recording " + FileNameOf(*path));
}

void CQuillonApp::OnStopRecording() {
    if (CQuillonView* v = View())
        v->StopRecording();
}

void CQuillonApp::OnCaptureScreen() {
    CQuillonView* pView = View();
    if (!pView)
        return;
    // The snapshot first: the file shows the screen as it was when the
    // command was chosen, whatever arrives while the dialog is open.
    pView->ScreenWindow()->MakeScreenCopy();
    const auto path =
        AskSaveFile(FileDialogs(), Settings(), SaveKind::Screenshot, ScreenshotFilter());
    if (path && SaveScreenshot(*path, false))
        ShowNotice("Saved " + FileNameOf(*path));
}

// Writes the screen window's snapshot as the file strPath (PNG or BMP, as its
// name says), taking a new one first when asked. A failure is shown.
bool CQuillonApp::SaveScreenshot(const std::string& strPath, bool bTakeSnapshot) {
    CScreenWnd* pScreen = View()->ScreenWindow();
    if (bTakeSnapshot)
        pScreen->MakeScreenCopy();
    const CScreenDib* pCopy = pScreen->GetScreenCopy();
    if (!pCopy)
        return false;
    std::string error;
    if (!SaveScreenPicture(*pCopy, strPath, error)) {
        ShowMessageBox("The screenshot was not saved. " + error, AppTitle(), MessageIcon::Warning);
        return false;
    }
    return true;
}

void CQuillonApp::OnCopyScreen() {
    if (const CScreenDib* pDib = View() ? View()->ScreenWindow()->GetScreenBitmap() : nullptr) {
        CopyScreenToClipboard(*pDib);
        ShowNotice("Copied the screen to the clipboard");
    }
}

void CQuillonApp::OnQuickCapture() {
    const CScreenDib* pDib = View() ? View()->ScreenWindow()->GetScreenBitmap() : nullptr;
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

void CQuillonApp::OnLivePicture() {
    m_bEverLive = true;
    StartRecordOption();
}

// --record (or a run from the menu that goes on): a movie from the picture
// shown now, into the run's next name that replaces no file.
void CQuillonApp::StartRecordOption() {
    if (!m_bRecordPending || !View() || !View()->HasLivePicture())
        return;
    m_bRecordPending = false;
    const std::string path =
        FreeNumberedPath(m_strRecordPath, m_nRecordNumber, [](const std::string& p) {
            std::error_code ec; // a dangling link counts: its name is taken
            return std::filesystem::exists(std::filesystem::symlink_status(p, ec));
        });
    m_bRecordOptionMovie = View()->StartRecording(path);
    if (!m_bRecordOptionMovie) {
        if (m_options.bNoWindow)
            Quit(1);
        return;
    }
    const std::string format = lumetto::MovieFormatName(lumetto::MovieFormatOf(path));
    if (m_bRecordFromMenu)
        ShowNotice(MovieWentOnText(path));
    else {
        if (!m_options.bNoWindow)
            ShowNotice("Recording " + FileNameOf(path));
        PrintLine(MovieStartText(path, format));
    }
}

void CQuillonApp::OnMovieEnded(const MovieSummary& s, MovieEnd eWhy) {
    const bool fromOption = std::exchange(m_bRecordOptionMovie, false);
    const bool failed = eWhy == MovieEnd::Failed || !s.strError.empty();
    if (fromOption) {
        if (!m_bRecordFromMenu)
            PrintLine(MovieEndText(s));
        if (!s.bRemoved)
            ++m_nRecordNumber;
        // After the phone's pause, or at a new screen size, the pictures
        // that come go on into the next movie.
        m_bRecordPending = !failed && (eWhy == MovieEnd::Paused || eWhy == MovieEnd::SizeChanged);
    }
    if (m_bRecordPending && eWhy == MovieEnd::Paused && m_bRecordFromMenu) {
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
