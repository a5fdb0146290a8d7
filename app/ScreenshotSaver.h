// Screenshots: the file of Capture screen and --capture, Quick capture and
// Copy screen. A name ending in ".png" gets a PNG of exactly the phone's
// screen, lossless; any other name the 24-bit BMP with its white slack row
// that the program has always written.
#pragma once

#include <string>

class CScreenDib;

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
