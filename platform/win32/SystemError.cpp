#include "platform/SystemError.h"

#include "platform/win32/Utf16.h"

#include <windows.h>

const int kSystemNotFound = ERROR_FILE_NOT_FOUND;
const int kSystemIoError = ERROR_GEN_FAILURE;
const int kSystemTimedOut = ERROR_TIMEOUT;
const int kSystemCancelled = ERROR_OPERATION_ABORTED;
const int kSystemWouldBlock = ERROR_NO_DATA;
// Win32 waits are not interrupted by signals; no call reports this.
const int kSystemInterrupted = -1;

int LastSystemError() {
    return static_cast<int>(::GetLastError());
}

void SetLastSystemError(int nCode) {
    ::SetLastError(static_cast<DWORD>(nCode));
}

std::string SystemErrorText(int nCode) {
    wchar_t* pText = nullptr;
    const DWORD n = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, static_cast<DWORD>(nCode), 0, reinterpret_cast<wchar_t*>(&pText), 0, nullptr);
    std::wstring text = n > 0 && pText != nullptr ? std::wstring(pText, n) : std::wstring();
    if (pText != nullptr)
        ::LocalFree(pText);
    // The system's texts end with a full stop and a line break; the program
    // puts them into sentences of its own, as it does the POSIX texts.
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' '))
        text.pop_back();
    if (!text.empty() && text.back() == L'.')
        text.pop_back();
    if (text.empty())
        return "Unknown error " + std::to_string(nCode);
    return Utf8FromUtf16(text);
}

bool AdviceReplacesSystemText(int nCode) {
    return nCode == ERROR_INVALID_FUNCTION;
}

// Windows grants a COM port by its security descriptor, not by mode bits and
// groups: there is nothing of this kind to read.
bool ReadDeviceAccess(const std::string& /*strPath*/, DeviceAccess& /*access*/) {
    return false;
}

std::string PermissionAdvice(const std::string& strDevice, const DeviceAccess& /*access*/) {
    return "Your user may not open " + strDevice + ".";
}

std::string PortOpenAdvice(int nCode, const std::string& strPortName,
                           const std::string& strDevice) {
    switch (nCode) {
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
        // Windows opens a COM port for one program at a time and answers a
        // second open with "access denied".
        return strPortName + " is in use by another program. Close that program or choose "
                             "another port.";
    case ERROR_INVALID_FUNCTION:
        return strPortName + " is not a serial port. Choose the phone's COM port.";
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        if (strDevice.empty())
            return "No serial port is known as " + strPortName + ". Choose a port from the list.";
        return strPortName + " does not exist. Check that the phone is connected.";
    default:
        return {};
    }
}
