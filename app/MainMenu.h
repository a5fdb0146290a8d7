// The main window's menu bar and keyboard shortcuts (menu and accelerator
// table 128), built from the command table (app/CommandTable.h).
#pragma once

#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

class QAction;
class QMenuBar;

// Help > Keyboard shortcuts: every key with its command, one pair a row,
// from the command table (a command's further keys on its row too) and the
// keys that no item shows (Esc).
std::vector<std::pair<std::string, std::string>> KeyboardShortcuts();

// Fills the menu bar. Every command item reports its command id to
// onCommand; the skin submenu keeps one placeholder item until it is filled.
// Returns the command actions by id.
std::map<int, QAction*> BuildMainMenu(QMenuBar* pMenuBar,
                                      const std::function<void(int)>& onCommand);
