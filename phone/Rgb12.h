// Reduces a Qt image to the phone's 12-bit colours.
#pragma once

#include <cstdint>
#include <vector>

class QImage;

// Each 8-bit component becomes the nearest 4-bit one; pic gets width x height
// words 0x0RGB, top row first.
void ToRgb12(const QImage& image, std::vector<std::uint16_t>& pic);
