#include "display/SkinMenu.h"

#include "display/SkinBitmapInfo.h"

#include "codec/ScreenFormat.h"

#include <QAction>
#include <QFileSystemWatcher>
#include <QMenu>
#include <QMenuBar>

#include <filesystem>

namespace fs = std::filesystem;

namespace {

const char* const kCommandIdProperty = "lumettoCommandId";

QString PathText(const fs::path& path) {
    return QString::fromStdString(path.string());
}

} // namespace

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
    m_pWatcher = new QFileSystemWatcher(this);
    QObject::connect(m_pWatcher, &QFileSystemWatcher::directoryChanged, this,
                     [this](const QString& strPath) { OnPathChanged(strPath); });
    QObject::connect(m_pWatcher, &QFileSystemWatcher::fileChanged, this,
                     [this](const QString& strPath) { OnPathChanged(strPath); });
    if (m_pCatalog) {
        WatchSkinFolders(lumetto::kPlatformS60);
        WatchSkinFolders(lumetto::kPlatformUIQ);
    }
}

std::set<QString> CSkinMenu::FolderPaths(int nPlatform) const {
    std::set<QString> paths;
    for (const std::string& folder : m_pCatalog->SkinFolders(nPlatform)) {
        fs::path path = fs::path(folder).parent_path(); // without the closing '/'
        std::error_code ec;
        while (!fs::is_directory(path, ec) && path.has_relative_path())
            path = path.parent_path();
        paths.insert(PathText(path));
    }
    return paths;
}

bool CSkinMenu::Watch(int nPlatform, std::set<QString> paths) {
    m_paths[nPlatform] = std::move(paths);
    const QStringList watched = m_pWatcher->files() + m_pWatcher->directories();
    QStringList gone, added;
    for (const QString& path : watched) {
        if (!m_paths[0].count(path) && !m_paths[1].count(path))
            gone << path;
    }
    for (const QString& path : m_paths[nPlatform]) {
        if (!watched.contains(path))
            added << path;
    }
    if (!gone.isEmpty())
        m_pWatcher->removePaths(gone);
    return added.isEmpty() || m_pWatcher->addPaths(added).isEmpty();
}

void CSkinMenu::WatchSkinFolders(int nPlatform) {
    // Watched first, read after: every change from now on is seen.
    m_folders[nPlatform] = FolderPaths(nPlatform);
    std::set<QString> paths = m_folders[nPlatform];
    bool bWatched = Watch(nPlatform, paths);
    std::vector<std::string> files = m_pCatalog->SkinFiles(nPlatform);
    for (const std::string& file : files) {
        for (const fs::path& path : {fs::path(file), fs::path(SkinBitmapPath(file))}) {
            std::error_code ec;
            if (fs::exists(path, ec))
                paths.insert(PathText(path));
        }
    }
    bWatched = Watch(nPlatform, std::move(paths)) && bWatched;
    m_pCatalog->ReadSkinList(nPlatform, std::move(files), bWatched);
}

void CSkinMenu::OnPathChanged(const QString& strPath) {
    for (const int platform : {lumetto::kPlatformS60, lumetto::kPlatformUIQ}) {
        if (!m_paths[platform].count(strPath))
            continue;
        // A parent that stands in for a missing folder changes for many
        // reasons; only the folder's coming counts.
        bool bStandIn = m_folders[platform].count(strPath) != 0;
        for (const std::string& folder : m_pCatalog->SkinFolders(platform))
            bStandIn = bStandIn && PathText(fs::path(folder).parent_path()) != strPath;
        if (bStandIn && FolderPaths(platform) == m_folders[platform])
            continue;
        WatchSkinFolders(platform);
    }
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
