// Screenshots: the file of Capture screen and --capture, Quick capture and
// Copy screen. The name's extension picks the format: ".bmp" (and a name
// without extension) the 24-bit BMP with its white slack row that the program
// has always written; ".png" a lossless PNG of exactly the phone's screen;
// any other extension one of Qt's image writers knows (".jpg", ".webp" where
// its plugin is installed ...) that format, at its best quality.
#pragma once

#include <string>
#include <vector>

class CScreenDib;

// The extensions a screenshot's name may have (lower case, "bmp" and "png"
// first), and whether strPath has one of them (or none at all).
std::vector<std::string> ScreenshotExtensions();
bool IsScreenshotName(const std::string& strPath, std::string& strError);
// The save dialog's types: "PNG images (*.png)|*.png|BMP files (*.bmp)|*.bmp|
// JPEG images (*.jpg)|*.jpg|...||".
std::string ScreenshotFilter();

// Writes the picture to strPath in the format its name asks for. False with
// strError a sentence for the user; the file is then unchanged.
bool SaveScreenPicture(const CScreenDib& dib, const std::string& strPath, std::string& strError);

// The folder of quick captures: "Lumetto" in the user's pictures folder.
std::string QuickCaptureFolder();

// Saves a PNG into the quick-capture folder (made when missing) as
// "Lumetto YYYY-MM-DD HH.MM.SS.png", " (2)" added when that name is taken.
// True with strPath the file written; false with strError.
bool QuickCapture(const CScreenDib& dib, std::string& strPath, std::string& strError);

// Puts the picture on the clipboard as an image.
void CopyScreenToClipboard(const CScreenDib& dib);
