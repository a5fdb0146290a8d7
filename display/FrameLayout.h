// The main window's size and scrolling, as plain arithmetic.
//
// The main window shows the whole zoomed skin when it fits in the work area;
// otherwise it takes the largest size that fits and shows scroll bars. The
// scroll codes follow the standard window scroll bar: line, page, thumb
// position, ends; dragging the thumb (thumb track) moves nothing until the
// thumb is released.
#pragma once

#include "display/PictureGeometry.h"

#include <optional>

// The desktop area a window may take (the screen without task bars and panels).
struct SWorkArea {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

// The work area with its corner within +-kMaxLayoutCoordinate and its size
// within 0 ... kMaxLayoutCoordinate: what the layout works with whatever the
// window system reports.
SWorkArea SaneWorkArea(const SWorkArea& work);

// The widths of the window's own decoration that surround the content.
struct SSystemMeasures {
    int cxDlgFrame = 0; // side frame, each side
    int cyDlgFrame = 0; // top and bottom frame, each
    int cxEdge = 0;     // 3-D edge, each side
    int cyEdge = 0;     // 3-D edge, top and bottom each
    int cyCaption = 0;  // title bar
    int cyMenu = 0;     // menu bar
    int cyHScroll = 0;  // horizontal scroll bar height
    int cxVScroll = 0;  // vertical scroll bar width
    bool operator==(const SSystemMeasures&) const = default;
};

// Scroll codes of the main window's scroll bars (the standard window scroll
// bar's values).
namespace ScrollCode {
constexpr int LineLeft = 0, LineUp = 0;
constexpr int LineRight = 1, LineDown = 1;
constexpr int PageLeft = 2, PageUp = 2;
constexpr int PageRight = 3, PageDown = 3;
constexpr int ThumbPosition = 4;
constexpr int ThumbTrack = 5;
constexpr int Left = 6, Top = 6;
constexpr int Right = 7, Bottom = 7;
} // namespace ScrollCode

class CFrameLayout {
public:
    // Chooses the outer window size for a content of cx x cy (see the members).
    // Negative sizes and measures count as 0; a work area too small for the
    // window's frame gives a window of no more than the work area.
    void ComputeFrameSize(int cx, int cy, const SWorkArea& work, const SSystemMeasures& sm);

    // Where the window goes once sized: centred in the work area.
    struct SPlacement {
        int x = 0;
        int y = 0;
        int width = 0;
        int height = 0;
    };
    // ComputeFrameSize, then the centred place; both scroll positions return to 0.
    SPlacement ResizeToContent(int cx, int cy, const SWorkArea& work, const SSystemMeasures& sm);

    // The new position for a scroll code on the horizontal (vertical) bar, or
    // nothing when the position does not change. A returned position is stored
    // as the bar's current position.
    std::optional<int> OnHScroll(int nCode, int nPos);
    std::optional<int> OnVScroll(int nCode, int nPos);

    bool HasHScroll() const { return m_bHScroll; }
    bool HasVScroll() const { return m_bVScroll; }
    int ScrollPosX() const { return m_nScrollPosX; }
    int ScrollPosY() const { return m_nScrollPosY; }

    int m_nFrameWidth = 0;  // outer width chosen by the last ComputeFrameSize
    int m_nFrameHeight = 0; // outer height chosen by the last ComputeFrameSize
    int m_nMaxScrollX = 0;  // largest horizontal position; 0 without a horizontal bar
    int m_nPageX = 0;       // visible content width while the horizontal bar shows
    int m_nMaxScrollY = 0;  // largest vertical position; 0 without a vertical bar
    int m_nPageY = 0;       // visible content height while the vertical bar shows

private:
    static std::optional<int> Scroll(int nCode, int nPos, int& nCurrent, int nPage, int nMax);

    bool m_bHScroll = false;
    bool m_bVScroll = false;
    int m_nScrollPosX = 0;
    int m_nScrollPosY = 0;
};
