// The held screen picture (bottom row first, blue-green-red, a slack row on
// top) as a Qt image: top row first, 32 bits a pixel (0xffRRGGBB), exactly
// the phone's screen, for PNG files, the clipboard and MP4 movies.
#pragma once

#include <QImage>

class CScreenDib;

// The whole picture as a new image.
QImage ScreenImage(const CScreenDib& dib);

// Copies picture rows [nFirst, nEnd) (top row 0) into img, an image of the
// picture's size in QImage::Format_RGB32.
void CopyScreenRows(const CScreenDib& dib, QImage& img, int nFirst, int nEnd);
