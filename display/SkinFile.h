// Reading skin files: one file, the rule that judges it, and the order in
// which a folder's files are read.
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
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

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

// The rule that decides whether one skin file gives a skin: the file reads as
// a name and five numbers and its bitmap decodes in full. The skin catalog and
// --check-skin both judge a file by this one rule, so the check says exactly
// what the list does.

// What the image loader makes of a skin's bitmap, after decoding all of it.
struct SSkinBitmapInfo {
    bool bLoads = false;
    int nWidth = 0;
    int nHeight = 0;
    std::string strError; // why it does not load
};

using SkinBitmapInfoFn = std::function<SSkinBitmapInfo(const std::string& strPath)>;

struct SSkinVerdict {
    std::string strPath;
    bool bRead = false;        // the file gave a name and five numbers
    SSkinFile skin;            // what was read, when bRead
    std::string strBitmapPath; // the bitmap that goes with the file, when bRead
    SSkinBitmapInfo bitmap;    // asked for when bRead
    // Why the file gives no skin; empty when it gives one.
    std::string strLeftOut;
};

// Reads the skin file and asks fnBitmap about its bitmap.
SSkinVerdict JudgeSkinFile(const std::string& strPath, const SkinBitmapInfoFn& fnBitmap);

// Why the bytes of a BMP file end before its pixels do ("it is cut short: the
// file ends after 5000 bytes, its pixels need 328566"), else empty; empty too for bytes that
// are no BMP (the image loader judges those). An image loader fills the rows
// it could not read with whatever its memory held.
std::string BmpCutShort(std::string_view bytes);

// The names of the skin files in a folder: those ending in ".lumetto" (in any
// letter case), in a stable order (by name, letter case ignored first).
std::vector<std::string> ListSkinFiles(const std::string& strFolder);
constexpr const char* kDefaultSkinFileName = "default.lumetto";
// The name of the folder's default file: "default.lumetto", or a name that
// differs from it only in letter case; empty when there is none.
std::string FindDefaultSkinFile(const std::string& strFolder);
// The paths of the skin files of a folder ending in '/', in reading order:
// the default file first, then every other skin file by name (a default file
// in another letter case comes twice). A missing folder holds none.
std::vector<std::string> SkinFilesOfFolder(const std::string& strFolder);
