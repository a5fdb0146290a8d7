// One end of a serial line for tests and measurements: a pseudo-terminal
// whose subordinate side the program under test opens by its path while the
// test plays the phone on the primary side; or the subordinate side of a
// pseudo-terminal another program made (lumetto-phone --pty), opened as the
// PC's serial driver opens it.
//
// Every wait is bounded by a generous deadline and ends as soon as its
// condition holds. A wait on the thread the process's UI hand-over knows as
// the UI thread keeps serving it, so a monitor thread blocked in a delivery
// can always go on; elsewhere it polls. Writes and waits read what the other
// side sends meanwhile, so neither side can fill the line and hold the other.
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace testsupport {

// Generous: the waits below end on conditions, not on time.
constexpr std::chrono::milliseconds kPtyDeadline{60000};

class CPtyLine {
public:
    using Bytes = std::vector<std::uint8_t>;
    // Takes what the other side sent, instead of Received().
    using Sink = std::function<void(const std::uint8_t* p, std::size_t n)>;

    struct Options {
        // Raw (cfmakeraw, receiver on, modem lines ignored): the bytes pass
        // unchanged even before the program sets the line up. Otherwise the
        // subordinate side keeps the kernel's settings, so a test sees what
        // the program itself set.
        bool bRaw = false;
        // Held: the test keeps a descriptor of the subordinate side, so the
        // line stays up when the program closes it. Released: the primary
        // side sees whether a reader has it open (WaitForReader).
        bool bHoldSubordinate = true;
    };

    // A new pseudo-terminal; this end is its primary side. Throws
    // std::runtime_error when the system has none to give.
    CPtyLine() : CPtyLine(Options{}) {}
    explicit CPtyLine(Options options);
    // The subordinate side at path, opened as the PC's serial driver does:
    // raw, with what was queued thrown away; null when it cannot be opened
    // (errno tells why).
    static std::unique_ptr<CPtyLine> Attach(const std::string& path);
    ~CPtyLine();
    CPtyLine(const CPtyLine&) = delete;
    CPtyLine& operator=(const CPtyLine&) = delete;

    // The path the program opens (or the one attached to).
    const std::string& Path() const { return m_strPath; }
    // The descriptor of the subordinate side the test holds, or -1: it shows
    // the line settings the program made and can play the program's side.
    int SubordinateFd() const { return m_subordinate; }

    // Writes every byte unless *stop becomes true first; false when the line
    // failed, its reader went away, or it took nothing until the deadline.
    bool Write(const std::uint8_t* p, std::size_t n, const std::atomic<bool>* stop = nullptr);
    bool Write(const Bytes& data, const std::atomic<bool>* stop = nullptr) {
        return Write(data.data(), data.size(), stop);
    }
    bool Write(std::string_view text) {
        return Write(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    }
    // Writes in pieces of the sizes given (in turn, repeated) and waits after
    // each until the program has read it, so every piece reaches the program
    // in a read of its own.
    bool WriteInPieces(const Bytes& data, const std::vector<std::size_t>& sizes);

    // Bytes written here that the program has not read yet; -1 when unknown.
    int Unread() const;
    // Waits until the program has read everything written here.
    bool WaitUntilRead(std::chrono::milliseconds within = kPtyDeadline);
    // Released subordinate side: waits until a reader has it open.
    bool WaitForReader(std::chrono::milliseconds within = kPtyDeadline);

    // Everything the other side has sent so far (what is there now included).
    const std::string& Received();
    // From now on what the other side sends goes to fnSink instead.
    void SetSink(Sink fnSink) { m_fnSink = std::move(fnSink); }
    // Reads what the other side sends until fnDone() holds (true), or the
    // other side hangs up or the deadline passes (false).
    bool ReadUntil(const std::function<bool()>& fnDone,
                   std::chrono::milliseconds within = kPtyDeadline);

    // The phone goes away: this end closes, and the line hangs up once the
    // test holds no descriptor of it either.
    void HangUp();

private:
    CPtyLine(int fd, std::string strPath);
    // Reads what is there now; false when the other side hung up.
    bool Collect();

    int m_fd = -1;          // this end
    bool m_bPrimary = true; // false: attached to another program's line
    int m_subordinate = -1; // the subordinate side, when held
    std::string m_strPath;
    std::string m_received;
    Sink m_fnSink;
};

} // namespace testsupport
