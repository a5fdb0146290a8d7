#include "app/MainMenu.h"

#include "app/CommandTable.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>

namespace {

const char* const kMenuTitles[kMenuCount] = {"&File", "&View", "&Help"};

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
    for (const CommandRow& item : CommandTable()) {
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

std::map<int, QAction*> BuildMainMenu(QMenuBar* pMenuBar,
                                      const std::function<void(int)>& onCommand) {
    std::map<int, QAction*> actions;
    QMenu* menus[kMenuCount] = {};
    for (int i = 0; i < kMenuCount; ++i)
        menus[i] = pMenuBar->addMenu(QString::fromLatin1(kMenuTitles[i]));
    for (const CommandRow& item : CommandTable()) {
        QMenu* pMenu = menus[item.nMenu];
        if (item.nCommandId == kSeparator) {
            pMenu->addSeparator();
            continue;
        }
        if (item.nCommandId == kSkinSubmenu) {
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
