// The main window's commands, one row each, in menu order: the menu the item
// stands in, its text and keys, whether it carries a check mark, when it is
// enabled and checked, and what it does. The menu bar, the keyboard, the
// right-click menu and Help > Keyboard shortcuts are all built from these
// rows. A new command is its id (res/ResourceIds.h), its row and its handler.
//
// The rows are defined beside the handlers they call, with the application
// (app/QuillonAppCommands.cpp); this header only forward-declares it, so the
// menu can read the rows without including the application.
#pragma once

#include "app/CommandRules.h"

#include <span>

class CQuillonApp;

enum CommandMenu { kFileMenu, kViewMenu, kHelpMenu, kMenuCount };

constexpr int kSeparator = 0;    // a row that is a separator line
constexpr int kSkinSubmenu = -1; // the skin submenu, filled with the skins

struct CommandRow {
    int nMenu;               // a CommandMenu
    int nCommandId;          // the command's id, kSeparator or kSkinSubmenu
    const char* pszText;     // the item text; '\t' precedes the shortcut's text
    const char* pszShortcut; // keys, "; " between several, or null
    bool bCheckable;
    CommandUi (*rule)(const UiState&); // enabled and checked, from the state
    void (*run)(CQuillonApp&);         // what the command does
};

// Every row, in menu order.
std::span<const CommandRow> CommandTable();

// The row of a command, or null (separators, the skin submenu, the skins).
const CommandRow* FindCommand(int nCommandId);

// Whether a command is enabled and checked in a state: its row's rule; a
// skin (ID_SKIN_FIRST + i) is enabled unless it is the current one; any
// other id is disabled.
CommandUi CommandState(int nCommandId, const UiState& state);
