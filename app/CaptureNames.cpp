#include "app/CaptureNames.h"

#include <limits>

#include <cctype>
#include <cstdio>

std::string TimestampedName(const std::tm& t) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "Lumetto %04d-%02d-%02d %02d.%02d.%02d", t.tm_year + 1900,
                  t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec);
    return buf;
}

std::string FreeFileName(const std::string& strFolder, const std::string& strBase,
                         const std::string& strExt,
                         const std::function<bool(const std::string&)>& exists) {
    std::string path = strFolder + "/" + strBase + "." + strExt;
    for (int n = 2; exists(path) && n < 10000; ++n)
        path = strFolder + "/" + strBase + " (" + std::to_string(n) + ")." + strExt;
    return path;
}

std::string FileNameOf(const std::string& strPath) {
    const std::size_t slash = strPath.rfind('/');
    return slash == std::string::npos ? strPath : strPath.substr(slash + 1);
}

std::string NumberedPath(const std::string& strPath, int n) {
    if (n <= 1)
        return strPath;
    const std::size_t nameStart = strPath.size() - FileNameOf(strPath).size();
    std::size_t dot = strPath.rfind('.');
    // A dot that starts the name (".hidden") or lies in a folder is no extension.
    if (dot == std::string::npos || dot <= nameStart)
        dot = strPath.size();
    return strPath.substr(0, dot) + "-" + std::to_string(n) + strPath.substr(dot);
}

std::string FreeNumberedPath(const std::string& strPath, int& n,
                             const std::function<bool(const std::string&)>& exists) {
    if (n <= 1)
        return strPath;
    std::string path = NumberedPath(strPath, n);
    while (exists(path) && n < std::numeric_limits<int>::max())
        path = NumberedPath(strPath, ++n);
    return path;
}

bool HasExtension(const std::string& strPath, const std::string& strExt) {
    const std::string name = FileNameOf(strPath);
    if (name.size() <= strExt.size() + 1 || name[name.size() - strExt.size() - 1] != '.')
        return false;
    for (std::size_t i = 0; i < strExt.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(name[name.size() - strExt.size() + i])) !=
            std::tolower(static_cast<unsigned char>(strExt[i])))
            return false;
    return true;
}
