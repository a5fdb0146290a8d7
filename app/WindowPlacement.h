// Where a remembered window position may put the window now. A window that
// the screens show whole (also across two of them) stays. A screen may have
// gone since the position was saved (a laptop without its monitor): then the
// window goes onto the screen that holds most of it, or the nearest one when
// none holds any of it, and is kept inside that screen's work area.
#pragma once

#include "display/FrameLayout.h"

#include <utility>
#include <vector>

// The top-left corner for a window of w x h whose remembered corner is
// (x, y), given the work areas of the screens. A window larger than the
// screen keeps its top-left corner on it. Without screens (x, y) is kept.
std::pair<int, int> KeepInsideScreens(int x, int y, int w, int h,
                                      const std::vector<SWorkArea>& screens);
