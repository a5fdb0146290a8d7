#include "display/SkinMenu.h"

#include "display/SkinBitmapInfo.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

namespace {
const char* const kCommandIdProperty = "lumettoCommandId";
}

CSkinMenu::CSkinMenu(QMenu* pMenu, CSkinCatalog* pCatalog, SelectHandler onSelect)
    : QObject(pMenu), m_pMenu(pMenu), m_pCatalog(pCatalog), m_onSelect(std::move(onSelect)) {
    setObjectName(QStringLiteral("lumettoSkinMenu"));
    QObject::connect(pMenu, &QMenu::aboutToShow, this, [this] { UpdateItems(); });
    QObject::connect(pMenu, &QMenu::triggered, this, [this](QAction* pAction) {
        const QVariant id = pAction->property(kCommandIdProperty);
        if (!id.isValid())
            return;
        if (m_onSelect)
            m_onSelect(id.toInt());
        else if (m_pCatalog)
            m_pCatalog->OnSelectSkin(id.toInt());
    });
}

CSkinMenu* CSkinMenu::For(QMenu* pMenu, CSkinCatalog* pCatalog, SelectHandler onSelect) {
    if (auto* existing = pMenu->findChild<CSkinMenu*>(QStringLiteral("lumettoSkinMenu"),
                                                      Qt::FindDirectChildrenOnly))
        return existing;
    return new CSkinMenu(pMenu, pCatalog, std::move(onSelect));
}

void CSkinMenu::RemoveAllItems() {
    m_pMenu->clear();
}

void CSkinMenu::AppendItem(int nCommandId, const std::string& strText) {
    // The text goes to the menu unchanged ('&' marks a mnemonic as usual).
    QAction* pAction = m_pMenu->addAction(QString::fromLocal8Bit(strText.c_str()));
    pAction->setProperty(kCommandIdProperty, nCommandId);
}

void CSkinMenu::UpdateItems() {
    if (!m_pCatalog)
        return;
    for (QAction* pAction : m_pMenu->actions()) {
        const QVariant id = pAction->property(kCommandIdProperty);
        if (id.isValid())
            pAction->setEnabled(m_pCatalog->IsSkinItemEnabled(id.toInt()));
    }
}

QMenu* FindSkinSubmenu(QMenuBar* pMenuBar) {
    if (!pMenuBar)
        return nullptr;
    const QList<QAction*> menus = pMenuBar->actions();
    if (menus.size() < 2 || !menus[1]->menu())
        return nullptr;
    const QList<QAction*> items = menus[1]->menu()->actions();
    if (items.size() < 2)
        return nullptr;
    return items[1]->menu();
}

void RebuildSkinMenu(QMenuBar* pMenuBar, CSkinCatalog& catalog, int nPlatform,
                     CSkinMenu::SelectHandler onSelect) {
    QMenu* pSubmenu = FindSkinSubmenu(pMenuBar);
    if (!pSubmenu)
        return;
    catalog.LoadSkinMenu(CSkinMenu::For(pSubmenu, &catalog, std::move(onSelect)), nPlatform);
}

SSkinBitmapInfo SkinBitmapLoads(const std::string& strPath) {
    return ReadSkinBitmapInfo(strPath);
}
