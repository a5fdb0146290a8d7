// A small 5 x 7 pixel font for the pictures the resource generator draws.
#pragma once

// Seven rows of five characters each, '#' for a set pixel; null if the font
// has no glyph for c.
const char* const* Glyph5x7(char c);
