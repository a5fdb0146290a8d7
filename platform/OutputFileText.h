// What both backends of platform/OutputFile.h say and name alike: the
// sentences for the user and the temporary files' names. For the backends
// only.
#pragma once

#include <string>

namespace lumetto::output {

std::string Quoted(const std::string& s);
// "Cannot create "x": <system text>."
std::string CreateText(const std::string& strPath, const std::string& strSystemText);
// "Cannot write "x": <system text>."
std::string WriteText(const std::string& strPath, const std::string& strSystemText);
// strNaming (a quoted name, perhaps with where a link leads) " is a folder:
// choose a file name." or " is not a regular file: choose a file name."
std::string NotAFileText(const std::string& strNaming, bool bFolder);
// An unpredictable name for a temporary file: ".lumetto-" and 12 letters or
// digits.
std::string TemporaryName();
// How often a backend tries a new temporary name before giving up.
constexpr int kTemporaryAttempts = 100;

} // namespace lumetto::output
