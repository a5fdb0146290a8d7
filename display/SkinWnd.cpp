#include "display/SkinWnd.h"

CSkinWnd::CSkinWnd(IPictureHost* pHost, QWidget* pParent)
    : CPictureWnd(pHost, /*bFixedOrigin=*/false, pParent) {}

void CSkinWnd::Relayout() {
    int cx = 0, cy = 0;
    GetBitmapSize(cx, cy);
    // In presentation the skin keeps the size it is presented at.
    resize(m_freeSize.isEmpty() ? QSize(m_nZoom * cx, m_nZoom * cy) : m_freeSize);
    // Siblings never draw over each other here: the skin goes to the bottom so
    // the screen window stays visible on top of it.
    lower();
    m_nScrollX = 0;
    m_nScrollY = 0;
    update();
    if (m_pHost)
        m_pHost->ResizeToContent(m_nZoom * cx, m_nZoom * cy);
}
