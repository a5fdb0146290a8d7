#include "platform/LineEnd.h"

#include "platform/Event.h"
#include "platform/SerialDevice.h"
#include "platform/SystemError.h"
#include "platform/win32/Utf16.h"

#include <windows.h>

struct CLineEnd::Native {
    HANDLE hFile = INVALID_HANDLE_VALUE; // a file or a path that is no serial device
    bool bOwnsFile = false;              // false for standard output
    CSerialDevice device;                // a serial device opened by OpenPort
    CEvent never;                        // stands in for the events Wait has no use for
};

namespace {

std::string LastText() {
    return SystemErrorText(static_cast<int>(::GetLastError()));
}

} // namespace

CLineEnd::CLineEnd() : m_pNative(std::make_unique<Native>()) {}

CLineEnd::~CLineEnd() {
    Close();
}

void CLineEnd::Close() {
    if (m_pNative->device.IsOpen())
        m_pNative->device.Close();
    if (m_pNative->hFile != INVALID_HANDLE_VALUE && m_pNative->bOwnsFile)
        ::CloseHandle(m_pNative->hFile);
    m_pNative->hFile = INVALID_HANDLE_VALUE;
    m_pNative->bOwnsFile = false;
    m_eKind = Kind::None;
    m_bTalksBack = false;
}

bool CLineEnd::OpenFile(const std::string& strPath, std::string& strSystemText) {
    Close();
    HANDLE h = INVALID_HANDLE_VALUE;
    if (strPath == "-") {
        h = ::GetStdHandle(STD_OUTPUT_HANDLE);
    } else {
        h = ::CreateFileW(Utf16FromUtf8(strPath).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                          CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        m_pNative->bOwnsFile = true;
    }
    if (h == INVALID_HANDLE_VALUE || h == nullptr) {
        strSystemText = LastText();
        m_pNative->bOwnsFile = false;
        return false;
    }
    m_pNative->hFile = h;
    m_eKind = Kind::File;
    return true;
}

bool CLineEnd::OpenPort(const std::string& strPath, std::string& strSystemText, bool& bOpened) {
    Close();
    bOpened = false;
    CSerialDevice& device = m_pNative->device;
    if (device.Open(strPath)) {
        bOpened = true;
        if (!device.SetLineSettings(LineSettings{})) {
            strSystemText = SystemErrorText(LastSystemError());
            device.Close();
            return false;
        }
        m_eKind = Kind::Port;
        m_bTalksBack = true;
        return true;
    }
    if (::GetLastError() != ERROR_INVALID_FUNCTION) { // a busy port, no such port...
        strSystemText = LastText();
        return false;
    }
    // Not a serial device: written as a file that does not talk back.
    const HANDLE h = ::CreateFileW(Utf16FromUtf8(strPath).c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                                   nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        strSystemText = LastText();
        return false;
    }
    if (::GetFileType(h) == FILE_TYPE_DISK)
        ::SetEndOfFile(h);
    m_pNative->hFile = h;
    m_pNative->bOwnsFile = true;
    m_eKind = Kind::Port;
    return true;
}

bool CLineEnd::OpenPty(std::string&, std::string& strSystemText, bool& bCreated) {
    Close();
    bCreated = false;
    strSystemText = SystemErrorText(ERROR_NOT_SUPPORTED) +
                    " (pseudo-terminals exist on Linux; on Windows give a COM port or a file)";
    return false;
}

bool CLineEnd::Wait(int nTimeoutMs, bool bWantWrite, CEvent* pWake, Ready& ready,
                    std::string& strSystemText) {
    ready = Ready{};
    // A file, and a port with its own write time limit, always take bytes.
    if (bWantWrite)
        nTimeoutMs = 0;
    CEvent& wake = pWake != nullptr ? *pWake : m_pNative->never;
    bool bWoken = false;
    if (!m_pNative->device.IsOpen()) {
        bWoken = wake.Wait(nTimeoutMs);
        ready.bWritable = bWantWrite;
    } else {
        const CSerialDevice::WaitResult r =
            m_pNative->device.Wait(wake, true, m_pNative->never, nTimeoutMs);
        if (r.eReady == CSerialDevice::Ready::Failed) {
            strSystemText = SystemErrorText(LastSystemError());
            return false;
        }
        bWoken = r.eReady == CSerialDevice::Ready::Stop;
        ready.bReadable = r.eReady == CSerialDevice::Ready::Port;
        ready.bHangup = r.bHangup;
        ready.bWritable = bWantWrite;
    }
    if (bWoken)
        wake.Reset();
    return true;
}

long CLineEnd::Read(char* pBuffer, std::size_t nMax, std::string& strSystemText) {
    if (!m_pNative->device.IsOpen())
        return 0;
    const long n = m_pNative->device.Read(reinterpret_cast<std::uint8_t*>(pBuffer), nMax);
    if (n >= 0 || LastSystemError() == kSystemWouldBlock)
        return n > 0 ? n : 0;
    strSystemText = SystemErrorText(LastSystemError());
    return kFailed;
}

long CLineEnd::Write(const std::uint8_t* pData, std::size_t nLength, std::string& strSystemText) {
    if (m_pNative->device.IsOpen()) {
        const std::size_t n = m_pNative->device.Write(pData, nLength, 1000);
        if (n == 0 && LastSystemError() != kSystemTimedOut) {
            strSystemText = SystemErrorText(LastSystemError());
            return kFailed;
        }
        return static_cast<long>(n);
    }
    DWORD dwWritten = 0;
    const DWORD dwWant = static_cast<DWORD>(nLength < (1u << 30) ? nLength : (1u << 30));
    if (!::WriteFile(m_pNative->hFile, pData, dwWant, &dwWritten, nullptr)) {
        strSystemText = LastText();
        return kFailed;
    }
    return static_cast<long>(dwWritten);
}

bool CLineEnd::HasReader() {
    return IsOpen();
}

long CLineEnd::Untaken() {
    return kUnknown;
}
