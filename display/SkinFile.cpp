#include "display/SkinFile.h"

#include "display/RegularFile.h"

#include <cctype>
#include <climits>

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
