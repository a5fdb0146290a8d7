// The pictures the program ships, drawn here rather than taken from anywhere.
#pragma once

#include "Canvas.h"

#include <string>

// Plain white built-in skins (bitmaps 140 and 143).
CCanvas DrawWhiteFrame(int w, int h);
// The screen's idle picture (bitmaps 201 and 202): a phone screen that says
// the program is waiting for the phone, with a hint what to do.
CCanvas DrawIdleScreen(int w, int h);
// The application icon (128).
CCanvas DrawAppIcon(int size);

// A shipped phone skin and where its screen lies.
struct SPhoneSkin {
    CCanvas picture;
    int left, top, right, bottom;
};
// A keypad phone around a 176 x 208 screen; `light` picks the silver body.
SPhoneSkin DrawS60Phone(bool light);
// A tall touch-screen phone around a 208 x 320 screen.
SPhoneSkin DrawUIQPhone();
