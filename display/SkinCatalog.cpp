#include "display/SkinCatalog.h"

#include "codec/ScreenFormat.h"
#include "display/SkinFile.h"
#include "platform/Folders.h"
#include "res/ResourceIds.h"
#include "res/Strings.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace {

constexpr const char* kDefaultSkinFile = kDefaultSkinFileName;
constexpr const char* kSkinExtension = ".lumetto";

std::string Lower(std::string s) {
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

} // namespace

std::string ProgramFolder() {
    return RunningProgramFolder();
}

std::string UserSkinRoot() {
    const std::string strData = UserDataFolder();
    return strData.empty() ? std::string() : strData + "lumetto/skins/";
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

std::vector<std::string> ListSkinFiles(const std::string& strFolder) {
    std::vector<std::string> names;
    std::error_code ec;
    fs::directory_iterator it(strFolder, ec);
    if (ec)
        return names;
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        if (ec)
            break;
        const std::string name = it->path().filename().string();
        const std::size_t ext = std::char_traits<char>::length(kSkinExtension);
        if (name.size() >= ext && Lower(name.substr(name.size() - ext)) == kSkinExtension)
            names.push_back(name);
    }
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        const std::string la = Lower(a), lb = Lower(b);
        return la != lb ? la < lb : a < b;
    });
    return names;
}

std::string FindDefaultSkinFile(const std::string& strFolder) {
    std::error_code ec;
    if (fs::is_regular_file(fs::path(strFolder) / kDefaultSkinFile, ec))
        return kDefaultSkinFile;
    // File names are matched without regard to letter case, as on the
    // platform the skin folders come from.
    for (const std::string& name : ListSkinFiles(strFolder)) {
        if (Lower(name) == kDefaultSkinFile)
            return name;
    }
    return std::string();
}

CSkinCatalog::CSkinCatalog(SkinBitmapInfoFn fnBitmapInfo)
    : m_fnBitmapInfo(std::move(fnBitmapInfo)), m_folderCache(m_fnBitmapInfo),
      m_strProgramFolder(::ProgramFolder()), m_strUserSkinRoot(::UserSkinRoot()) {}

CSkinCatalog::CSkinCatalog(BitmapCheck fnBitmapLoads)
    : CSkinCatalog([fn = std::move(fnBitmapLoads)](const std::string& strPath) {
          SSkinBitmapInfo info;
          info.bLoads = fn && fn(strPath);
          return info;
      }) {}

void CSkinCatalog::SetProgramFolder(std::string strFolder) {
    if (!strFolder.empty() && strFolder.back() != '/')
        strFolder.push_back('/');
    m_strProgramFolder = std::move(strFolder);
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

void CSkinCatalog::LoadSkinMenu(ISkinMenu* pSubmenu, int nPlatform) {
    if (!pSubmenu)
        return;
    pSubmenu->RemoveAllItems();
    ClearSkins();
    m_leftOut.clear();

    for (const std::string& folder : SkinFolders(nPlatform))
        ReadSkinFolder(folder, pSubmenu);
    AddBuiltinSkin(pSubmenu, nPlatform);
}

void CSkinCatalog::ReadSkinFolder(const std::string& strFolder, ISkinMenu* pSubmenu) {
    for (const SSkinVerdict& verdict : m_folderCache.Scan(strFolder))
        AddJudgedSkin(verdict, pSubmenu);
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
