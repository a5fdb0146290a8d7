#include "display/ScreenWnd.h"

#include "display/SkinWnd.h"

#include <algorithm>

namespace {
// Screen rectangles come from skin files; coordinates beyond this cannot be a
// real skin and are held to it so that zoomed positions stay in range.
constexpr int kMaxCoordinate = 1 << 16;
int Bound(int v) {
    return std::clamp(v, -kMaxCoordinate, kMaxCoordinate);
}
} // namespace

CScreenWnd::CScreenWnd(IPictureHost* pHost, QWidget* pParent)
    : CPictureWnd(pHost, /*bFixedOrigin=*/true, pParent) {}

void CScreenWnd::SetScreenRect(int left, int top, int right, int bottom) {
    m_rcScreen = {Bound(left), Bound(top), Bound(right), Bound(bottom)};
}

void CScreenWnd::SetSkinWindow(CSkinWnd* pSkinWnd) {
    m_pSkinWnd = pSkinWnd;
    raise();
}

void CScreenWnd::GetCenteredScroll(int nMaxX, int nMaxY, int nPageX, int nPageY, int& x,
                                   int& y) const {
    CenteredScroll(m_rcScreen, m_nZoom, nMaxX, nMaxY, nPageX, nPageY, x, y);
}

void CScreenWnd::Place() {
    SRect rc = PlaceScreenWindow(m_rcScreen, m_nZoom, m_nScrollX, m_nScrollY);
    if (!m_freeSize.isEmpty() && m_pSkinWnd) {
        const QSize skin = m_pSkinWnd->GetBitmapSize();
        rc = ScaleScreenRect(m_rcScreen, skin.width(), skin.height(), m_freeSize.width(),
                             m_freeSize.height());
    }
    setGeometry(rc.left, rc.top, std::max(rc.Width(), 0), std::max(rc.Height(), 0));
}

void CScreenWnd::SetScrollX(int x) {
    m_nScrollX = EvenScrollOffset(x, m_nZoom);
    Place();
    update();
}

void CScreenWnd::SetScrollY(int y) {
    m_nScrollY = EvenScrollOffset(y, m_nZoom);
    Place();
    update();
}

void CScreenWnd::SetZoom(int z) {
    CPictureWnd::SetZoom(z);
    if (m_pSkinWnd)
        m_pSkinWnd->CPictureWnd::SetZoom(m_nZoom);
    SetScrollX(0);
    SetScrollY(0);
    Relayout();
}

void CScreenWnd::Relayout() {
    SetScrollX(0);
    SetScrollY(0);
    Place();
    if (m_pSkinWnd)
        m_pSkinWnd->Relayout();
}

void CScreenWnd::Present(int cx, int cy, bool bSmooth) {
    const QSize size = cx > 0 && cy > 0 ? QSize(cx, cy) : QSize();
    SetFreeSize(size, bSmooth);
    m_nScrollX = m_nScrollY = 0;
    if (m_pSkinWnd) {
        m_pSkinWnd->SetFreeSize(size, bSmooth);
        m_pSkinWnd->SetScrollX(0);
        m_pSkinWnd->SetScrollY(0);
        if (!size.isEmpty())
            m_pSkinWnd->setGeometry(0, 0, cx, cy);
        m_pSkinWnd->update();
    }
    Place();
    update();
}
