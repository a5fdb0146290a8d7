// The names the program gives the files it makes: the suggested name of the
// save dialogs and of a quick capture, the numbered names of the movies of
// one --record run, and the format a name asks for.
#pragma once

#include <ctime>
#include <functional>
#include <string>

// "Lumetto YYYY-MM-DD HH.MM.SS" for the local time t.
std::string TimestampedName(const std::tm& t);

// strFolder/strBase.strExt, or strFolder/strBase (2).strExt, (3) ... the
// first that exists() says is free. strFolder ends without '/'.
std::string FreeFileName(const std::string& strFolder, const std::string& strBase,
                         const std::string& strExt,
                         const std::function<bool(const std::string&)>& exists);

// The nth movie of a --record run: n = 1 is strPath itself; then the number
// goes before the extension of the file name ("talk.mp4" -> "talk-2.mp4",
// "talk" -> "talk-2").
std::string NumberedPath(const std::string& strPath, int n);

// The name of the nth movie of a run (NumberedPath) that replaces nothing:
// for n >= 2 the first number from n on whose name exists() says is free; n
// is set to the number taken. n = 1 is strPath itself, which the user chose
// to replace.
std::string FreeNumberedPath(const std::string& strPath, int& n,
                             const std::function<bool(const std::string&)>& exists);

// Whether the file name ends in "." + strExt, in any case.
bool HasExtension(const std::string& strPath, const std::string& strExt);

// The file name without its folder.
std::string FileNameOf(const std::string& strPath);
