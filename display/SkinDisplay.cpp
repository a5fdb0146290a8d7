#include "display/SkinDisplay.h"

#include "display/ScreenWnd.h"
#include "display/SkinWnd.h"

void CSkinDisplay::LoadSkinResource(int nResourceId) {
    m_pSkinWnd->LoadResourceBitmap(nResourceId);
    m_pSkinWnd->update();
}

bool CSkinDisplay::LoadSkinFile(const std::string& strPath) {
    const bool ok = m_pSkinWnd->LoadFileBitmap(strPath);
    m_pSkinWnd->update();
    return ok;
}

void CSkinDisplay::SetScreenRect(int left, int top, int right, int bottom) {
    m_pScreenWnd->SetScreenRect(left, top, right, bottom);
}

void CSkinDisplay::Relayout() {
    m_pScreenWnd->Relayout();
}
