// A COM port through the Win32 communications calls, opened for overlapped
// I/O so that one thread can wait for received bytes (WaitCommEvent), a stop
// request and a send request at once (WaitForMultipleObjects).
#include "platform/SerialDevice.h"

#include "platform/Event.h"
#include "platform/SystemError.h"
#include "platform/win32/Utf16.h"

#include <algorithm>
#include <chrono>
#include <windows.h>

struct CSerialDevice::Native {
    HANDLE hPort = INVALID_HANDLE_VALUE;
    // The pending WaitCommEvent of the serving thread, if any.
    OVERLAPPED ovWait{};
    DWORD dwEvents = 0;
    bool bWaitPending = false;
    HANDLE hReadDone = nullptr;
    HANDLE hWriteDone = nullptr;

    // Ends a pending WaitCommEvent. Windows ends it when the event mask
    // changes and when it is cancelled; Wine ends it only for the mask.
    void EndWait() {
        if (!bWaitPending)
            return;
        ::SetCommMask(hPort, 0);
        ::CancelIoEx(hPort, &ovWait);
        DWORD dw = 0;
        ::GetOverlappedResult(hPort, &ovWait, &dw, TRUE);
        bWaitPending = false;
    }
};

namespace {

using Clock = std::chrono::steady_clock;

// Received bytes and line errors end a wait; a device that goes away makes
// the wait itself fail.
constexpr DWORD kEventMask = EV_RXCHAR | EV_ERR;

DWORD MsLeft(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left <= 0 ? 0 : static_cast<DWORD>(std::min<long long>(left, 1 << 30));
}

} // namespace

CSerialDevice::CSerialDevice() : m_pNative(std::make_unique<Native>()) {
    m_pNative->ovWait.hEvent = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    m_pNative->hReadDone = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    m_pNative->hWriteDone = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
}

CSerialDevice::~CSerialDevice() {
    Close();
    for (HANDLE h : {m_pNative->ovWait.hEvent, m_pNative->hReadDone, m_pNative->hWriteDone})
        if (h != nullptr)
            ::CloseHandle(h);
}

bool CSerialDevice::IsOpen() const {
    return m_pNative->hPort != INVALID_HANDLE_VALUE;
}

bool CSerialDevice::Open(const std::string& strPath) {
    Close();
    Native& n = *m_pNative;
    if (n.ovWait.hEvent == nullptr || n.hReadDone == nullptr || n.hWriteDone == nullptr)
        return false; // GetLastError() still tells why CreateEvent failed
    // No sharing: Windows refuses a second open of the port with
    // ERROR_ACCESS_DENIED, as long as this handle is open.
    const HANDLE h = ::CreateFileW(Utf16FromUtf8(strPath).c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                   nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!::GetCommState(h, &dcb)) {
        ::CloseHandle(h);
        ::SetLastError(ERROR_INVALID_FUNCTION); // a file or device that is no COM port
        return false;
    }
    // Reads return at once with what has arrived; writes have no time limit
    // of the driver's (Write keeps its own).
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = MAXDWORD;
    if (!::SetCommTimeouts(h, &timeouts) || !::SetCommMask(h, kEventMask)) {
        const DWORD dwError = ::GetLastError();
        ::CloseHandle(h);
        ::SetLastError(dwError);
        return false;
    }
    n.hPort = h;
    return true;
}

void CSerialDevice::Close() {
    Native& n = *m_pNative;
    if (n.hPort == INVALID_HANDLE_VALUE)
        return;
    n.EndWait();
    // Output the line has not taken would hold the close: discard it.
    DWORD dwErrors = 0;
    COMSTAT stat{};
    if (::ClearCommError(n.hPort, &dwErrors, &stat) && stat.cbOutQue > 0)
        ::PurgeComm(n.hPort, PURGE_TXABORT | PURGE_TXCLEAR);
    ::CloseHandle(n.hPort);
    n.hPort = INVALID_HANDLE_VALUE;
}

bool CSerialDevice::SetLineSettings(const LineSettings& settings) {
    const HANDLE h = m_pNative->hPort;
    if (h == INVALID_HANDLE_VALUE) {
        ::SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    const char cParity = static_cast<char>(settings.cParity & ~0x20); // upper case
    if (settings.nDataBits < 5 || settings.nDataBits > 8 ||
        (settings.nStopBits != 1 && settings.nStopBits != 2) ||
        (cParity != 'N' && cParity != 'E' && cParity != 'O')) {
        ::SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!::GetCommState(h, &dcb))
        return false;
    const std::wstring strDef = L"baud=" + std::to_wstring(settings.nBaud) + L" parity=" +
                                static_cast<wchar_t>(cParity) + L" data=" +
                                std::to_wstring(settings.nDataBits) + L" stop=" +
                                std::to_wstring(settings.nStopBits);
    if (!::BuildCommDCBW(strDef.c_str(), &dcb))
        return false;
    // Raw bytes: no flow control, no character replaced or dropped, and a
    // line error does not stop reading.
    dcb.fBinary = TRUE;
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.fErrorChar = FALSE;
    dcb.fNull = FALSE;
    dcb.fAbortOnError = FALSE;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
    return ::SetCommState(h, &dcb) != FALSE;
}

bool CSerialDevice::RaiseModemLines() {
    const HANDLE h = m_pNative->hPort;
    if (h == INVALID_HANDLE_VALUE) {
        ::SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    if (::EscapeCommFunction(h, SETRTS) && ::EscapeCommFunction(h, SETDTR))
        return true;
    // A port without modem-control lines (a virtual port) refuses this.
    const DWORD dwError = ::GetLastError();
    return dwError == ERROR_INVALID_FUNCTION || dwError == ERROR_NOT_SUPPORTED ||
           dwError == ERROR_INVALID_PARAMETER;
}

bool CSerialDevice::Flush() {
    const HANDLE h = m_pNative->hPort;
    if (h == INVALID_HANDLE_VALUE) {
        ::SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    return ::PurgeComm(h, PURGE_RXCLEAR | PURGE_TXCLEAR) != FALSE;
}

long CSerialDevice::BytesQueued() const {
    DWORD dwErrors = 0;
    COMSTAT stat{};
    if (m_pNative->hPort == INVALID_HANDLE_VALUE ||
        !::ClearCommError(m_pNative->hPort, &dwErrors, &stat))
        return -1;
    return static_cast<long>(stat.cbInQue);
}

long CSerialDevice::Read(std::uint8_t* pBuffer, std::size_t nMax) {
    Native& n = *m_pNative;
    if (n.hPort == INVALID_HANDLE_VALUE) {
        ::SetLastError(ERROR_INVALID_HANDLE);
        return -1;
    }
    // Only what the driver holds is asked for, so the read never waits (Wine
    // may leave a larger read pending despite the time-outs).
    const long nQueued = BytesQueued();
    if (nQueued < 0)
        return -1;
    DWORD dwRead = 0;
    if (nQueued > 0) {
        OVERLAPPED ov{};
        ov.hEvent = n.hReadDone;
        ::ResetEvent(ov.hEvent);
        const DWORD dwWant = static_cast<DWORD>(std::min<std::size_t>(
            std::min<std::size_t>(nMax, static_cast<std::size_t>(nQueued)), 1u << 30));
        if (!::ReadFile(n.hPort, pBuffer, dwWant, &dwRead, &ov)) {
            if (::GetLastError() != ERROR_IO_PENDING)
                return -1;
            if (!::GetOverlappedResult(n.hPort, &ov, &dwRead, TRUE))
                return -1;
        }
    }
    if (dwRead == 0) {
        ::SetLastError(static_cast<DWORD>(kSystemWouldBlock));
        return -1;
    }
    return static_cast<long>(dwRead);
}

std::size_t CSerialDevice::Write(const std::uint8_t* pData, std::size_t nLength, int nTimeoutMs,
                                 const CEvent* pCancel) {
    Native& n = *m_pNative;
    if (n.hPort == INVALID_HANDLE_VALUE) {
        ::SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    const auto deadline = Clock::now() + std::chrono::milliseconds(nTimeoutMs);
    std::size_t sent = 0;
    while (sent < nLength) {
        OVERLAPPED ov{};
        ov.hEvent = n.hWriteDone;
        ::ResetEvent(ov.hEvent);
        const DWORD dwWant = static_cast<DWORD>(std::min<std::size_t>(nLength - sent, 1u << 30));
        DWORD dwWritten = 0;
        if (!::WriteFile(n.hPort, pData + sent, dwWant, &dwWritten, &ov)) {
            if (::GetLastError() != ERROR_IO_PENDING)
                return sent;
            // The write itself, then the cancel request: a write that is
            // done counts even when a cancel came at the same time.
            HANDLE handles[2] = {ov.hEvent, pCancel ? pCancel->Handle() : nullptr};
            const DWORD r =
                ::WaitForMultipleObjects(pCancel ? 2 : 1, handles, FALSE, MsLeft(deadline));
            if (r != WAIT_OBJECT_0) {
                // Only this write is cancelled: the serving thread's pending
                // WaitCommEvent on the same handle goes on.
                ::CancelIoEx(n.hPort, &ov);
                ::GetOverlappedResult(n.hPort, &ov, &dwWritten, TRUE);
                sent += dwWritten;
                if (sent < nLength)
                    ::SetLastError(static_cast<DWORD>(r == WAIT_OBJECT_0 + 1 ? kSystemCancelled
                                                      : r == WAIT_TIMEOUT    ? kSystemTimedOut
                                                                             : kSystemIoError));
                return sent;
            }
            if (!::GetOverlappedResult(n.hPort, &ov, &dwWritten, FALSE))
                return sent;
        }
        sent += dwWritten;
        if (dwWritten == 0 && sent < nLength && MsLeft(deadline) == 0) {
            ::SetLastError(static_cast<DWORD>(kSystemTimedOut));
            return sent;
        }
    }
    return sent;
}

bool CSerialDevice::WaitUntilSent(int nTimeoutMs, const CEvent* pCancel) {
    const HANDLE h = m_pNative->hPort;
    if (h == INVALID_HANDLE_VALUE) {
        ::SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    // The driver tells how much output waits but gives no event when it is
    // gone: look again every few milliseconds.
    const auto deadline = Clock::now() + std::chrono::milliseconds(nTimeoutMs);
    for (;;) {
        DWORD dwErrors = 0;
        COMSTAT stat{};
        if (!::ClearCommError(h, &dwErrors, &stat) || stat.cbOutQue == 0)
            return true;
        const DWORD dwLeft = MsLeft(deadline);
        if (dwLeft == 0 || (pCancel && pCancel->IsSet()))
            return false;
        if (pCancel)
            pCancel->Wait(static_cast<int>(std::min<DWORD>(dwLeft, 5)));
        else
            ::Sleep(std::min<DWORD>(dwLeft, 5));
    }
}

CSerialDevice::WaitResult CSerialDevice::Wait(const CEvent& stop, bool bWatchPort,
                                              const CEvent& send, int nTimeoutMs) {
    Native& n = *m_pNative;
    if (stop.IsSet())
        return {Ready::Stop, false};
    bWatchPort = bWatchPort && n.hPort != INVALID_HANDLE_VALUE;
    if (bWatchPort && !n.bWaitPending) {
        // EV_RXCHAR reports bytes that arrive after WaitCommEvent was called:
        // bytes already queued are looked at first.
        if (BytesQueued() > 0)
            return {Ready::Port, false};
        ::ResetEvent(n.ovWait.hEvent);
        n.dwEvents = 0;
        ::SetCommMask(n.hPort, kEventMask);
        if (::WaitCommEvent(n.hPort, &n.dwEvents, &n.ovWait))
            return {Ready::Port, false};
        if (::GetLastError() != ERROR_IO_PENDING)
            return {Ready::Port, true}; // the device failed; reading tells how
        n.bWaitPending = true;
        // Bytes that came between the look and the call raise no event.
        if (BytesQueued() > 0)
            return {Ready::Port, false};
    }
    // Stop, port, send: when several are signalled the lowest index wins.
    HANDLE handles[3];
    DWORD nHandles = 0;
    handles[nHandles++] = stop.Handle();
    const DWORD nPortIndex = bWatchPort ? nHandles : MAXDWORD;
    if (bWatchPort)
        handles[nHandles++] = n.ovWait.hEvent;
    handles[nHandles++] = send.Handle();
    const DWORD dwTimeout = nTimeoutMs < 0 ? INFINITE : static_cast<DWORD>(nTimeoutMs);
    const DWORD r = ::WaitForMultipleObjects(nHandles, handles, FALSE, dwTimeout);
    if (r == WAIT_TIMEOUT)
        return {Ready::Timeout, false};
    if (r < WAIT_OBJECT_0 || r >= WAIT_OBJECT_0 + nHandles)
        return {Ready::Failed, false};
    const DWORD nIndex = r - WAIT_OBJECT_0;
    if (nIndex == 0)
        return {Ready::Stop, false};
    if (nIndex == nPortIndex) {
        DWORD dw = 0;
        const bool bDone = ::GetOverlappedResult(n.hPort, &n.ovWait, &dw, FALSE) != FALSE;
        n.bWaitPending = false;
        // A wait that failed means the device went away.
        return {Ready::Port, !bDone};
    }
    return {Ready::Send, false};
}

void CSerialDevice::WaitReadable(int nTimeoutMs) {
    // The driver announced bytes that a read did not return yet: give it a
    // moment, as the POSIX wait does.
    ::Sleep(static_cast<DWORD>(std::clamp(nTimeoutMs, 0, 10)));
}
