// A shared library of the program's own, opened while it runs (the video
// encoder module): dlopen on POSIX, LoadLibraryW on Windows.
#pragma once

#include <string>

// Opens strPath, resolving all its symbols now and keeping them to itself.
// Null with strError the system's reason when it cannot be opened.
void* OpenSharedLibrary(const std::string& strPath, std::string& strError);
// The address of the exported symbol pName, or null.
void* SharedLibrarySymbol(void* pLibrary, const char* pName);
void CloseSharedLibrary(void* pLibrary);
