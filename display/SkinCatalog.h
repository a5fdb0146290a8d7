// The skin catalog: the skins of one phone platform, read from the skin files
// in the program's folder, plus the platform's built-in skin (the bare screen
// on plain white), at most 50 in all. Each skin is a menu item with command id
// ID_SKIN_FIRST + its index; selecting one loads its bitmap into the skin
// window, places the screen window on its screen rectangle and re-lays out.
//
// Skin folders: <program folder>/skins/S60/ (platform 0) and skins/UIQ/
// (platform 1). An installed program has no "skins" folder beside it; it reads
// <prefix>/share/lumetto/skins/ instead (the program lies in <prefix>/bin/).
// After that folder the user's own skin folder is read,
// ~/.local/share/lumetto/skins/S60/ or UIQ/ ($XDG_DATA_HOME when set), so its
// skins come later in the submenu. In each folder "default.lumetto" is read
// first, then every other "*.lumetto" file of the folder. A skin file with a
// problem is left out of the submenu and the scan goes on; the catalog notes
// the file and the reason (LeftOut), which --list-skins shows.
//
// A skin is listed only when its bitmap decodes in full. Without a watcher
// every rebuild reads the folders again; with one (the skin menu watches the
// folders in the program) both platforms' lists are read on a thread of their
// own when a folder changes and kept between rebuilds (CSkinLists).
#pragma once

#include "display/PictureGeometry.h"
#include "display/SkinLists.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

// One skin of the catalog: the phone platform it is for, the path of its
// bitmap (a single space for a built-in skin) and where the phone's screen lies
// inside that bitmap.
class CSkinEntry {
public:
    CSkinEntry(int nPlatform, std::string strBitmapPath, int nScreenX, int nScreenY,
               int nScreenWidth, int nScreenHeight)
        : m_nPlatform(nPlatform), m_strBitmapPath(std::move(strBitmapPath)), m_nScreenX(nScreenX),
          m_nScreenY(nScreenY), m_nScreenWidth(nScreenWidth), m_nScreenHeight(nScreenHeight) {}

    bool IsBuiltin() const { return m_strBitmapPath == " "; }

    const int m_nPlatform;
    const std::string m_strBitmapPath;
    const int m_nScreenX;
    const int m_nScreenY;
    const int m_nScreenWidth;
    const int m_nScreenHeight;
};

// The submenu that lists the skins.
class ISkinMenu {
public:
    virtual ~ISkinMenu() = default;
    virtual void RemoveAllItems() = 0;
    virtual void AppendItem(int nCommandId, const std::string& strText) = 0;
};

// What selecting a skin does to the picture windows.
class ISkinWindows {
public:
    virtual ~ISkinWindows() = default;
    // The skin window shows a bitmap resource.
    virtual void LoadSkinResource(int nResourceId) = 0;
    // The skin window shows a bitmap file; false if it could not be loaded.
    virtual bool LoadSkinFile(const std::string& strPath) = 0;
    // The screen window's rectangle inside the skin, in skin pixels.
    virtual void SetScreenRect(int left, int top, int right, int bottom) = 0;
    // The screen window re-places itself, the skin window re-sizes itself and
    // the main window fits them.
    virtual void Relayout() = 0;
};

constexpr int kMaxSkins = 50;

// A skin file the last rebuild left out, and why.
struct SLeftOutSkin {
    std::string strPath;
    std::string strReason;
    bool operator==(const SLeftOutSkin&) const = default;
};

class CSkinCatalog {
public:
    // Asked about each skin's bitmap (on the reader thread once the folders
    // are watched).
    explicit CSkinCatalog(SkinBitmapInfoFn fnBitmapInfo);

    // The folder the skin folders lie in, ending in '/'. Initially the folder
    // of the running program.
    void SetProgramFolder(std::string strFolder);
    // The skin folder of a platform, ending in '/': the one beside the program,
    // or the installed one when the program's folder has no "skins" folder.
    std::string SkinFolder(int nPlatform) const;
    // The folder that holds the user's S60/ and UIQ/ skin folders, ending in
    // '/'; empty reads no user skins. Initially UserSkinRoot().
    void SetUserSkinRoot(std::string strFolder);
    // The user's skin folder of a platform, ending in '/'; empty when none.
    std::string UserSkinFolder(int nPlatform) const;
    // The folders a platform's skins are read from, in reading order; a folder
    // that is the same as an earlier one is named once.
    std::vector<std::string> SkinFolders(int nPlatform) const;

    void SetWindows(ISkinWindows* pWindows) { m_pWindows = pWindows; }

    // Rebuilds the catalog and the submenu for a platform and selects index 0.
    // Does nothing without a submenu.
    void LoadSkinMenu(ISkinMenu* pSubmenu, int nPlatform);
    // Reads one skin file; a valid one becomes a skin and a submenu item.
    void ParseSkinFile(const std::string& strPath, ISkinMenu* pSubmenu);
    // The skin files the last rebuild left out, in reading order, with the
    // reason: the file's own problem, or a full list.
    const std::vector<SLeftOutSkin>& LeftOut() const { return m_leftOut; }
    // The skin files of a platform's folders, in reading order.
    std::vector<std::string> SkinFiles(int nPlatform) const;
    // For the folder watcher: reads the platform's list from these skin files
    // on the reader thread. While bWatched the list is kept until the next
    // call; otherwise (a path could not be watched) each rebuild reads the
    // folders again.
    void ReadSkinList(int nPlatform, std::vector<std::string> files, bool bWatched);
    // Appends a skin; its index, or -1 when the catalog is full or the bitmap
    // (unless built-in, " ") does not load.
    int AddSkin(const std::string& strBitmapPath, int nPlatform, int left, int top, int right,
                int bottom);
    // Appends the platform's built-in skin and its item, then selects index 0.
    void AddBuiltinSkin(ISkinMenu* pSubmenu, int nPlatform);
    void ClearSkins();
    // Makes the skin with this command id current; unknown ids do nothing.
    void OnSelectSkin(int nCommandId);
    // The current skin's screen rectangle, also handed to the screen window;
    // (0, 0, 1, 1) and the windows left alone when no skin is current.
    void GetScreenRect(SRect& rc);

    // The menu-update rule: every skin item is enabled except the current one.
    bool IsSkinItemEnabled(int nCommandId) const {
        return nCommandId - kFirstCommand != m_nCurrentSkin;
    }
    // The current skin's platform, or -1 when none is current.
    int CurrentPlatform() const { return m_pCurrentSkin ? m_pCurrentSkin->m_nPlatform : -1; }
    const CSkinEntry* CurrentSkin() const { return m_pCurrentSkin; }
    const CSkinEntry* Skin(int nIndex) const;
    int SkinCount() const { return m_nSkinCount; }
    int CurrentIndex() const { return m_nCurrentSkin; }
    // True when the current skin's bitmap failed to load and the platform's
    // built-in skin is drawn in its place.
    bool IsShowingFallback() const { return m_bFallback; }

    static constexpr int kFirstCommand = 32783;

private:
    // Adds a judged skin file, or notes why it is left out.
    void AddJudgedSkin(const SSkinVerdict& verdict, ISkinMenu* pSubmenu);
    // The list of a platform's skin files, judged.
    std::vector<SSkinVerdict> SkinList(int nPlatform);
    // AddSkin without asking about the bitmap again.
    int AddCheckedSkin(const std::string& strBitmapPath, int nPlatform, int left, int top,
                       int right, int bottom);

    SkinBitmapInfoFn m_fnBitmapInfo;
    std::unique_ptr<CSkinLists> m_pLists; // once the folders are watched
    bool m_bWatched[2] = {false, false};
    std::vector<SLeftOutSkin> m_leftOut;
    ISkinWindows* m_pWindows = nullptr;
    std::string m_strProgramFolder;
    std::string m_strUserSkinRoot;

    std::map<int, std::unique_ptr<CSkinEntry>> m_mapSkins;
    int m_nSkinCount = 0;
    CSkinEntry* m_pCurrentSkin = nullptr;
    int m_nCurrentSkin = 0;
    bool m_bFallback = false;
};

// The folder of the running program (from the executable's own path), ending in '/'.
std::string ProgramFolder();

// The folder that holds the user's own skin folders, ending in '/':
// $XDG_DATA_HOME/lumetto/skins/ when that variable holds an absolute path,
// else $HOME/.local/share/lumetto/skins/; empty when neither is known.
std::string UserSkinRoot();
// The skins folder of a program installed under a prefix, seen from the
// program's folder (<prefix>/bin/): <prefix>/share/lumetto/skins/.
std::string InstalledSkinRoot(const std::string& strProgramFolder);

// The platform's built-in skin: its bitmap resource and screen rectangle.
int BuiltinSkinBitmap(int nPlatform);
SRect BuiltinSkinRect(int nPlatform);
