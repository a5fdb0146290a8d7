#include "platform/SharedLibrary.h"

#include "platform/SystemError.h"
#include "platform/win32/Utf16.h"

#include <windows.h>

void* OpenSharedLibrary(const std::string& strPath, std::string& strError) {
    HMODULE hLibrary = ::LoadLibraryW(Utf16FromUtf8(strPath).c_str());
    if (!hLibrary)
        strError = strPath + ": " + SystemErrorText(static_cast<int>(::GetLastError()));
    return reinterpret_cast<void*>(hLibrary);
}

void* SharedLibrarySymbol(void* pLibrary, const char* pName) {
    return reinterpret_cast<void*>(::GetProcAddress(static_cast<HMODULE>(pLibrary), pName));
}

void CloseSharedLibrary(void* pLibrary) {
    ::FreeLibrary(static_cast<HMODULE>(pLibrary));
}
