// Where the phone lies on a whole screen in presentation mode.
#include "display/PresentationLayout.h"

#include <gtest/gtest.h>

#include <climits>
#include <ostream>

std::ostream& operator<<(std::ostream& os, const SPresentationPlacement& p) {
    return os << "x" << p.nScale << " " << p.cx << " x " << p.cy << " at (" << p.x << ", " << p.y
              << ")";
}

namespace {

TEST(PresentationLayout, WholeFactorsOrFillCentredOnTheScreen) {
    // The shipped skins at zoom 1: S60 232 x 472, UIQ 272 x 474.
    struct Case {
        const char* label;
        int screenW, screenH, contentW, contentH;
        bool fill;
        SPresentationPlacement expected; // scale, x, y, cx, cy
    } cases[] = {
        {"S60 on full HD", 1920, 1080, 232, 472, false, {2, 728, 68, 464, 944}},
        {"S60 on 4K", 3840, 2160, 232, 472, false, {4, 1456, 136, 928, 1888}},
        {"S60 on a laptop screen", 1366, 768, 232, 472, false, {1, 567, 148, 232, 472}},
        {"S60 on a portrait full HD screen", 1080, 1920, 232, 472, false, {4, 76, 16, 928, 1888}},
        {"S60 exactly twice fits", 464, 944, 232, 472, false, {2, 0, 0, 464, 944}},
        {"UIQ on full HD", 1920, 1080, 272, 474, false, {2, 688, 66, 544, 948}},
        {"UIQ on 4K", 3840, 2160, 272, 474, false, {4, 1376, 132, 1088, 1896}},
        {"never below x1: taller than the screen, cut evenly",
         800,
         400,
         232,
         472,
         false,
         {1, 284, -36, 232, 472}},
        {"never below x1: larger both ways",
         1920,
         1080,
         4000,
         3000,
         false,
         {1, -1040, -960, 4000, 3000}},
        {"S60 filling full HD", 1920, 1080, 232, 472, true, {0, 694, 0, 531, 1080}},
        {"UIQ filling 4K", 3840, 2160, 272, 474, true, {0, 1300, 0, 1239, 2160}},
        {"S60 filling a portrait screen", 1080, 1920, 232, 472, true, {0, 68, 0, 944, 1920}},
        {"fill shrinks content larger than the screen",
         800,
         400,
         232,
         472,
         true,
         {0, 301, 0, 197, 400}},
        {"fill keeps at least a pixel", 100, 100, 1000, 1, true, {0, 0, 49, 100, 1}},
        {"fill exactly", 464, 944, 232, 472, true, {0, 0, 0, 464, 944}},
        {"largest sizes", INT_MAX, INT_MAX, INT_MAX, INT_MAX, false, {1, 0, 0, INT_MAX, INT_MAX}},
        {"largest content filling full HD",
         1920,
         1080,
         INT_MAX,
         INT_MAX,
         true,
         {0, 420, 0, 1080, 1080}},
        {"no screen, nearest", 0, 0, 232, 472, false, {1, -116, -236, 232, 472}},
        {"no screen, fill", 0, 0, 232, 472, true, {0, 0, 0, 0, 0}},
        {"negative screen counts as none", -5, -7, 232, 472, true, {0, 0, 0, 0, 0}},
        {"no content", 1920, 1080, 0, 472, false, {1, 960, 540, 0, 0}},
        {"negative content counts as none", 1920, 1080, -232, 472, true, {0, 960, 540, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(PlacePresentation(c.screenW, c.screenH, c.contentW, c.contentH, c.fill),
                  c.expected);
    }
}

} // namespace
