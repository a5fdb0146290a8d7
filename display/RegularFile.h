// The size limits of a skin folder's files, read by the platform layer's
// ReadRegularFile: the program reads these folders at start, before any time
// limit or signal handler exists, so nothing there may block or run on.
#pragma once

#include "platform/RegularFile.h"

#include <cstddef>

// A skin file needs its first two lines; a bitmap is a picture of a phone.
constexpr std::size_t kSkinFileMaxBytes = 64 * 1024;
constexpr std::size_t kSkinBitmapMaxBytes = 64 * 1024 * 1024;
