#include "platform/OutputFile.h"
#include "platform/OutputFileText.h"

#include <random>

namespace lumetto {

namespace output {

std::string Quoted(const std::string& s) {
    return "\"" + s + "\"";
}

std::string CreateText(const std::string& strPath, const std::string& strSystemText) {
    return "Cannot create " + Quoted(strPath) + ": " + strSystemText + ".";
}

std::string WriteText(const std::string& strPath, const std::string& strSystemText) {
    return "Cannot write " + Quoted(strPath) + ": " + strSystemText + ".";
}

std::string NotAFileText(const std::string& strNaming, bool bFolder) {
    return strNaming + (bFolder ? " is a folder: choose a file name."
                                : " is not a regular file: choose a file name.");
}

std::string TemporaryName() {
    static constexpr char kLetters[] =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::random_device random;
    std::uniform_int_distribution<int> pick(0, sizeof kLetters - 2);
    std::string strName = ".lumetto-";
    for (int i = 0; i < 12; ++i)
        strName += kLetters[pick(random)];
    return strName;
}

} // namespace output

bool WriteFileReplacing(const std::string& strPath, const void* pData, std::size_t nSize,
                        std::string& strError) {
    return WriteFileReplacing(strPath, {OutputPiece{pData, nSize}}, strError);
}

int OpenOutputInPlace(const std::string& strPath, std::string& strError) {
    std::string strResolved;
    bool bCreated = false;
    return OpenOutputInPlace(strPath, strResolved, bCreated, strError);
}

} // namespace lumetto
