// One skin of the catalog: the phone platform it is for, the path of its
// bitmap (a single space for a built-in skin) and where the phone's screen lies
// inside that bitmap.
#pragma once

#include <string>

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
