// Checking one skin file the way the skin catalog reads it, for skin makers
// (lumetto --check-skin FILE.lumetto): what the program reads from the file,
// whether its bitmap loads and whether the screen rectangle lies inside it.
#pragma once

#include "display/SkinFile.h"

#include <string>
#include <vector>

class CSkinCatalog;

struct SSkinCheck {
    std::string strPath;
    bool bRead = false;        // the file gave a name and five numbers
    SSkinFile skin;            // what was read, when bRead
    std::string strBitmapPath; // the bitmap that goes with the file
    SSkinBitmapInfo bitmap;
    bool bRectInside = false; // the rectangle is not empty and lies inside the bitmap
    // Why the program leaves the skin out of its list; empty when it lists it.
    std::string strLeftOut;
    // Things that keep the skin in the list but are likely mistakes.
    std::vector<std::string> warnings;

    bool Listed() const { return strLeftOut.empty(); }
};

// Reads the skin file at `strPath` and its bitmap (through `fnBitmap`).
SSkinCheck CheckSkinFile(const std::string& strPath, const SkinBitmapInfoFn& fnBitmap);

// The report --check-skin prints, one "Label: value" line each.
std::string FormatSkinCheck(const SSkinCheck& check);

// The skins the catalog lists for each platform, in submenu order, with the
// folders it reads them from, and after them each skin file it left out and
// why (--list-skins). Rebuilds the catalog.
std::string FormatSkinList(CSkinCatalog& catalog);
