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
    }
    return v;
}
