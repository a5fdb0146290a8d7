#include "app/MainMenu.h"

#include "res/ResourceIds.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <iterator>

namespace {

const char* const kMenuTitles[] = {"&File", "&View", "&Help"};

const MainMenuItem kItems[] = {
    {0, ID_FILE_OPEN_CONNECTION, "&Open connection...\tCtrl+O", "Ctrl+O", false},
    {0, ID_FILE_CLOSE_CONNECTION, "&Close connection\tCtrl+C", "Ctrl+C", false},
    {0, 0, nullptr, nullptr, false},
    {0, ID_FILE_RECORD_MOVIE, "&Record a movie...\tCtrl+R", "Ctrl+R", false},
    {0, ID_FILE_STOP_RECORDING, "S&top recording\tCtrl+T", "Ctrl+T", false},
    {0, ID_FILE_MOVIES_WITH_SKIN, "Movies include the phone's s&kin", nullptr, true},
    {0, 0, nullptr, nullptr, false},
    {0, ID_FILE_CAPTURE_SCREEN, "Ca&pture screen...\tCtrl+P", "Ctrl+P", false},
    {0, ID_FILE_COPY_SCREEN, "Cop&y screen\tCtrl+Shift+C", "Ctrl+Shift+C", false},
    {0, ID_FILE_QUICK_CAPTURE, "&Quick capture\tF12", "F12", false},
    {0, 0, nullptr, nullptr, false},
    // Ctrl+Q is the key people try first; Alt+X stays.
    {0, ID_APP_EXIT, "E&xit\tAlt+X", "Alt+X; Ctrl+Q", false},
    {1, ID_VIEW_ZOOM, "&Zoom 200%", nullptr, true},
    {1, -1, "&Select background image", nullptr, false},
    {1, 0, nullptr, nullptr, false},
    // The larger steps and the stepping keys, after the two items above.
    {1, ID_VIEW_ZOOM_300, "Zoom 3&00%", nullptr, true},
    {1, ID_VIEW_ZOOM_400, "Zoom &400%", nullptr, true},
    {1, ID_VIEW_ZOOM_IN, "Zoom &in\tCtrl++", "Ctrl++; Ctrl+=", false},
    {1, ID_VIEW_ZOOM_OUT, "Zoom &out\tCtrl+-", "Ctrl+-", false},
    {1, 0, nullptr, nullptr, false},
    {1, ID_VIEW_PRESENTATION, "&Presentation mode\tF11", "F11", true},
    {1, ID_VIEW_FILL_SCREEN, "&Fill the screen", nullptr, true},
    {1, ID_VIEW_STAY_ON_TOP, "Stay on &top", nullptr, true},
    {1, ID_VIEW_RECORDING_INDICATOR, "Show &recording indicator", nullptr, true},
    {2, ID_HELP_SHORTCUTS, "&Keyboard shortcuts", nullptr, false},
    {2, ID_APP_ABOUT, "&About Morvane Lumetto", nullptr, false},
};

// Keys without a menu item of their own.
const std::pair<const char*, const char*> kOtherKeys[] = {
    {"Esc", "Leave presentation mode"},
};

// "&Open connection...\tCtrl+O" as the menu shows it: "Open connection...".
std::string ItemName(const char* pszText) {
    std::string name;
    for (const char* p = pszText; *p && *p != '\t'; ++p)
        if (*p != '&' || p[1] == '&')
            name += *p;
    return name;
}

} // namespace

std::vector<std::pair<std::string, std::string>> KeyboardShortcuts() {
    std::vector<std::pair<std::string, std::string>> rows;
    for (const MainMenuItem& item : kItems) {
        if (!item.pszShortcut)
            continue;
        // "Alt+X; Ctrl+Q" reads "Alt+X, Ctrl+Q".
        std::string keys = item.pszShortcut;
        for (std::size_t at; (at = keys.find("; ")) != std::string::npos;)
            keys.replace(at, 2, ", ");
        rows.emplace_back(keys, ItemName(item.pszText));
    }
    for (const auto& [keys, what] : kOtherKeys)
        rows.emplace_back(keys, what);
    return rows;
}

const MainMenuItem* MainMenuItems(int& nCount) {
    nCount = static_cast<int>(std::size(kItems));
    return kItems;
}

std::map<int, QAction*> BuildMainMenu(QMenuBar* pMenuBar,
                                      const std::function<void(int)>& onCommand) {
    std::map<int, QAction*> actions;
    QMenu* menus[3] = {};
    for (int i = 0; i < 3; ++i)
        menus[i] = pMenuBar->addMenu(QString::fromLatin1(kMenuTitles[i]));
    for (const MainMenuItem& item : kItems) {
        QMenu* pMenu = menus[item.nMenu];
        if (item.nCommandId == 0) {
            pMenu->addSeparator();
            continue;
        }
        if (item.nCommandId == -1) {
            QMenu* pSub = pMenu->addMenu(QString::fromLatin1(item.pszText));
            pSub->addAction(QStringLiteral("placeholder"))->setEnabled(false);
            continue;
        }
        // The text before '\t' is the item; Qt shows the shortcut's own text.
        const QString text = QString::fromLatin1(item.pszText).section(QLatin1Char('\t'), 0, 0);
        QAction* pAction = pMenu->addAction(text);
        if (item.pszShortcut) {
            // "; " separates further keys for the same command.
            pAction->setShortcuts(
                QKeySequence::listFromString(QString::fromLatin1(item.pszShortcut)));
            pAction->setShortcutContext(Qt::WindowShortcut);
        }
        pAction->setCheckable(item.bCheckable);
        pAction->setMenuRole(QAction::NoRole);
        const int id = item.nCommandId;
        QObject::connect(pAction, &QAction::triggered, pAction, [onCommand, id] { onCommand(id); });
        actions[id] = pAction;
    }
    return actions;
}
