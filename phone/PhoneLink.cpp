#include "phone/PhoneLink.h"

#include "link/WireFormat.h"

#include "phone/StopSignal.h"
#include "platform/Event.h"

#include <algorithm>
#include <thread>

namespace {

using wire::kCloseMarker;
using wire::kMarkerSize;

int MillisecondsUntil(CPhoneLink::Clock::time_point t) {
    const auto d = std::chrono::ceil<std::chrono::milliseconds>(t - CPhoneLink::Clock::now());
    return int(std::clamp<std::int64_t>(d.count(), 0, 1000));
}

} // namespace

CPhoneLink::~CPhoneLink() {
    Close();
}

void CPhoneLink::Close() {
    m_line.Close();
}

bool CPhoneLink::Fail(const std::string& what, const std::string& strSystemText, const char* hint) {
    m_strError = what + ": " + strSystemText;
    if (hint)
        m_strError += std::string(". ") + hint;
    return false;
}

void CPhoneLink::Nap(int timeoutMs) {
    if (CEvent* pWake = CStopSignal::Wake())
        pWake->Wait(timeoutMs);
    else
        std::this_thread::sleep_for(std::chrono::milliseconds(timeoutMs));
}

bool CPhoneLink::OpenFile(const std::string& path) {
    std::string text;
    if (!m_line.OpenFile(path, text))
        return Fail("cannot create the output file '" + path + "'", text,
                    "Check that its folder exists and may be written");
    return true;
}

bool CPhoneLink::OpenPort(const std::string& path) {
    std::string text;
    bool opened = false;
    if (m_line.OpenPort(path, text, opened))
        return true;
    if (opened)
        return Fail("cannot set the port '" + path + "' to 115200 baud 8N1", text);
    return Fail("cannot open the port '" + path + "'", text,
                "Give the path of a serial device, or use --pty or --out");
}

bool CPhoneLink::OpenPty(std::string& subordinatePath) {
    std::string text;
    bool created = false;
    if (m_line.OpenPty(subordinatePath, text, created))
        return true;
    return Fail(created ? "cannot set up the pseudo-terminal" : "cannot create a pseudo-terminal",
                text);
}

void CPhoneLink::Drain(Clock::duration maxWait) {
    const CLineEnd::Kind kind = m_line.GetKind();
    if (kind != CLineEnd::Kind::Pty && kind != CLineEnd::Kind::Port)
        return;
    if (kind == CLineEnd::Kind::Pty && !HasReader())
        return;
    // The kernel hands written bytes on to the queue a moment later, so an
    // empty queue counts only when it stays empty for a few looks.
    const auto end = Clock::now() + maxWait;
    int emptyLooks = 0;
    while (emptyLooks < 5 && Clock::now() < end && CStopSignal::Count() < 2) {
        const long pending = m_line.Untaken();
        if (pending == CLineEnd::kHeld) {
            Nap(500); // the reader holds it for itself: give it a moment
            return;
        }
        if (pending < 0)
            return;
        emptyLooks = pending > 0 ? 0 : emptyLooks + 1;
        Nap(10);
    }
}

bool CPhoneLink::HasReader() {
    return m_line.HasReader();
}

CPhoneLink::Status CPhoneLink::Pump(int timeoutMs, bool wantWrite, bool& writable, int stopLevel) {
    writable = false;
    if (CStopSignal::Count() >= stopLevel)
        return Status::Stopped;
    CLineEnd::Ready ready;
    std::string text;
    if (!m_line.Wait(timeoutMs, wantWrite, CStopSignal::Wake(), ready, text)) {
        Fail("cannot wait for the line", text);
        return Status::Failed;
    }
    if (CStopSignal::Count() >= stopLevel)
        return Status::Stopped;
    if (ready.bReadable) {
        const Status s = ReadInput();
        if (s != Status::Ok)
            return s;
    }
    if (ready.bHangup) {
        if (m_line.GetKind() == CLineEnd::Kind::Pty)
            return Status::NoReader;
        m_strError = "the other side of the port hung up";
        return Status::Failed;
    }
    if (ready.bError) {
        m_strError = "the port reported an error (device unplugged?)";
        return Status::Failed;
    }
    writable = ready.bWritable;
    return Status::Ok;
}

CPhoneLink::Status CPhoneLink::ReadInput() {
    char buf[256];
    for (;;) {
        std::string text;
        const long r = m_line.Read(buf, sizeof buf, text);
        if (r == 0)
            return Status::Ok;
        if (r == CLineEnd::kGone)
            return Status::NoReader;
        if (r < 0) {
            Fail("cannot read from the port", text);
            return Status::Failed;
        }
        m_tail.append(buf, std::size_t(r));
        if (m_tail.find(kCloseMarker) != std::string::npos)
            return Status::PeerClosed;
        if (m_tail.size() > kMarkerSize - 1)
            m_tail.erase(0, m_tail.size() - (kMarkerSize - 1));
    }
}

CPhoneLink::Status CPhoneLink::WriteSome(const std::uint8_t* p, std::size_t n,
                                         std::size_t& written) {
    written = 0;
    std::string text;
    const long r = m_line.Write(p, n, text);
    if (r >= 0) {
        written = std::size_t(r);
        m_nBytesWritten += written;
        return Status::Ok;
    }
    if (r == CLineEnd::kGone)
        return Status::NoReader;
    Fail(m_line.GetKind() == CLineEnd::Kind::File ? "cannot write the output file"
                                                  : "cannot write to the port",
         text);
    return Status::Failed;
}

CPhoneLink::Status CPhoneLink::Send(const std::uint8_t* p, std::size_t n) {
    if (!m_line.IsOpen()) {
        m_strError = "no output is open";
        return Status::Failed;
    }
    // Paced: about 20 ms of line time a write, so the bytes trickle as on a
    // real line; unpaced: everything at once.
    const std::size_t chunk = m_nBaud ? std::max<std::size_t>(16, m_nBaud / 10 / 50) : n;
    std::size_t off = 0;
    while (off < n) {
        if (m_nBaud) {
            const Status s = [&] {
                bool w = false;
                while (Clock::now() < m_lineFree) {
                    const Status st = Pump(MillisecondsUntil(m_lineFree), false, w, 2);
                    if (st != Status::Ok)
                        return st;
                }
                return Status::Ok;
            }();
            if (s != Status::Ok)
                return s;
        }
        const std::size_t k = std::min(chunk, n - off);
        std::size_t done = 0;
        bool first = true;
        while (done < k) {
            bool writable = false;
            const Status s = Pump(first ? 0 : 1000, true, writable, 2);
            first = false;
            if (s != Status::Ok)
                return s;
            if (!writable)
                continue;
            std::size_t w = 0;
            const Status ws = WriteSome(p + off + done, k - done, w);
            if (ws != Status::Ok)
                return ws;
            done += w;
        }
        off += k;
        if (m_nBaud) {
            const auto now = Clock::now();
            const auto lineTime = std::chrono::duration_cast<Clock::duration>(
                std::chrono::duration<double>(double(k) * 10.0 / m_nBaud));
            m_lineFree = std::max(m_lineFree, now) + lineTime;
        }
    }
    return Status::Ok;
}

CPhoneLink::Status CPhoneLink::WaitUntil(Clock::time_point deadline) {
    bool w = false;
    do {
        const Status s = Pump(MillisecondsUntil(deadline), false, w, 1);
        if (s != Status::Ok)
            return s;
    } while (Clock::now() < deadline);
    return Status::Ok;
}

CPhoneLink::Status CPhoneLink::WaitForReader(Clock::time_point deadline) {
    while (!HasReader()) {
        if (Clock::now() >= deadline)
            return Status::NoReader;
        if (CStopSignal::Count() >= 1)
            return Status::Stopped;
        // The line reports the missing reader at once and for as long as it
        // lasts, so look again after a short pause on the stop requests only.
        Nap(std::min(50, MillisecondsUntil(deadline)));
    }
    // Whatever an earlier reader left unread is of no use to the new one.
    m_tail.clear();
    return Status::Ok;
}
