// The phone's end of the serial link: a file, a serial device or a
// pseudo-terminal the simulator creates.
//
// Writes are paced at the line rate (10 bits a byte: 8 data bits, a start and
// a stop bit) when one is set, and always survive partial writes and EAGAIN.
// While it writes or waits, the link reads what the other side sends and
// notices its closing marker "close_tx".
//
// A pseudo-terminal is served to readers that come and go: the system tells
// the simulator when nobody has it open (CLineEnd). Nothing is written then,
// and the simulator begins again with a header frame when a reader opens it.
#pragma once

#include "platform/LineEnd.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

class CPhoneLink {
public:
    using Clock = std::chrono::steady_clock;

    enum class Status {
        Ok,
        Stopped,    // a stop was requested (signal)
        PeerClosed, // the other side sent "close_tx"
        NoReader,   // pseudo-terminal: nobody has the subordinate side open
        Failed,     // a system call failed; see ErrorText()
    };

    CPhoneLink() = default;
    CPhoneLink(const CPhoneLink&) = delete;
    CPhoneLink& operator=(const CPhoneLink&) = delete;
    ~CPhoneLink();

    // Creates or truncates a file for the stream.
    bool OpenFile(const std::string& path);
    // Opens an existing path; a serial device is locked and set to raw
    // 115200 8N1 as the program's own end sets it.
    bool OpenPort(const std::string& path);
    // Creates a pseudo-terminal; subordinatePath receives the path readers open.
    bool OpenPty(std::string& subordinatePath);
    // Waits (at most maxWait, or until a second stop request) until the other
    // side has taken what was written: closing a pseudo-terminal throws away
    // what its reader has not read yet, and a serial port may still be sending.
    void Drain(Clock::duration maxWait);
    void Close();

    // Line rate in baud; 0 writes as fast as the reader takes.
    void SetLineRate(unsigned nBaud) { m_nBaud = nBaud; }

    // Writes all n bytes. Only a second stop request (Count() >= 2) interrupts
    // a write under way; a first one lets it finish.
    Status Send(const std::uint8_t* p, std::size_t n);
    // Waits until the deadline (and the end of the paced line time).
    Status WaitUntil(Clock::time_point deadline);
    // Pseudo-terminal: waits until a reader has it open (or the deadline passes).
    Status WaitForReader(Clock::time_point deadline);
    // Whether anybody receives: false only for a pseudo-terminal without reader.
    bool HasReader();

    const std::string& ErrorText() const { return m_strError; }
    std::uint64_t BytesWritten() const { return m_nBytesWritten; }

private:
    // One wait of at most timeoutMs. Sets writable when the line takes
    // bytes (asked with wantWrite). Reads and scans incoming bytes.
    Status Pump(int timeoutMs, bool wantWrite, bool& writable, int stopLevel);
    Status ReadInput();
    Status WriteSome(const std::uint8_t* p, std::size_t n, std::size_t& written);
    bool Fail(const std::string& what, const std::string& strSystemText,
              const char* hint = nullptr);
    // Waits at most timeoutMs on the stop requests' event alone.
    static void Nap(int timeoutMs);

    CLineEnd m_line;
    unsigned m_nBaud = 0;
    Clock::time_point m_lineFree{}; // when the paced line has sent what was written
    std::string m_tail;             // last bytes received, to find a split marker
    std::string m_strError;
    std::uint64_t m_nBytesWritten = 0;
};
