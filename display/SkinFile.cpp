#include "display/SkinFile.h"

#include "display/RegularFile.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdint>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace {

int DigitValue(int c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return 99;
}

constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";

std::string Lower(std::string s) {
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// The little-endian number of nBytes bytes at `at`, signed when bSigned.
long long Le(std::string_view b, std::size_t at, std::size_t nBytes, bool bSigned = false) {
    std::uint32_t v = 0;
    for (std::size_t i = nBytes; i-- > 0;)
        v = v << 8 | static_cast<unsigned char>(b[at + i]);
    return bSigned ? static_cast<std::int32_t>(v) : static_cast<long long>(v);
}

// Whether an RLE8 (bRle4 false) or RLE4 stream from `pos` reaches its end
// marker, or its last row, before the bytes end.
bool RleComplete(std::string_view b, std::size_t pos, long long rows, bool bRle4) {
    for (long long row = 0; row < rows;) {
        if (pos + 2 > b.size())
            return false;
        const unsigned count = static_cast<unsigned char>(b[pos]);
        const unsigned code = static_cast<unsigned char>(b[pos + 1]);
        pos += 2;
        if (count != 0 || code == 0) { // a run, or the end of a row
            row += count == 0 ? 1 : 0;
        } else if (code == 1) { // the end of the picture
            return true;
        } else if (code == 2) { // a jump right and down
            if (pos + 2 > b.size())
                return false;
            row += static_cast<unsigned char>(b[pos + 1]);
            pos += 2;
        } else { // `code` pixels given one by one, padded to whole 16-bit words
            const std::size_t bytes = bRle4 ? (code + 1) / 2 : code;
            pos += bytes + bytes % 2;
            if (pos > b.size())
                return false;
        }
    }
    return true;
}

} // namespace

ESkinNumber ReadSkinInteger(std::string_view text, std::size_t& pos, int& value,
                            std::string* pTaken) {
    // The character at i, or -1 past the end.
    const auto at = [&text](std::size_t i) {
        return i < text.size() ? static_cast<unsigned char>(text[i]) : -1;
    };
    while (at(pos) != -1 && std::isspace(at(pos)))
        ++pos;
    const std::size_t start = pos;

    int taken = 0;
    bool negative = false;
    if (at(pos) == '+' || at(pos) == '-') {
        negative = at(pos) == '-';
        ++taken;
        ++pos;
    }

    int base = 10;
    bool anyDigit = false;
    if (at(pos) == '0' && taken < kSkinNumberMaxChars) {
        // A leading 0 is a digit by itself; 0x opens hexadecimal, else octal.
        anyDigit = true;
        ++taken;
        ++pos;
        base = 8;
        // "0x" without a hexadecimal digit after it is the number 0; the x stays unread.
        if ((at(pos) == 'x' || at(pos) == 'X') && taken + 1 < kSkinNumberMaxChars &&
            at(pos + 1) != -1 && DigitValue(at(pos + 1)) < 16) {
            ++taken;
            ++pos;
            base = 16;
        }
    }

    // At most 15 characters keep v within long long.
    long long v = 0;
    while (at(pos) != -1 && taken < kSkinNumberMaxChars && DigitValue(at(pos)) < base) {
        v = v * base + DigitValue(at(pos));
        anyDigit = true;
        ++taken;
        ++pos;
    }
    if (pTaken)
        pTaken->assign(text.substr(start, pos - start));
    if (!anyDigit)
        return ESkinNumber::Missing;
    if (negative)
        v = -v;
    if (v > INT_MAX || v < INT_MIN)
        return ESkinNumber::OutOfRange;
    value = static_cast<int>(v);
    return ESkinNumber::Read;
}

std::optional<SSkinFile> ReadSkinFile(const std::string& path) {
    return ReadSkinFile(path, nullptr);
}

std::optional<SSkinFile> ReadSkinFile(const std::string& path, std::string* pProblem) {
    std::string bytes, problem;
    if (!ReadRegularFile(path, kSkinFileMaxBytes, kSkinFileMaxBytes, bytes, problem)) {
        if (pProblem)
            *pProblem = problem;
        return std::nullopt;
    }
    return ParseSkinText(bytes, pProblem);
}

std::optional<SSkinFile> ParseSkinText(std::string_view text, std::string* pProblem) {
    auto fail = [pProblem](std::string why) {
        if (pProblem)
            *pProblem = std::move(why);
        return std::nullopt;
    };
    std::size_t pos = 0;
    // Editors on some systems begin a UTF-8 file with a byte order mark; it
    // is no part of the name.
    if (text.substr(0, kUtf8ByteOrderMark.size()) == kUtf8ByteOrderMark)
        pos = kUtf8ByteOrderMark.size();

    SSkinFile skin;
    // The name line. A carriage return counts only when no line feed follows it.
    bool pendingCR = false;
    for (;; ++pos) {
        if (pos >= text.size())
            return fail("the first line (the skin's name) does not end in a line feed");
        const char c = text[pos];
        if (c == '\n') {
            ++pos;
            break;
        }
        if (pendingCR && skin.strName.size() < kSkinNameMax)
            skin.strName.push_back('\r');
        pendingCR = c == '\r';
        if (!pendingCR && skin.strName.size() < kSkinNameMax)
            skin.strName.push_back(c);
    }

    int* fields[] = {&skin.nPlatform, &skin.nLeft, &skin.nTop, &skin.nRight, &skin.nBottom};
    const char* fieldNames[] = {"platform", "left", "top", "right", "bottom"};
    for (int i = 0; i < 5; ++i) {
        std::string taken;
        switch (ReadSkinInteger(text, pos, *fields[i], &taken)) {
        case ESkinNumber::Read:
            break;
        case ESkinNumber::Missing:
            return fail(std::string("the ") + fieldNames[i] +
                        " number after the name line is missing or not a number");
        case ESkinNumber::OutOfRange:
            return fail(std::string("the ") + fieldNames[i] + " number " + taken +
                        " lies beyond the range of whole numbers the program takes (" +
                        std::to_string(INT_MIN) + " to " + std::to_string(INT_MAX) + ")");
        }
    }
    return skin;
}

std::string SkinBitmapPath(const std::string& skinFilePath) {
    std::size_t nameStart = skinFilePath.find_last_of('/');
#ifdef _WIN32
    const std::size_t backslash = skinFilePath.find_last_of('\\');
    if (backslash != std::string::npos && (nameStart == std::string::npos || backslash > nameStart))
        nameStart = backslash;
#endif
    nameStart = nameStart == std::string::npos ? 0 : nameStart + 1;
    const std::size_t dot = skinFilePath.find('.', nameStart);
    return skinFilePath.substr(0, dot) + ".bmp";
}

SSkinVerdict JudgeSkinFile(const std::string& strPath, const SkinBitmapInfoFn& fnBitmap) {
    SSkinVerdict v;
    v.strPath = strPath;
    const std::optional<SSkinFile> skin = ReadSkinFile(strPath, &v.strLeftOut);
    if (!skin)
        return v;
    v.bRead = true;
    v.skin = *skin;
    v.strBitmapPath = SkinBitmapPath(strPath);
    if (fnBitmap)
        v.bitmap = fnBitmap(v.strBitmapPath);
    else
        v.bitmap.strError = "no image loader";
    if (!v.bitmap.bLoads) {
        v.strLeftOut = "the bitmap " + v.strBitmapPath + " does not load" +
                       (v.bitmap.strError.empty() ? "" : ": " + v.bitmap.strError);
    }
    return v;
}

//  0       2        6      10      14        18      22      26      28     30          34
// +----+--------+------+-------+--------+-------+--------+-------+-----+-------------+---
// | BM | (size) | (0)  | pixels| header | width | height |planes | bpp | compression | ...
// +----+--------+------+-------+--------+-------+--------+-------+-----+-------------+---
//                        start   size (12: width and height take 2 bytes each, no compression)
std::string BmpCutShort(std::string_view b) {
    if (b.size() < 26 || b.substr(0, 2) != "BM")
        return std::string();
    const long long headerSize = Le(b, 14, 4);
    const bool core = headerSize == 12;
    if (!core && (headerSize < 40 || b.size() < 34))
        return std::string();
    const long long width = core ? Le(b, 18, 2) : Le(b, 18, 4, true);
    long long height = core ? Le(b, 20, 2) : Le(b, 22, 4, true);
    height = height < 0 ? -height : height;
    const long long bpp = Le(b, core ? 24 : 28, 2);
    const long long compression = core ? 0 : Le(b, 30, 4);
    // The loader reads the pixels from their start, or from the end of the
    // header when the start lies before it.
    const long long start = std::max<long long>(Le(b, 10, 4), 14LL + headerSize);
    const auto cut = [&](long long need) {
        return "it is cut short: the file ends after " + std::to_string(b.size()) +
               " bytes, its pixels need " + (need > 0 ? std::to_string(need) : "more");
    };
    if (start >= static_cast<long long>(b.size()))
        return cut(start + 1);
    if ((compression == 1 && bpp == 8) || (compression == 2 && bpp == 4))
        return RleComplete(b, static_cast<std::size_t>(start), height, compression == 2)
                   ? std::string()
                   : cut(0);
    if (compression != 0 && compression != 3 && compression != 6)
        return std::string();
    const long long stride = (width * bpp + 31) / 32 * 4;
    const long long size = static_cast<long long>(b.size());
    if (width <= 0 || stride <= 0 || height <= (size - start) / stride)
        return std::string();
    return cut(height <= (LLONG_MAX - start) / stride ? start + stride * height : 0);
}

std::vector<std::string> ListSkinFiles(const std::string& strFolder) {
    static constexpr std::string_view kExtension = ".lumetto";
    std::vector<std::string> names;
    std::error_code ec;
    fs::directory_iterator it(strFolder, ec);
    for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.size() >= kExtension.size() &&
            Lower(name.substr(name.size() - kExtension.size())) == kExtension)
            names.push_back(name);
    }
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        const std::string la = Lower(a), lb = Lower(b);
        return la != lb ? la < lb : a < b;
    });
    return names;
}

std::string FindDefaultSkinFile(const std::string& strFolder) {
    std::error_code ec;
    if (fs::is_regular_file(fs::path(strFolder) / kDefaultSkinFileName, ec))
        return kDefaultSkinFileName;
    // File names are matched without regard to letter case, as on the
    // platform the skin folders come from.
    for (const std::string& name : ListSkinFiles(strFolder)) {
        if (Lower(name) == kDefaultSkinFileName)
            return name;
    }
    return std::string();
}

std::vector<std::string> SkinFilesOfFolder(const std::string& strFolder) {
    std::vector<std::string> paths;
    if (const std::string name = FindDefaultSkinFile(strFolder); !name.empty())
        paths.push_back(strFolder + name);
    for (const std::string& name : ListSkinFiles(strFolder)) {
        // Only the exact name is the default file already read.
        if (name != kDefaultSkinFileName)
            paths.push_back(strFolder + name);
    }
    return paths;
}
