// Text between the program (UTF-8) and the wide-character Win32 calls
// (UTF-16); the ANSI code page is never used.
#pragma once

#include <string>

std::wstring Utf16FromUtf8(const std::string& strText);
std::string Utf8FromUtf16(const std::wstring& strText);
