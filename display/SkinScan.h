// The rule that decides whether one skin file gives a skin: the file reads as
// a name and five numbers, its bitmap loads, and the screen rectangle has at
// least a corner inside the bitmap. The skin catalog and --check-skin both
// judge a file by this one rule, so the check says exactly what the list does.
#pragma once

#include "display/SkinFile.h"

#include <functional>
#include <string>

// What the image loader makes of a skin's bitmap. A size of 0 x 0 with bLoads
// means the size is not known (the rectangle is then not compared with it).
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

// Whether a screen rectangle lies wholly outside a bitmap of w x h, so that
// not one pixel of the phone's screen would show. Empty rectangles inside the
// bitmap do not count as outside.
bool RectLiesOutsideBitmap(const SSkinFile& skin, int nWidth, int nHeight);
