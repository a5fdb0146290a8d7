// The "&Select background image" submenu on Qt: filled from the skin catalog,
// one item per skin with command id ID_SKIN_FIRST + index, the current skin's
// item disabled each time the menu opens. Choosing an item reports its
// command id.
//
// It also watches the catalog's skin folders, their skin files and bitmaps
// (a missing folder through its nearest existing parent, where its creation
// shows): a change has the catalog read that platform's list again on its
// reader thread, so the next platform switch shows it without reading the
// disk. A path that cannot be watched leaves the platform's list to be read
// again at each switch.
#pragma once

#include "display/SkinCatalog.h"

#include <QObject>

#include <functional>
#include <set>

class QFileSystemWatcher;
class QMenu;
class QMenuBar;

class CSkinMenu : public QObject, public ISkinMenu {
public:
    using SelectHandler = std::function<void(int nCommandId)>;

    // Binds to pMenu (and becomes its child). A chosen item calls onSelect with
    // its command id; without a handler the catalog's OnSelectSkin is called.
    CSkinMenu(QMenu* pMenu, CSkinCatalog* pCatalog, SelectHandler onSelect = {});

    void RemoveAllItems() override;
    void AppendItem(int nCommandId, const std::string& strText) override;

    // Applies the menu-update rule to every item.
    void UpdateItems();
    QMenu* Menu() const { return m_pMenu; }

    // The skin menu already bound to pMenu, or a new one.
    static CSkinMenu* For(QMenu* pMenu, CSkinCatalog* pCatalog, SelectHandler onSelect = {});

private:
    // Watches what a platform's list is read from, then has it read.
    void WatchSkinFolders(int nPlatform);
    void OnPathChanged(const QString& strPath);
    // The folders of a platform to watch: each, or its nearest existing parent.
    std::set<QString> FolderPaths(int nPlatform) const;
    // Makes the watcher watch a platform's paths (and still the other's);
    // false when a path could not be watched.
    bool Watch(int nPlatform, std::set<QString> paths);

    QMenu* m_pMenu;
    CSkinCatalog* m_pCatalog;
    SelectHandler m_onSelect;
    QFileSystemWatcher* m_pWatcher;
    std::set<QString> m_folders[2]; // FolderPaths when last watched
    std::set<QString> m_paths[2];   // and the skin files and bitmaps
};

// The menu bar's second menu's second item's submenu, or null.
QMenu* FindSkinSubmenu(QMenuBar* pMenuBar);

// Rebuilds the catalog and the submenu of the menu bar for a platform (the
// main frame's operation). Nothing happens without a menu bar or submenu.
void RebuildSkinMenu(QMenuBar* pMenuBar, CSkinCatalog& catalog, int nPlatform,
                     CSkinMenu::SelectHandler onSelect = {});

// Whether a skin bitmap file loads with the image loader the skin window uses,
// and its size, from its header (ReadSkinBitmapInfo): what the skin catalog
// asks of each bitmap while it scans the folders.
SSkinBitmapInfo SkinBitmapLoads(const std::string& strPath);
