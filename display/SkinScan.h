// The rule that decides whether one skin file gives a skin: the file reads as
// a name and five numbers and its bitmap decodes in full. The skin catalog and
// --check-skin both judge a file by this one rule, so the check says exactly
// what the list does. And the order in which a folder's skin files are read.
#pragma once

#include "display/SkinFile.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

// What the image loader makes of a skin's bitmap, after decoding all of it.
struct SSkinBitmapInfo {
    bool bLoads = false;
    int nWidth = 0;
    int nHeight = 0;
    std::string strError; // why it does not load
};

using SkinBitmapInfoFn = std::function<SSkinBitmapInfo(const std::string& strPath)>;

struct SSkinVerdict {
    std::string strPath;
    bool bRead = false;        // the file gave a name and five numbers
    SSkinFile skin;            // what was read, when bRead
    std::string strBitmapPath; // the bitmap that goes with the file, when bRead
    SSkinBitmapInfo bitmap;    // asked for when bRead
    // Why the file gives no skin; empty when it gives one.
    std::string strLeftOut;
};

// Reads the skin file and asks fnBitmap about its bitmap.
SSkinVerdict JudgeSkinFile(const std::string& strPath, const SkinBitmapInfoFn& fnBitmap);

// Why the bytes of a BMP file end before its pixels do ("the file ends after
// 5000 bytes, its pixels need 328566"), else empty; empty too for bytes that
// are no BMP (the image loader judges those). An image loader fills the rows
// it could not read with whatever its memory held.
std::string BmpCutShort(std::string_view bytes);

// The names of the skin files in a folder: those ending in ".lumetto" (in any
// letter case), in a stable order (by name, letter case ignored first).
std::vector<std::string> ListSkinFiles(const std::string& strFolder);
constexpr const char* kDefaultSkinFileName = "default.lumetto";
// The name of the folder's default file: "default.lumetto", or a name that
// differs from it only in letter case; empty when there is none.
std::string FindDefaultSkinFile(const std::string& strFolder);
// The paths of the skin files of a folder ending in '/', in reading order:
// the default file first, then every other skin file by name (a default file
// in another letter case comes twice). A missing folder holds none.
std::vector<std::string> SkinFilesOfFolder(const std::string& strFolder);
