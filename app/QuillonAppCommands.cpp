// The command table's rows and the application's command dispatch.
#include "app/AboutDlg.h"
#include "app/CommandTable.h"
#include "app/MainFrame.h"
#include "app/QuillonApp.h"
#include "app/QuillonView.h"
#include "app/RecordingController.h"
#include "app/Settings.h"
#include "app/ViewChoices.h"
#include "res/ResourceIds.h"

namespace {

using State = const UiState&;
using App = CQuillonApp&;

// Enabled when the condition holds; never checked.
CommandUi Enabled(bool bCondition) {
    return {bCondition, false};
}

// Always enabled; checked when the condition holds.
CommandUi Checked(bool bCondition) {
    return {true, bCondition};
}

CommandUi Always(State) {
    return Enabled(true);
}

CommandUi WithLivePicture(State s) {
    return Enabled(s.bLivePicture);
}

// Zoom 200% is always there (with scroll bars where it does not fit); a
// larger step only while its window fits the screen whole.
template <int Zoom> CommandUi ZoomTo(State s) {
    return {s.nZoom == Zoom || Zoom <= s.nFitZoom, s.nZoom == Zoom};
}

constexpr CommandRow Separator(int nMenu) {
    return {nMenu, kSeparator, nullptr, nullptr, false, nullptr, nullptr};
}

const CommandRow kRows[] = {
    {kFileMenu, ID_FILE_OPEN_CONNECTION, "&Open connection...\tCtrl+O", "Ctrl+O", false,
     [](State s) { return Enabled(!s.bPortOpen); }, [](App app) { app.OnOpenConnection(); }},
    {kFileMenu, ID_FILE_CLOSE_CONNECTION, "&Close connection\tCtrl+C", "Ctrl+C", false,
     [](State s) { return Enabled(s.bPortOpen || s.bReconnecting); },
     [](App app) { app.OnCloseConnection(); }},
    Separator(kFileMenu),
    {kFileMenu, ID_FILE_RECORD_MOVIE, "&Record a movie...\tCtrl+R", "Ctrl+R", false,
     [](State s) { return Enabled(s.bLivePicture && !s.bRecording); },
     [](App app) { app.OnRecordMovie(); }},
    {kFileMenu, ID_FILE_STOP_RECORDING, "S&top recording\tCtrl+T", "Ctrl+T", false,
     [](State s) { return Enabled(s.bRecording); }, [](App app) { app.OnStopRecording(); }},
    {kFileMenu, ID_FILE_MOVIES_WITH_SKIN, "Movies include the phone's s&kin", nullptr, true,
     [](State s) { return Checked(s.bMoviesWithSkin); },
     [](App app) {
         CQuillonView* pView = app.View();
         pView->Recording().SetMoviesWithSkin(!pView->Recording().MoviesWithSkin());
         app.Settings().SetMoviesWithSkin(pView->Recording().MoviesWithSkin());
     }},
    Separator(kFileMenu),
    {kFileMenu, ID_FILE_CAPTURE_SCREEN, "Ca&pture screen...\tCtrl+P", "Ctrl+P", false,
     WithLivePicture, [](App app) { app.OnCaptureScreen(); }},
    {kFileMenu, ID_FILE_COPY_SCREEN, "Cop&y screen\tCtrl+Shift+C", "Ctrl+Shift+C", false,
     WithLivePicture, [](App app) { app.OnCopyScreen(); }},
    {kFileMenu, ID_FILE_QUICK_CAPTURE, "&Quick capture\tF12", "F12", false, WithLivePicture,
     [](App app) { app.OnQuickCapture(); }},
    Separator(kFileMenu),
    // Ctrl+Q is the key people try first; Alt+X stays.
    {kFileMenu, ID_APP_EXIT, "E&xit\tAlt+X", "Alt+X; Ctrl+Q", false, Always,
     [](App app) { app.MainWindow()->close(); }},

    {kViewMenu, ID_VIEW_ZOOM, "&Zoom 200%", nullptr, true,
     [](State s) { return Checked(s.nZoom == 2); },
     [](App app) { app.ViewChoices().ToggleZoom(); }},
    {kViewMenu, kSkinSubmenu, "&Select background image", nullptr, false, nullptr, nullptr},
    Separator(kViewMenu),
    // The larger steps and the stepping keys, after the two items above.
    {kViewMenu, ID_VIEW_ZOOM_300, "Zoom 3&00%", nullptr, true, ZoomTo<3>,
     [](App app) { app.ViewChoices().SetZoom(3); }},
    {kViewMenu, ID_VIEW_ZOOM_400, "Zoom &400%", nullptr, true, ZoomTo<4>,
     [](App app) { app.ViewChoices().SetZoom(4); }},
    {kViewMenu, ID_VIEW_ZOOM_IN, "Zoom &in\tCtrl++", "Ctrl++; Ctrl+=", false,
     [](State s) { return Enabled(s.nZoom < 2 || (s.nZoom < 4 && s.nZoom + 1 <= s.nFitZoom)); },
     [](App app) { app.ViewChoices().SetZoom(app.View()->Zoom() + 1); }},
    {kViewMenu, ID_VIEW_ZOOM_OUT, "Zoom &out\tCtrl+-", "Ctrl+-", false,
     [](State s) { return Enabled(s.nZoom > 1); },
     [](App app) { app.ViewChoices().SetZoom(app.View()->Zoom() - 1); }},
    Separator(kViewMenu),
    {kViewMenu, ID_VIEW_PRESENTATION, "&Presentation mode\tF11", "F11", true,
     [](State s) { return Checked(s.bPresentation); },
     [](App app) { app.ViewChoices().TogglePresentation(); }},
    {kViewMenu, ID_VIEW_FILL_SCREEN, "&Fill the screen", nullptr, true,
     [](State s) { return Checked(s.bFillScreen); },
     [](App app) { app.ViewChoices().ToggleFillScreen(); }},
    {kViewMenu, ID_VIEW_STAY_ON_TOP, "Stay on &top", nullptr, true,
     [](State s) { return Checked(s.bStayOnTop); },
     [](App app) { app.ViewChoices().ToggleStayOnTop(); }},
    {kViewMenu, ID_VIEW_RECORDING_INDICATOR, "Show &recording indicator", nullptr, true,
     [](State s) { return Checked(s.bRecordingIndicator); },
     [](App app) { app.ViewChoices().ToggleRecordingIndicator(); }},

    {kHelpMenu, ID_HELP_SHORTCUTS, "&Keyboard shortcuts", nullptr, false, Always,
     [](App app) {
         CShortcutsDlg dlg(app.MainWindow());
         dlg.exec();
     }},
    {kHelpMenu, ID_APP_ABOUT, "&About Morvane Lumetto", nullptr, false, Always,
     [](App app) { app.OnAppAbout(); }},
};

} // namespace

std::span<const CommandRow> CommandTable() {
    return kRows;
}

void CQuillonApp::OnCommand(int nCommandId) {
    // Commands come from the main window: none before it is built or after
    // it is gone.
    if (!m_pMainFrame || !m_pViewChoices)
        return;
    if (const CommandRow* pRow = FindCommand(nCommandId))
        pRow->run(*this);
    else if (nCommandId >= ID_SKIN_FIRST && nCommandId <= ID_SKIN_LAST)
        m_pViewChoices->SelectSkin(nCommandId);
}
