// What the image loader makes of a skin bitmap, for the skin check.
#pragma once

#include "display/SkinCheck.h"

#include <string>

// Loads the bitmap as the skin window would and gives its size, or why it
// does not load.
SSkinBitmapInfo ReadSkinBitmapInfo(const std::string& strPath);
