// What selecting a skin does, on the two picture windows.
#pragma once

#include "display/SkinCatalog.h"

class CSkinWnd;
class CScreenWnd;

class CSkinDisplay : public ISkinWindows {
public:
    CSkinDisplay(CSkinWnd* pSkinWnd, CScreenWnd* pScreenWnd)
        : m_pSkinWnd(pSkinWnd), m_pScreenWnd(pScreenWnd) {}

    void LoadSkinResource(int nResourceId) override;
    bool LoadSkinFile(const std::string& strPath) override;
    void SetScreenRect(int left, int top, int right, int bottom) override;
    void Relayout() override;

private:
    CSkinWnd* m_pSkinWnd;
    CScreenWnd* m_pScreenWnd;
};
