#include "platform/Folders.h"

#include "platform/win32/Utf16.h"

#include <vector>
#include <windows.h>

#include <shlobj.h> // after windows.h, whose types it uses

std::string RunningProgramFolder() {
    // Long paths: the buffer grows until the whole name fits.
    std::vector<wchar_t> buf(MAX_PATH);
    for (;;) {
        const DWORD n = ::GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
        if (n == 0)
            return std::string();
        if (n < buf.size()) {
            std::wstring path(buf.data(), n);
            const std::size_t cut = path.find_last_of(L"\\/");
            return cut == std::wstring::npos ? std::string()
                                             : Utf8FromUtf16(path.substr(0, cut + 1));
        }
        buf.resize(buf.size() * 2);
    }
}

std::string UserDataFolder() {
    wchar_t* pPath = nullptr;
    std::string folder;
    if (::SHGetKnownFolderPath(FOLDERID_RoamingAppData, 0, nullptr, &pPath) == S_OK)
        folder = Utf8FromUtf16(pPath) + "/";
    ::CoTaskMemFree(pPath);
    return folder;
}
