// The View choices the program remembers between runs, and the commands
// that change them: zoom, the skin of each platform, presentation mode and
// its scaling, staying on top, and the window's position.
//
// At start the remembered values apply, except where the command line says
// otherwise (--zoom, --fullscreen, --screen, --skin, --always-on-top), for
// the run, without writing them; each change in the menus is written at once.
// A skin is remembered by its bitmap's path and found again by that path or,
// when the skins moved, by its file name; a skin that is gone leaves the
// platform's first skin, as without any remembered choice. UI thread only.
#pragma once

#include "app/CommandLine.h"
#include "app/SkinOption.h"

#include <optional>

#include <string>

class CMainFrame;
class CSettings;
class QScreen;

class CViewChoices {
public:
    CViewChoices(CSettings& settings, CMainFrame& frame);

    // After the window's first layout: zoom, staying on top, presentation
    // scaling, the window's position, and presentation with --fullscreen.
    void ApplyAtStart(const CommandLineOptions& options);
    // The View commands, each written at once: Zoom 200% (and back to
    // 100 %), a zoom step, presentation mode, its scaling, staying on top,
    // the recording indicator, and a skin by its command id.
    void ToggleZoom();
    void SetZoom(int nZoom);
    void TogglePresentation();
    void ToggleFillScreen();
    void ToggleStayOnTop();
    void ToggleRecordingIndicator();
    void SelectSkin(int nCommandId);
    // The skin menu of a platform was rebuilt: selects the skin last chosen
    // for that platform, when it is still there.
    void OnSkinsRebuilt(int nPlatform);
    // Writes where the window stands (before presentation, while presenting).
    void SaveWindowPosition();

    // The nScreen-th screen (from 1, in the order the system lists them), or
    // null with the reason in strError.
    static QScreen* ScreenByNumber(int nScreen, std::string& strError);

private:
    CSettings& m_settings;
    CMainFrame& m_frame;
    int m_nScreen = 0;                       // --screen, 0 when not given
    std::optional<SSkinOption> m_skinOption; // --skin
};
