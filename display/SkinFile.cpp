#include "display/SkinFile.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstring>
#include <memory>

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

int DigitValue(int c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return 99;
}

} // namespace

bool ReadSkinInteger(std::FILE* f, int& value) {
    int c = std::fgetc(f);
    while (c != EOF && std::isspace(static_cast<unsigned char>(c)))
        c = std::fgetc(f);

    int taken = 0;
    bool negative = false;
    if (c == '+' || c == '-') {
        negative = c == '-';
        ++taken;
        c = std::fgetc(f);
    }

    int base = 10;
    bool anyDigit = false;
    if (c == '0' && taken < kSkinNumberMaxChars) {
        // A leading 0 is a digit by itself; 0x opens hexadecimal, else octal.
        anyDigit = true;
        ++taken;
        c = std::fgetc(f);
        base = 8;
        if ((c == 'x' || c == 'X') && taken < kSkinNumberMaxChars) {
            const int next = std::fgetc(f);
            if (next != EOF && DigitValue(next) < 16 && taken + 1 < kSkinNumberMaxChars) {
                ++taken; // the x
                base = 16;
                c = next;
            } else {
                // "0x" without a hexadecimal digit: the number is 0, the x stays unread.
                if (next != EOF)
                    std::ungetc(next, f);
            }
        }
    }

    long long v = 0;
    while (c != EOF && taken < kSkinNumberMaxChars && DigitValue(c) < base) {
        v = v * base + DigitValue(c);
        anyDigit = true;
        ++taken;
        c = std::fgetc(f);
    }
    if (c != EOF)
        std::ungetc(c, f);
    if (!anyDigit)
        return false;
    if (negative)
        v = -v;
    // At most 15 characters keep v within long long; an int takes the nearest value.
    if (v > INT_MAX)
        v = INT_MAX;
    if (v < INT_MIN)
        v = INT_MIN;
    value = static_cast<int>(v);
    return true;
}

std::optional<SSkinFile> ReadSkinFile(const std::string& path) {
    return ReadSkinFile(path, nullptr);
}

std::optional<SSkinFile> ReadSkinFile(const std::string& path, std::string* pProblem) {
    auto fail = [pProblem](std::string text) {
        if (pProblem)
            *pProblem = std::move(text);
        return std::nullopt;
    };
    std::unique_ptr<std::FILE, FileCloser> f(std::fopen(path.c_str(), "rb"));
    if (!f)
        return fail(std::string("cannot open the file: ") + std::strerror(errno));

    SSkinFile skin;
    // The name line. A carriage return counts only when no line feed follows it.
    bool pendingCR = false;
    for (;;) {
        const int c = std::fgetc(f.get());
        if (c == EOF)
            return fail("the first line (the skin's name) does not end in a line feed");
        if (c == '\n')
            break;
        if (pendingCR && skin.strName.size() < kSkinNameMax)
            skin.strName.push_back('\r');
        pendingCR = c == '\r';
        if (!pendingCR && skin.strName.size() < kSkinNameMax)
            skin.strName.push_back(static_cast<char>(c));
    }

    int* fields[] = {&skin.nPlatform, &skin.nLeft, &skin.nTop, &skin.nRight, &skin.nBottom};
    const char* fieldNames[] = {"platform", "left", "top", "right", "bottom"};
    for (int i = 0; i < 5; ++i) {
        if (!ReadSkinInteger(f.get(), *fields[i]))
            return fail(std::string("the ") + fieldNames[i] +
                        " number after the name line is missing or not a number");
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
