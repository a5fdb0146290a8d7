// Where the phone goes on a whole screen in presentation mode, as plain
// arithmetic.
//
// The skinned phone at zoom 1 is centred on the screen. Nearest-neighbour mode
// draws it at the largest whole factor that fits, so every skin and screen
// pixel stays a sharp block; it is never drawn below x1, so content larger
// than the screen is centred and cut at the edges. Fill mode scales smoothly
// to the largest size that fits, keeping the aspect ratio.
#pragma once

struct SPresentationPlacement {
    int nScale = 1;     // whole factor (>= 1) in the nearest-neighbour mode; 0 in fill mode
    int x = 0, y = 0;   // top-left of the drawn phone inside the screen
    int cx = 0, cy = 0; // drawn size
    bool operator==(const SPresentationPlacement&) const = default;
};

// Places content of nContentW x nContentH (the skinned phone at zoom 1) centred on a
// screen of nScreenW x nScreenH. bFill false: the largest whole factor k >= 1 with
// k*content fitting the screen (never below 1, even when the content is larger: then it
// is centred and may be cut); bFill true: the largest size that fits, keeping the aspect
// ratio (smooth scaling), at least 1 pixel.
//
// Negative sizes count as 0. Content with no area is drawn nowhere: a size of
// 0 x 0 at the screen's centre. A screen with no area shows nothing: fill mode
// gives 0 x 0 at its corner, nearest mode the content at x1 centred on it.
SPresentationPlacement PlacePresentation(int nScreenW, int nScreenH, int nContentW, int nContentH,
                                         bool bFill);
