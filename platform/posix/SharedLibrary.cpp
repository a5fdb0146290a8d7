#include "platform/SharedLibrary.h"

#include <dlfcn.h>

void* OpenSharedLibrary(const std::string& strPath, std::string& strError) {
    void* pLibrary = ::dlopen(strPath.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!pLibrary) {
        const char* pError = ::dlerror();
        strError = pError ? pError : strPath + " could not be opened";
    }
    return pLibrary;
}

void* SharedLibrarySymbol(void* pLibrary, const char* pName) {
    return ::dlsym(pLibrary, pName);
}

void CloseSharedLibrary(void* pLibrary) {
    ::dlclose(pLibrary);
}
