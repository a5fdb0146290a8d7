// What the image loader makes of a skin bitmap, from the file's header only,
// and the decoding of the whole picture when its skin is selected. Both read
// the file only when it is a regular file of at most kSkinBitmapMaxBytes, so a
// FIFO or a device under a bitmap's name never blocks the program.
#pragma once

#include "display/SkinCheck.h"

#include <QImage>

#include <string>

// Whether the bitmap loads and its size, from its first bytes: the scan of the
// skin folders asks this of every skin and must stay cheap. The format is the
// one the image loader finds in the bytes (a .bmp file may hold any format it
// reads). The reason names the system's error ("Permission denied").
SSkinBitmapInfo ReadSkinBitmapInfo(const std::string& strPath);

// The whole picture, or a null image with the reason in *pError (when given).
QImage DecodeSkinBitmap(const std::string& strPath, std::string* pError = nullptr);
