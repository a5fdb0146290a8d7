// The main window's menu bar and keyboard shortcuts (menu and accelerator
// table 128).
#pragma once

#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

class QAction;
class QMenuBar;

struct MainMenuItem {
    int nMenu;               // 0 File, 1 View, 2 Help
    int nCommandId;          // 0 for a separator, -1 for the skin submenu, -2 for Zoom
    const char* pszText;     // the item text; '\t' precedes the shortcut's text
    const char* pszShortcut; // keys, "; " between several
    bool bCheckable;
};

// The menu resource, item by item in menu order.
const MainMenuItem* MainMenuItems(int& nCount);

// Help > Keyboard shortcuts: every key with its command, one pair a row,
// from the table above (a command's further keys on its row too) and the
// keys that no item shows (Esc).
std::vector<std::pair<std::string, std::string>> KeyboardShortcuts();

// Fills the menu bar. Every command item reports its command id to
// onCommand; the skin submenu keeps one placeholder item until it is filled.
// Returns the command actions by id.
std::map<int, QAction*> BuildMainMenu(QMenuBar* pMenuBar,
                                      const std::function<void(int)>& onCommand);
