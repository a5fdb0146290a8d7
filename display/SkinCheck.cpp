#include "display/SkinCheck.h"

#include "codec/ScreenFormat.h"
#include "display/SkinCatalog.h"

#include <cctype>
#include <filesystem>
#include <sstream>

namespace fs = std::filesystem;

namespace {

std::string Lower(std::string s) {
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

bool EndsWith(const std::string& s, const std::string& end) {
    return s.size() >= end.size() && s.compare(s.size() - end.size(), end.size(), end) == 0;
}

std::string PlatformText(int nPlatform) {
    if (nPlatform == lumetto::kPlatformS60)
        return "0 (S60, screen 176 x 208)";
    if (nPlatform == lumetto::kPlatformUIQ)
        return "1 (UIQ, screen 208 x 320)";
    return std::to_string(nPlatform) + " (unknown: 0 is S60, 1 is UIQ)";
}

// Whether a screen rectangle lies wholly outside a bitmap of w x h, so that
// not one pixel of the phone's screen would show.
bool RectLiesOutsideBitmap(const SSkinFile& s, int nWidth, int nHeight) {
    return s.nLeft >= nWidth || s.nTop >= nHeight || s.nRight <= 0 || s.nBottom <= 0;
}

} // namespace

SSkinCheck CheckSkinFile(const std::string& strPath, const SkinBitmapInfoFn& fnBitmap) {
    SSkinCheck c;
    c.strPath = strPath;
    const SSkinVerdict verdict = JudgeSkinFile(strPath, fnBitmap);
    c.strLeftOut = verdict.strLeftOut;
    // The folder scan only lists files named *.lumetto. A file that cannot be
    // read says that first (--check-skin /etc: it is a folder).
    const fs::path path(strPath);
    if (!EndsWith(Lower(path.filename().string()), ".lumetto")) {
        const std::string name =
            "the file name does not end in \".lumetto\", so the program does not list it";
        if (!verdict.bRead) {
            c.warnings.push_back(name);
        } else {
            if (!c.strLeftOut.empty())
                c.warnings.push_back(c.strLeftOut);
            c.strLeftOut = name;
        }
    }
    if (!verdict.bRead)
        return c;
    c.bRead = true;
    c.skin = verdict.skin;
    c.strBitmapPath = verdict.strBitmapPath;
    c.bitmap = verdict.bitmap;

    const SSkinFile& s = c.skin;
    const long long w = static_cast<long long>(s.nRight) - s.nLeft;
    const long long h = static_cast<long long>(s.nBottom) - s.nTop;
    const bool sizeKnown = c.bitmap.bLoads && c.bitmap.nWidth > 0 && c.bitmap.nHeight > 0;
    if (sizeKnown) {
        c.bRectInside = w > 0 && h > 0 && s.nLeft >= 0 && s.nTop >= 0 &&
                        s.nRight <= c.bitmap.nWidth && s.nBottom <= c.bitmap.nHeight;
    }
    if (s.nPlatform != lumetto::kPlatformS60 && s.nPlatform != lumetto::kPlatformUIQ)
        c.warnings.push_back("the platform is neither 0 (S60) nor 1 (UIQ)");
    if (w <= 0 || h <= 0)
        c.warnings.push_back("the rectangle is empty: right must lie past left, bottom below top");
    else if (sizeKnown && RectLiesOutsideBitmap(s, c.bitmap.nWidth, c.bitmap.nHeight))
        c.warnings.push_back(
            "the rectangle lies wholly outside the bitmap (" + std::to_string(c.bitmap.nWidth) +
            " x " + std::to_string(c.bitmap.nHeight) + "): not one pixel of the screen shows");
    else if (sizeKnown && !c.bRectInside)
        c.warnings.push_back("the rectangle reaches outside the bitmap: the screen is cut off");
    // The screen picture is stretched into the rectangle; a rectangle of the
    // screen's own size shows it pixel for pixel.
    const bool uiq = s.nPlatform == lumetto::kPlatformUIQ;
    const int screenW = uiq ? lumetto::kUIQWidth : lumetto::kS60Width;
    const int screenH = uiq ? lumetto::kUIQHeight : lumetto::kS60Height;
    if (w > 0 && h > 0 && (w != screenW || h != screenH) &&
        (s.nPlatform == lumetto::kPlatformS60 || uiq)) {
        c.warnings.push_back("the rectangle is " + std::to_string(w) + " x " + std::to_string(h) +
                             ", not the screen's " + std::to_string(screenW) + " x " +
                             std::to_string(screenH) + ": the screen picture is stretched");
    }
    // The folder a skin lies in decides for which phone it is listed; a
    // relative path names it through the current folder.
    std::error_code ec;
    const fs::path absolute = fs::absolute(path, ec).lexically_normal();
    const std::string folder = (ec ? path : absolute).parent_path().filename().string();
    if ((folder == "S60" && s.nPlatform != lumetto::kPlatformS60) ||
        (folder == "UIQ" && s.nPlatform != lumetto::kPlatformUIQ)) {
        c.warnings.push_back("the file lies in the " + folder +
                             " folder but names another platform: choosing it makes the "
                             "program rebuild the list at the next screen");
    }
    return c;
}

std::string FormatSkinCheck(const SSkinCheck& c) {
    std::ostringstream out;
    out << "File:      " << c.strPath << "\n";
    if (c.bRead) {
        const SSkinFile& s = c.skin;
        out << "Name:      " << s.strName << "\n";
        out << "Platform:  " << PlatformText(s.nPlatform) << "\n";
        out << "Rectangle: left " << s.nLeft << ", top " << s.nTop << ", right " << s.nRight
            << ", bottom " << s.nBottom << " (" << static_cast<long long>(s.nRight) - s.nLeft
            << " x " << static_cast<long long>(s.nBottom) - s.nTop << ")\n";
        out << "Bitmap:    " << c.strBitmapPath;
        if (c.bitmap.bLoads)
            out << ", " << c.bitmap.nWidth << " x " << c.bitmap.nHeight << "\n";
        else
            out << ", does not load\n";
        if (c.bitmap.bLoads)
            out << "Inside:    " << (c.bRectInside ? "yes" : "no") << ", the rectangle "
                << (c.bRectInside ? "lies inside" : "does not lie inside") << " the bitmap\n";
    }
    for (const std::string& w : c.warnings)
        out << "Warning:   " << w << "\n";
    if (c.Listed())
        out << "Result:    listed: the program shows this skin in its submenu\n";
    else
        out << "Result:    left out: " << c.strLeftOut << "\n";
    return out.str();
}

namespace {

struct CSkinNames : ISkinMenu {
    std::vector<std::string> names;
    void RemoveAllItems() override { names.clear(); }
    void AppendItem(int, const std::string& strText) override { names.push_back(strText); }
};

} // namespace

std::string FormatSkinList(CSkinCatalog& catalog) {
    std::ostringstream out;
    for (const int platform : {lumetto::kPlatformS60, lumetto::kPlatformUIQ}) {
        const std::vector<std::string> folders = catalog.SkinFolders(platform);
        out << (platform == lumetto::kPlatformUIQ ? "UIQ" : "S60") << " skins, read from";
        for (std::size_t i = 0; i < folders.size(); ++i)
            out << (i == 0 ? " " : " then ") << folders[i];
        out << ":\n";
        CSkinNames menu;
        catalog.LoadSkinMenu(&menu, platform);
        for (std::size_t i = 0; i < menu.names.size(); ++i) {
            const CSkinEntry* skin = catalog.Skin(static_cast<int>(i));
            out << "  " << i + 1 << ". " << menu.names[i];
            if (skin && !skin->IsBuiltin())
                out << "  (" << skin->m_strBitmapPath << ")";
            out << "\n";
        }
        // Why a skin maker's file is missing from the list above.
        if (!catalog.LeftOut().empty()) {
            out << "  Left out:\n";
            for (const SLeftOutSkin& skin : catalog.LeftOut())
                out << "    " << skin.strPath << ": " << skin.strReason << "\n";
        }
    }
    return out.str();
}
