#include "platform/Console.h"

#include "platform/Event.h"
#include "platform/SystemError.h"
#include "platform/win32/Utf16.h"

#include <atomic>
#include <cstdio>
#include <io.h>
#include <mutex>
#include <windows.h>

#include <shellapi.h> // after windows.h, whose types it uses

namespace {

CEvent* g_pStopEvent = nullptr;
std::atomic<int> g_nStops{0};

// Runs on a thread the system starts for the console event.
BOOL WINAPI OnConsoleEvent(DWORD dwType) {
    if (dwType != CTRL_C_EVENT && dwType != CTRL_BREAK_EVENT && dwType != CTRL_CLOSE_EVENT)
        return FALSE;
    g_nStops.fetch_add(1);
    if (g_pStopEvent != nullptr)
        g_pStopEvent->Set();
    return TRUE;
}

} // namespace

std::vector<std::string> ProgramArguments(int argc, char** argv) {
    int nArgs = 0;
    wchar_t** ppArgs = ::CommandLineToArgvW(::GetCommandLineW(), &nArgs);
    if (ppArgs == nullptr)
        return std::vector<std::string>(argv, argv + argc);
    std::vector<std::string> args;
    for (int i = 0; i < nArgs; ++i)
        args.push_back(Utf8FromUtf16(ppArgs[i]));
    ::LocalFree(ppArgs);
    return args;
}

void UseBinaryStandardStreams() {
    // _O_BINARY, the Microsoft C runtime's documented value for "no line-end
    // translation", named here rather than through the POSIX-style header.
    constexpr int kBinaryMode = 0x8000;
    ::_setmode(::_fileno(stdin), kBinaryMode);
    ::_setmode(::_fileno(stdout), kBinaryMode);
}

std::FILE* OpenForReading(const std::string& strPath) {
    return ::_wfopen(Utf16FromUtf8(strPath).c_str(), L"rb");
}

bool MakeFolder(const std::string& strPath, std::string& strError) {
    if (::CreateDirectoryW(Utf16FromUtf8(strPath).c_str(), nullptr) ||
        ::GetLastError() == ERROR_ALREADY_EXISTS)
        return true;
    strError = SystemErrorText(static_cast<int>(::GetLastError()));
    return false;
}

CEvent* InstallConsoleStop(bool /*bInterruptCalls*/) {
    static std::once_flag once;
    std::call_once(once, [] {
        auto* pEvent = new CEvent; // lives as long as the process
        if (pEvent->IsValid())
            g_pStopEvent = pEvent;
    });
    if (g_pStopEvent == nullptr || !::SetConsoleCtrlHandler(OnConsoleEvent, TRUE))
        return nullptr;
    return g_pStopEvent;
}

int ConsoleStopCount() {
    return g_nStops.load();
}

void RemoveConsoleStop() {
    ::SetConsoleCtrlHandler(OnConsoleEvent, FALSE);
}
