#include "display/FrameLayout.h"

#include <algorithm>

SWorkArea SaneWorkArea(const SWorkArea& work) {
    return {ClampLayoutCoordinate(work.left), ClampLayoutCoordinate(work.top),
            std::clamp(work.width, 0, kMaxLayoutCoordinate),
            std::clamp(work.height, 0, kMaxLayoutCoordinate)};
}

namespace {

// A size for the layout: never negative, never so large that sums overflow.
int LayoutSize(int v) {
    return std::clamp(v, 0, kMaxLayoutCoordinate);
}

} // namespace

void CFrameLayout::ComputeFrameSize(int cx, int cy, const SWorkArea& workArea,
                                    const SSystemMeasures& measures) {
    // Sizes come from the window system and the skin: negative ones count as
    // 0, absurdly large ones are clamped, so the sums below cannot overflow.
    cx = LayoutSize(cx);
    cy = LayoutSize(cy);
    const SWorkArea work = SaneWorkArea(workArea);
    SSystemMeasures sm = measures;
    for (int* m : {&sm.cxDlgFrame, &sm.cyDlgFrame, &sm.cxEdge, &sm.cyEdge, &sm.cyCaption,
                   &sm.cyMenu, &sm.cyHScroll, &sm.cxVScroll})
        *m = LayoutSize(*m);
    // A work area smaller than the window's frame still gives no negative size.
    const int maxW = std::max(work.width - 2, 0);
    const int maxH = std::max(work.height - 2, 0);
    int borderW = 2 * sm.cxEdge + 2 * sm.cxDlgFrame;
    int borderH = 2 * sm.cyEdge + 2 * sm.cyDlgFrame + sm.cyCaption + sm.cyMenu;

    bool bHCounted = false;
    if (cx + borderW > maxW) {
        borderH += sm.cyHScroll;
        bHCounted = true;
    }
    if (cy + borderH > maxH) {
        borderW += sm.cxVScroll;
        // The vertical bar takes width and can make the horizontal one necessary.
        if (cx + borderW > maxW && !bHCounted)
            borderH += sm.cyHScroll;
    }

    m_nFrameWidth = cx + borderW;
    m_nFrameHeight = cy + borderH;

    m_bHScroll = m_nFrameWidth > maxW;
    if (m_bHScroll) {
        m_nPageX = std::max(maxW - borderW, 0);
        m_nMaxScrollX = cx - m_nPageX;
        m_nFrameWidth = maxW;
    } else {
        m_nMaxScrollX = 0;
    }
    m_bVScroll = m_nFrameHeight > maxH;
    if (m_bVScroll) {
        m_nPageY = std::max(maxH - borderH, 0);
        m_nMaxScrollY = cy - m_nPageY;
        m_nFrameHeight = maxH;
    } else {
        m_nMaxScrollY = 0;
    }
    m_nScrollPosX = 0;
    m_nScrollPosY = 0;
}

CFrameLayout::SPlacement CFrameLayout::ResizeToContent(int cx, int cy, const SWorkArea& workArea,
                                                       const SSystemMeasures& sm) {
    ComputeFrameSize(cx, cy, workArea, sm);
    const SWorkArea work = SaneWorkArea(workArea);
    SPlacement p;
    // Centred in the work area, measured from the work area's own corner so
    // that a panel at the top or left of the desktop never covers the window.
    p.x = work.left + (work.width - m_nFrameWidth) / 2;
    p.y = work.top + (work.height - m_nFrameHeight) / 2;
    p.width = m_nFrameWidth;
    p.height = m_nFrameHeight;
    return p;
}

std::optional<int> CFrameLayout::Scroll(int nCode, int nPos, int& nCurrent, int nPage, int nMax) {
    const int p = nCurrent;
    int n = p;
    switch (nCode) {
    case ScrollCode::LineLeft:
        n = std::max(p - 1, 0);
        break;
    case ScrollCode::LineRight:
        n = std::min(p + 1, nMax);
        break;
    case ScrollCode::PageLeft:
        n = std::max(p - nPage, 0);
        break;
    case ScrollCode::PageRight:
        n = std::min(p + nPage, nMax);
        break;
    case ScrollCode::ThumbPosition:
        // The bar only offers positions within its range; keep it so.
        n = std::clamp(nPos, 0, std::max(nMax, 0));
        break;
    case ScrollCode::Left:
        n = 0;
        break;
    case ScrollCode::Right:
        n = nMax;
        break;
    default: // thumb track and anything else: nothing moves while the thumb is dragged
        break;
    }
    if (n == p)
        return std::nullopt;
    nCurrent = n;
    return n;
}

std::optional<int> CFrameLayout::OnHScroll(int nCode, int nPos) {
    return Scroll(nCode, nPos, m_nScrollPosX, m_nPageX, m_nMaxScrollX);
}

std::optional<int> CFrameLayout::OnVScroll(int nCode, int nPos) {
    return Scroll(nCode, nPos, m_nScrollPosY, m_nPageY, m_nMaxScrollY);
}
