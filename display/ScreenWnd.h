// The screen window: the phone's screen, placed over the skin window at the
// skin's screen rectangle (zoomed, minus the scroll offsets). It shows the idle
// picture or the last received screen, stretched into that rectangle.
#pragma once

#include "display/PictureGeometry.h"
#include "display/PictureWnd.h"

class CSkinWnd;

class CScreenWnd : public CPictureWnd {
public:
    explicit CScreenWnd(IPictureHost* pHost, QWidget* pParent = nullptr);

    // The screen area inside the skin bitmap, unzoomed skin pixels, right and
    // bottom exclusive. No repaint; the caller re-lays out.
    void SetScreenRect(int left, int top, int right, int bottom);
    const SRect& ScreenRect() const { return m_rcScreen; }
    // The skin window this one lies on; it is kept above it.
    void SetSkinWindow(CSkinWnd* pSkinWnd);

    // Offsets that centre the screen area in a visible page of pageX x pageY,
    // each within 0 ... max.
    void GetCenteredScroll(int nMaxX, int nMaxY, int nPageX, int nPageY, int& x, int& y) const;

    // Stores the offset (even at zoom 2), moves the window and repaints it.
    void SetScrollY(int y) override;
    void SetScrollX(int x) override;
    // Zooms both windows, returns to offset 0 and re-lays out.
    void SetZoom(int z) override;
    // Re-places the screen window, then the skin window re-sizes itself and
    // the main window.
    void Relayout() override;

    // Presentation: the skin window takes cx x cy at the view's origin and
    // this window the skin's screen rectangle scaled in the same proportion;
    // both are drawn smoothly when bSmooth, else by whole pixels, and scroll
    // offsets return to 0. 0 x 0 goes back to the zoom's placement (the
    // caller then re-lays out).
    void Present(int cx, int cy, bool bSmooth);

private:
    void Place();

    SRect m_rcScreen;
    CSkinWnd* m_pSkinWnd = nullptr;
};
