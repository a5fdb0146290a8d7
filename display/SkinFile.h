// Reading one skin file.
//
// A skin file is text: its first line is the skin's menu name (the first 64
// characters count, the rest of the line is skipped), followed by five
// integers separated by any white space: platform, left, top, right, bottom.
// The integers are in C literal notation (decimal, 0x hexadecimal, leading-0
// octal, optional sign), at most 15 characters each, and must lie within the
// range of an int. Anything after the fifth integer is ignored. A carriage
// return before a line feed is dropped, and so is a UTF-8 byte order mark at
// the start of the file.
//
// The skin's bitmap lies beside the file and is named after it: the file name
// up to its first "." followed by ".bmp".
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

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

// The skin described by the file at `path`, or nothing when it is not a
// regular file of at most kSkinFileMaxBytes, cannot be read, its name line has
// no line feed, or an integer is missing, malformed or out of range.
std::optional<SSkinFile> ReadSkinFile(const std::string& path);
// The same, saying in *pProblem (when given) why the file gives no skin.
std::optional<SSkinFile> ReadSkinFile(const std::string& path, std::string* pProblem);

// The skin described by a skin file's bytes.
std::optional<SSkinFile> ParseSkinText(std::string_view text, std::string* pProblem);

enum class ESkinNumber { Read, Missing, OutOfRange };
// Reads one integer in C literal notation from text at pos after skipping
// white space, taking at most kSkinNumberMaxChars characters; pos moves past
// what was taken. *pTaken (when given) gets the characters taken.
ESkinNumber ReadSkinInteger(std::string_view text, std::size_t& pos, int& value,
                            std::string* pTaken = nullptr);

// The bitmap path that goes with a skin file path.
std::string SkinBitmapPath(const std::string& skinFilePath);
