// The far end of a byte line, as the phone simulator holds it: a file (or
// standard output), a serial device or another path, or a pseudo-terminal
// it creates for a reader to open. The simulator's pacing, its stop requests
// and its search for the closing marker are its own; this class is only the
// system's side of the line.
//
// A pseudo-terminal is served to readers that come and go: its subordinate
// side is not held open here, so the system tells (a hang-up on the primary
// side) when nobody has it open.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

class CEvent;

class CLineEnd {
public:
    enum class Kind { None, File, Port, Pty };

    // What a Wait found. A wake event that was set is reset.
    struct Ready {
        bool bReadable = false;
        bool bWritable = false;
        bool bHangup = false; // the other side hung up (a pseudo-terminal: no reader)
        bool bError = false;  // the device failed (unplugged?)
    };

    // Read and Write results besides a byte count.
    static constexpr long kGone = -1;   // a pseudo-terminal's last reader has left
    static constexpr long kFailed = -2; // the system's text in strSystemText

    CLineEnd();
    ~CLineEnd();
    CLineEnd(const CLineEnd&) = delete;
    CLineEnd& operator=(const CLineEnd&) = delete;

    // Creates or truncates the file; "-" is standard output.
    bool OpenFile(const std::string& strPath, std::string& strSystemText);
    // A serial device, locked and set to raw 115200 8N1 as the program's own
    // end sets it; any other path is opened as it is (a regular file is
    // written from its start). bOpened tells a failure after the open (the
    // line settings) from one of the open itself.
    bool OpenPort(const std::string& strPath, std::string& strSystemText, bool& bOpened);
    // Creates a pseudo-terminal whose subordinate side keeps raw settings for
    // every reader; strSubordinate is the path readers open. bCreated as
    // bOpened above.
    bool OpenPty(std::string& strSubordinate, std::string& strSystemText, bool& bCreated);
    void Close();

    Kind GetKind() const { return m_eKind; }
    bool IsOpen() const { return m_eKind != Kind::None; }

    // Waits at most nTimeoutMs (0: looks only) for pWake (may be null), for
    // input when the line talks back and, with bWantWrite, for room to write.
    // A file is always writable. False with strSystemText when the wait
    // failed; an interrupted wait returns true with nothing ready.
    bool Wait(int nTimeoutMs, bool bWantWrite, CEvent* pWake, Ready& ready,
              std::string& strSystemText);
    // Reads what is there without waiting: a count (0: nothing now), kGone or
    // kFailed.
    long Read(char* pBuffer, std::size_t nMax, std::string& strSystemText);
    // Writes what the line takes now: a count (0: nothing now), kGone or
    // kFailed.
    long Write(const std::uint8_t* pData, std::size_t nLength, std::string& strSystemText);
    // False only for a pseudo-terminal that nobody has open.
    bool HasReader();
    // Bytes written that the other side has not taken yet: a pseudo-terminal
    // reader's unread input, a serial device's unsent output. kUnknown when
    // the line cannot tell (a file, a pipe), kHeld when a reader holds the
    // pseudo-terminal for itself alone.
    static constexpr long kUnknown = -1;
    static constexpr long kHeld = -2;
    long Untaken();

private:
    struct Native; // the backend's handles
    std::unique_ptr<Native> m_pNative;
    Kind m_eKind = Kind::None;
    bool m_bTalksBack = false; // the other side can send: a device, a socket, a pseudo-terminal
};
