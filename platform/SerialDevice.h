// A serial device file on POSIX: open with an exclusive lock, raw line
// settings, non-blocking reads, writes bounded by a time limit.
//
// Every operation that fails returns false (or -1) and leaves the reason in
// errno, so callers can report the system's text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <sys/types.h>

struct LineSettings {
    int nBaud = 115200;
    char cParity = 'N'; // N, E or O
    int nDataBits = 8;  // 5 to 8
    int nStopBits = 1;  // 1 or 2
};

class CSerialDevice {
public:
    CSerialDevice() = default;
    ~CSerialDevice() { Close(); }
    CSerialDevice(const CSerialDevice&) = delete;
    CSerialDevice& operator=(const CSerialDevice&) = delete;

    // Opens the device for reading and writing without making it the
    // controlling terminal, and takes its lock. A device whose lock another
    // program holds fails with EBUSY (this holds for root too); so does one
    // another program opened exclusively.
    bool Open(const std::string& strPath);
    // Discards output the device has not sent, so closing never waits for a
    // line that does not take bytes, then closes (and so unlocks).
    void Close();
    bool IsOpen() const { return m_fd >= 0; }
    int Fd() const { return m_fd; }

    // Raw mode with the given line settings; reads return at once with what
    // has arrived. EINVAL for settings the device layer cannot express.
    bool SetLineSettings(const LineSettings& settings);
    // Raises RTS and DTR. A device without modem lines (a pseudo-terminal)
    // refuses this; that is not an error.
    bool RaiseModemLines();
    // Discards what is queued in both directions.
    bool Flush();
    // Bytes waiting to be read, or -1.
    long BytesQueued() const;
    // One non-blocking read; as read(2).
    ssize_t Read(std::uint8_t* pBuffer, std::size_t nMax);
    // Writes the bytes, waiting for the device to accept them for at most
    // nTimeoutMs in total. The wait ends early when nCancelFd (an event's
    // descriptor, or -1 for none) becomes readable. Returns the number
    // written; when fewer than nLength, errno says why (ETIMEDOUT when the time
    // ran out, ECANCELED when the wait was cancelled).
    std::size_t Write(const std::uint8_t* pData, std::size_t nLength, int nTimeoutMs,
                      int nCancelFd = -1);
    // Waits until the device has sent what was written, for at most
    // nTimeoutMs or until nCancelFd becomes readable; false when bytes are left.
    bool WaitUntilSent(int nTimeoutMs, int nCancelFd = -1);

    // The termios speed constant for a baud rate, or false when there is none.
    static bool SpeedFor(int nBaud, unsigned int* pSpeed);

private:
    int m_fd = -1;
};
