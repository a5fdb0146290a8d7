#include "display/SkinCatalog.h"

#include "codec/ScreenFormat.h"
#include "res/ResourceIds.h"
#include "res/Strings.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>
#ifdef _WIN32
#define NOMINMAX
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace fs = std::filesystem;

std::string ProgramFolder() {
    std::string path;
#ifdef _WIN32
    char buf[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, buf, MAX_PATH);
    path.assign(buf, n);
    const std::size_t cut = path.find_last_of("\\/");
#else
    std::error_code ec;
    path = fs::read_symlink("/proc/self/exe", ec).string();
    const std::size_t cut = path.find_last_of('/');
#endif
    if (cut == std::string::npos)
        return std::string();
    return path.substr(0, cut + 1);
}

std::string UserSkinRoot() {
#ifdef _WIN32
    return std::string();
#else
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    if (dataHome && dataHome[0] == '/')
        return (fs::path(dataHome) / "lumetto/skins/").string();
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/')
        return (fs::path(home) / ".local/share/lumetto/skins/").string();
    return std::string();
#endif
}

std::string InstalledSkinRoot(const std::string& strProgramFolder) {
    if (strProgramFolder.empty())
        return std::string();
    return (fs::path(strProgramFolder) / "../share/lumetto/skins/").lexically_normal().string();
}

int BuiltinSkinBitmap(int nPlatform) {
    return nPlatform == lumetto::kPlatformUIQ ? IDB_UIQ_FRAME : IDB_S60_FRAME;
}

SRect BuiltinSkinRect(int nPlatform) {
    if (nPlatform == lumetto::kPlatformUIQ)
        return {0, 0, lumetto::kUIQWidth, lumetto::kUIQHeight};
    return {0, 0, lumetto::kS60Width, lumetto::kS60Height};
}

CSkinCatalog::CSkinCatalog(SkinBitmapInfoFn fnBitmapInfo)
    : m_fnBitmapInfo(std::move(fnBitmapInfo)), m_strProgramFolder(::ProgramFolder()),
      m_strUserSkinRoot(::UserSkinRoot()) {}

void CSkinCatalog::SetProgramFolder(std::string strFolder) {
    if (!strFolder.empty() && strFolder.back() != '/')
        strFolder.push_back('/');
    m_strProgramFolder = std::move(strFolder);
    m_bWatched[0] = m_bWatched[1] = false; // other folders: the watcher's paths are not theirs
}

std::string CSkinCatalog::SkinFolder(int nPlatform) const {
    const char* platformFolder = nPlatform == lumetto::kPlatformUIQ ? "UIQ/" : "S60/";
    std::error_code ec;
    if (!m_strProgramFolder.empty() && !fs::is_directory(m_strProgramFolder + "skins", ec)) {
        const std::string installed = InstalledSkinRoot(m_strProgramFolder);
        if (fs::is_directory(installed, ec))
            return installed + platformFolder;
    }
    return m_strProgramFolder + "skins/" + platformFolder;
}

void CSkinCatalog::SetUserSkinRoot(std::string strFolder) {
    if (!strFolder.empty() && strFolder.back() != '/')
        strFolder.push_back('/');
    m_strUserSkinRoot = std::move(strFolder);
    m_bWatched[0] = m_bWatched[1] = false;
}

std::string CSkinCatalog::UserSkinFolder(int nPlatform) const {
    if (m_strUserSkinRoot.empty())
        return std::string();
    return m_strUserSkinRoot + (nPlatform == lumetto::kPlatformUIQ ? "UIQ/" : "S60/");
}

std::vector<std::string> CSkinCatalog::SkinFolders(int nPlatform) const {
    std::vector<std::string> folders{SkinFolder(nPlatform)};
    const std::string user = UserSkinFolder(nPlatform);
    // A program installed under ~/.local reads its installed skins from the
    // user's folder already; reading it twice would list every skin twice.
    std::error_code ec;
    if (!user.empty() && user != folders.front() && !fs::equivalent(user, folders.front(), ec))
        folders.push_back(user);
    return folders;
}

const CSkinEntry* CSkinCatalog::Skin(int nIndex) const {
    const auto it = m_mapSkins.find(nIndex);
    return it == m_mapSkins.end() ? nullptr : it->second.get();
}

std::vector<std::string> CSkinCatalog::SkinFiles(int nPlatform) const {
    std::vector<std::string> files;
    for (const std::string& folder : SkinFolders(nPlatform)) {
        const std::vector<std::string> some = SkinFilesOfFolder(folder);
        files.insert(files.end(), some.begin(), some.end());
    }
    return files;
}

void CSkinCatalog::ReadSkinList(int nPlatform, std::vector<std::string> files, bool bWatched) {
    if (!m_pLists)
        m_pLists = std::make_unique<CSkinLists>(m_fnBitmapInfo);
    m_pLists->Read(nPlatform, std::move(files));
    m_bWatched[nPlatform == lumetto::kPlatformUIQ ? 1 : 0] = bWatched;
}

std::vector<SSkinVerdict> CSkinCatalog::SkinList(int nPlatform) {
    if (m_pLists) {
        // A list nobody watches may be out of date: it is read again.
        if (!m_bWatched[nPlatform == lumetto::kPlatformUIQ ? 1 : 0])
            m_pLists->Read(nPlatform, SkinFiles(nPlatform));
        return m_pLists->Get(nPlatform);
    }
    std::vector<SSkinVerdict> verdicts;
    for (const std::string& file : SkinFiles(nPlatform))
        verdicts.push_back(JudgeSkinFile(file, m_fnBitmapInfo));
    return verdicts;
}

void CSkinCatalog::LoadSkinMenu(ISkinMenu* pSubmenu, int nPlatform) {
    if (!pSubmenu)
        return;
    pSubmenu->RemoveAllItems();
    ClearSkins();
    m_leftOut.clear();
    for (const SSkinVerdict& verdict : SkinList(nPlatform))
        AddJudgedSkin(verdict, pSubmenu);
    AddBuiltinSkin(pSubmenu, nPlatform);
}

void CSkinCatalog::ParseSkinFile(const std::string& strPath, ISkinMenu* pSubmenu) {
    AddJudgedSkin(JudgeSkinFile(strPath, m_fnBitmapInfo), pSubmenu);
}

void CSkinCatalog::AddJudgedSkin(const SSkinVerdict& verdict, ISkinMenu* pSubmenu) {
    if (!verdict.strLeftOut.empty()) {
        m_leftOut.push_back({verdict.strPath, verdict.strLeftOut});
        return;
    }
    if (m_nSkinCount >= kMaxSkins) {
        m_leftOut.push_back({verdict.strPath, "the list is full: it holds at most " +
                                                  std::to_string(kMaxSkins) + " skins"});
        return;
    }
    const SSkinFile& s = verdict.skin;
    // The bitmap was asked about when the file was judged.
    const int index =
        AddCheckedSkin(verdict.strBitmapPath, s.nPlatform, s.nLeft, s.nTop, s.nRight, s.nBottom);
    if (index != -1 && pSubmenu)
        pSubmenu->AppendItem(kFirstCommand + index, s.strName);
}

int CSkinCatalog::AddSkin(const std::string& strBitmapPath, int nPlatform, int left, int top,
                          int right, int bottom) {
    if (m_nSkinCount >= kMaxSkins)
        return -1;
    if (strBitmapPath != " " && !(m_fnBitmapInfo && m_fnBitmapInfo(strBitmapPath).bLoads))
        return -1;
    return AddCheckedSkin(strBitmapPath, nPlatform, left, top, right, bottom);
}

int CSkinCatalog::AddCheckedSkin(const std::string& strBitmapPath, int nPlatform, int left, int top,
                                 int right, int bottom) {
    if (m_nSkinCount >= kMaxSkins)
        return -1;
    // A file may hold any int: the rectangle is clamped to the coordinates the
    // layout works with, so its size, its zoomed edges and the screen
    // rectangle given back (GetScreenRect) never overflow. No real skin comes
    // near the limit.
    left = ClampLayoutCoordinate(left);
    top = ClampLayoutCoordinate(top);
    right = ClampLayoutCoordinate(right);
    bottom = ClampLayoutCoordinate(bottom);
    m_mapSkins[m_nSkinCount] = std::make_unique<CSkinEntry>(nPlatform, strBitmapPath, left, top,
                                                            right - left, bottom - top);
    return m_nSkinCount++;
}

void CSkinCatalog::AddBuiltinSkin(ISkinMenu* pSubmenu, int nPlatform) {
    const int platform =
        nPlatform == lumetto::kPlatformUIQ ? lumetto::kPlatformUIQ : lumetto::kPlatformS60;
    const SRect rc = BuiltinSkinRect(platform);
    const int index = AddSkin(" ", platform, rc.left, rc.top, rc.right, rc.bottom);
    if (index != -1 && pSubmenu) {
        const int textId = platform == lumetto::kPlatformUIQ ? IDS_UIQ_FRAME : IDS_S60_FRAME;
        pSubmenu->AppendItem(kFirstCommand + index, LoadStringResource(textId));
    }
    OnSelectSkin(kFirstCommand);
}

void CSkinCatalog::ClearSkins() {
    m_pCurrentSkin = nullptr;
    m_mapSkins.clear();
    m_nSkinCount = 0;
    m_bFallback = false;
}

void CSkinCatalog::OnSelectSkin(int nCommandId) {
    const int index = nCommandId - kFirstCommand;
    const auto it = m_mapSkins.find(index);
    if (it == m_mapSkins.end())
        return;
    m_pCurrentSkin = it->second.get();
    m_bFallback = false;
    if (m_pWindows) {
        if (m_pCurrentSkin->IsBuiltin()) {
            m_pWindows->LoadSkinResource(BuiltinSkinBitmap(m_pCurrentSkin->m_nPlatform));
        } else if (!m_pWindows->LoadSkinFile(m_pCurrentSkin->m_strBitmapPath)) {
            // The bitmap changed since the scan: show the bare screen on the
            // platform's white skin rather than a window with no picture.
            m_bFallback = true;
            m_pWindows->LoadSkinResource(BuiltinSkinBitmap(m_pCurrentSkin->m_nPlatform));
        }
    }
    SRect rc;
    GetScreenRect(rc);
    if (m_pWindows)
        m_pWindows->Relayout();
    m_nCurrentSkin = index;
}

void CSkinCatalog::GetScreenRect(SRect& rc) {
    if (!m_pCurrentSkin) {
        rc = {0, 0, 1, 1};
        return;
    }
    if (m_bFallback) {
        rc = BuiltinSkinRect(m_pCurrentSkin->m_nPlatform);
    } else {
        rc.left = m_pCurrentSkin->m_nScreenX;
        rc.top = m_pCurrentSkin->m_nScreenY;
        rc.right = rc.left + m_pCurrentSkin->m_nScreenWidth;
        rc.bottom = rc.top + m_pCurrentSkin->m_nScreenHeight;
    }
    if (m_pWindows)
        m_pWindows->SetScreenRect(rc.left, rc.top, rc.right, rc.bottom);
}
