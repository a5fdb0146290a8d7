// Decoding a skin bitmap with Qt's image loader: once when its skin is listed
// (to know that it decodes, and its size) and again when it is selected. Both
// read the file only when it is a regular file of at most kSkinBitmapMaxBytes,
// so a FIFO or a device under a bitmap's name never blocks the program. Safe
// on any thread.
#pragma once

#include "display/SkinCheck.h"

#include <QImage>

#include <string>

// Whether the bitmap decodes in full, and its size. The format is the one the
// image loader finds in the bytes (a .bmp file may hold any format it reads).
// The reason names the system's error ("Permission denied").
SSkinBitmapInfo ReadSkinBitmapInfo(const std::string& strPath);

// The whole picture, or a null image with the reason in *pError (when given).
// A picture that the loader reads only in part (a file cut short) is null:
// its missing rows would show whatever memory held.
QImage DecodeSkinBitmap(const std::string& strPath, std::string* pError = nullptr);
