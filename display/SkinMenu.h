// The "&Select background image" submenu on Qt: filled from the skin catalog,
// one item per skin with command id ID_SKIN_FIRST + index, the current skin's
// item disabled each time the menu opens. Choosing an item reports its
// command id.
#pragma once

#include "display/SkinCatalog.h"

#include <QObject>

#include <functional>

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
    QMenu* m_pMenu;
    CSkinCatalog* m_pCatalog;
    SelectHandler m_onSelect;
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
