// A serial device: opened exclusively, raw line settings, reads that return at
// once with what has arrived, writes bounded by a time limit, and the wait of
// the thread that serves the port. One header, one backend per system
// (platform/posix: a device file with termios and poll; platform/win32: a COM
// port with overlapped I/O and WaitCommEvent).
//
// Every operation that fails returns false (or -1) and leaves the reason in
// LastSystemError() (platform/SystemError.h), so callers can report the
// system's text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

class CEvent;

struct LineSettings {
    int nBaud = 115200;
    char cParity = 'N'; // N, E or O
    int nDataBits = 8;  // 5 to 8
    int nStopBits = 1;  // 1 or 2
};

class CSerialDevice {
public:
    // What ended a Wait: the first of its three sources that was ready (in
    // this order), the time limit, or a failure of the wait itself.
    enum class Ready { Stop, Port, Send, Timeout, Failed };
    struct WaitResult {
        Ready eReady = Ready::Timeout;
        // With Port: the device hung up or failed; what it received before is
        // still to be read, then the connection is lost.
        bool bHangup = false;
    };

    CSerialDevice();
    ~CSerialDevice();
    CSerialDevice(const CSerialDevice&) = delete;
    CSerialDevice& operator=(const CSerialDevice&) = delete;

    // Opens the device for reading and writing, for this program alone. A
    // device another program holds fails (EBUSY on POSIX; ERROR_ACCESS_DENIED
    // on Windows).
    bool Open(const std::string& strPath);
    // Discards output the device has not sent, so closing never waits for a
    // line that does not take bytes, ends a pending wait, then closes.
    void Close();
    bool IsOpen() const;

    // Raw mode with the given line settings; reads return at once with what
    // has arrived. Fails for settings the device layer cannot express.
    bool SetLineSettings(const LineSettings& settings);
    // Raises RTS and DTR. A device without modem lines (a pseudo-terminal)
    // refuses this; that is not an error.
    bool RaiseModemLines();
    // Discards what is queued in both directions.
    bool Flush();
    // Bytes waiting to be read, or -1.
    long BytesQueued() const;
    // One read that does not wait: the number of bytes read; 0 or -1 with
    // LastSystemError() kSystemWouldBlock when nothing has arrived (a POSIX
    // device in raw mode reads 0, also at its end after a hang-up); -1 on
    // failure.
    long Read(std::uint8_t* pBuffer, std::size_t nMax);
    // Writes the bytes, waiting for the device to accept them for at most
    // nTimeoutMs in total. The wait ends early when pCancel (may be null) is
    // set. Returns the number written; when fewer than nLength,
    // LastSystemError() says why (kSystemTimedOut when the time ran out,
    // kSystemCancelled when the wait was cancelled).
    std::size_t Write(const std::uint8_t* pData, std::size_t nLength, int nTimeoutMs,
                      const CEvent* pCancel = nullptr);
    // Waits until the device has sent what was written, for at most
    // nTimeoutMs or until pCancel is set; false when bytes are left.
    bool WaitUntilSent(int nTimeoutMs, const CEvent* pCancel = nullptr);

    // The serving thread's wait: until stop is set, the device has received
    // bytes (or hung up), send is set, or nTimeoutMs passed (-1: no limit).
    // With bWatchPort false the device is not looked at. When several are
    // ready, the first in that order wins.
    WaitResult Wait(const CEvent& stop, bool bWatchPort, const CEvent& send, int nTimeoutMs);
    // Waits at most nTimeoutMs for bytes the device announced to be readable.
    void WaitReadable(int nTimeoutMs);

private:
    // The POSIX backend's file descriptor, for the line end that waits on it
    // beside other descriptors (platform/posix/SerialDeviceFd.h).
    friend int SerialDeviceFd(const CSerialDevice& device);

    struct Native; // the backend's handles
    std::unique_ptr<Native> m_pNative;
};
