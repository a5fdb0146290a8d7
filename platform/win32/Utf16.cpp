#include "platform/win32/Utf16.h"

#include <windows.h>

std::wstring Utf16FromUtf8(const std::string& strText) {
    if (strText.empty())
        return {};
    const int nLength = static_cast<int>(strText.size());
    const int n = ::MultiByteToWideChar(CP_UTF8, 0, strText.data(), nLength, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0)
        ::MultiByteToWideChar(CP_UTF8, 0, strText.data(), nLength, wide.data(), n);
    return wide;
}

std::string Utf8FromUtf16(const std::wstring& strText) {
    if (strText.empty())
        return {};
    const int nLength = static_cast<int>(strText.size());
    const int n =
        ::WideCharToMultiByte(CP_UTF8, 0, strText.data(), nLength, nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
    if (n > 0)
        ::WideCharToMultiByte(CP_UTF8, 0, strText.data(), nLength, narrow.data(), n, nullptr,
                              nullptr);
    return narrow;
}
