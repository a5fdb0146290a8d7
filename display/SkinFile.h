// Reading one skin file.
//
// A skin file is text: its first line is the skin's menu name (the first 64
// characters count, the rest of the line is skipped), followed by five
// integers separated by any white space: platform, left, top, right, bottom.
// The integers are in C literal notation (decimal, 0x hexadecimal, leading-0
// octal, optional sign), at most 15 characters each. Anything after the fifth
// integer is ignored. A carriage return before a line feed is dropped.
//
// The skin's bitmap lies beside the file and is named after it: the file name
// up to its first "." followed by ".bmp".
#pragma once

#include <cstdio>
#include <optional>
#include <string>

struct SSkinFile {
    std::string strName;
    int nPlatform = 0;
    int nLeft = 0;
    int nTop = 0;
    int nRight = 0;
    int nBottom = 0;
};

constexpr std::size_t kSkinNameMax = 64;
constexpr int kSkinNumberMaxChars = 15;

// The skin described by the file at `path`, or nothing when it cannot be
// opened, its name line has no line feed, or an integer is missing or malformed.
std::optional<SSkinFile> ReadSkinFile(const std::string& path);
// The same, saying in *pProblem (when given) why the file gives no skin.
std::optional<SSkinFile> ReadSkinFile(const std::string& path, std::string* pProblem);

// Reads one integer in C literal notation from `f` after skipping white space,
// taking at most kSkinNumberMaxChars characters. False if none is there.
bool ReadSkinInteger(std::FILE* f, int& value);

// The bitmap path that goes with a skin file path.
std::string SkinBitmapPath(const std::string& skinFilePath);
