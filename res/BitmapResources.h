// The bitmaps built into the program, by resource id.
#pragma once

#include <QIcon>
#include <QImage>

// Bitmap 140, 143, 201 or 202 (or the icon picture 128); a null image for any
// other id.
QImage LoadBitmapResource(int nId);

// The application icon (128).
QIcon ApplicationIcon();
