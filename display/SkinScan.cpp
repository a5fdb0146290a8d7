#include "display/SkinScan.h"

bool RectLiesOutsideBitmap(const SSkinFile& s, int nWidth, int nHeight) {
    return s.nLeft >= nWidth || s.nTop >= nHeight || s.nRight <= 0 || s.nBottom <= 0;
}

SSkinVerdict JudgeSkinFile(const std::string& strPath, const SkinBitmapInfoFn& fnBitmap) {
    SSkinVerdict v;
    v.strPath = strPath;
    const std::optional<SSkinFile> skin = ReadSkinFile(strPath, &v.strLeftOut);
    if (!skin)
        return v;
    v.bRead = true;
    v.skin = *skin;
    v.strBitmapPath = SkinBitmapPath(strPath);
    if (fnBitmap)
        v.bitmap = fnBitmap(v.strBitmapPath);
    else
        v.bitmap.strError = "no image loader";
    if (!v.bitmap.bLoads) {
        v.strLeftOut = "the bitmap " + v.strBitmapPath + " does not load" +
                       (v.bitmap.strError.empty() ? "" : ": " + v.bitmap.strError);
    } else if (v.bitmap.nWidth > 0 && v.bitmap.nHeight > 0 &&
               RectLiesOutsideBitmap(v.skin, v.bitmap.nWidth, v.bitmap.nHeight)) {
        v.strLeftOut = "the rectangle lies wholly outside the bitmap (" +
                       std::to_string(v.bitmap.nWidth) + " x " + std::to_string(v.bitmap.nHeight) +
                       "): not one pixel of the screen would show";
    }
    return v;
}
