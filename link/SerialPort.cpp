#include "link/SerialPort.h"

#include "link/WireFormat.h"
#include "platform/ErrorReport.h"
#include "platform/HandOver.h"
#include "platform/PortNameTable.h"
#include "platform/SystemError.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <poll.h>
#include <system_error>

namespace {

// Calls into the view that are running on this thread, for any driver: a
// Close or Configure made from inside one cannot wait for the monitor thread.
thread_local int t_nOwnerCallDepth = 0;

struct OwnerCallScope {
    OwnerCallScope() { ++t_nOwnerCallDepth; }
    ~OwnerCallScope() { --t_nOwnerCallDepth; }
    OwnerCallScope(const OwnerCallScope&) = delete;
    OwnerCallScope& operator=(const OwnerCallScope&) = delete;
};

int ToPollTimeout(std::chrono::milliseconds ms) {
    return static_cast<int>(std::clamp<std::chrono::milliseconds::rep>(ms.count(), 0, 1 << 30));
}

} // namespace

CSerialPort::CSerialPort() : m_pSendDoneEvent(std::make_unique<CEvent>()), m_receiver(this) {
    m_pSendDoneEvent->Reset();
}

CSerialPort::~CSerialPort() {
    m_pOwnerView = nullptr;
    Close(true);
    EndMonitorThread();
}

void CSerialPort::SetOwnerView(ILinkOwner* pView) {
    ILinkOwner* pOld = m_pOwnerView.exchange(pView);
    // A view that unregisters also stops receiving payloads: the driver must
    // not deliver to a view that is going away. Payloads are delivered on the
    // UI thread, where views unregister, so none can be under way here.
    if (pView == nullptr && pOld != nullptr) {
        ILinkOwner* pExpected = pOld;
        m_pPayloadTarget.compare_exchange_strong(pExpected, nullptr);
    }
}

bool CSerialPort::Open(ILinkOwner* pTarget, const std::string& strPortName, bool bQuiet) {
    m_pPayloadTarget = pTarget;
    m_strPortName = strPortName;
    m_bQuietOpen = bQuiet;
    const bool bOpen = Configure(115200, 'N', 8, 1, EV_RXCHAR | EV_CTS);
    m_bQuietOpen = false;
    return bOpen;
}

std::string CSerialPort::LossReason() const {
    std::lock_guard<std::mutex> lock(m_lossMutex);
    return m_strLossReason;
}

bool CSerialPort::InsideHandedOverCall() const {
    // Either this thread runs a call into a view right now (the monitor
    // thread waits for it to return), or it is the UI thread serving a call
    // the monitor thread handed over (a message box, a delivery).
    if (t_nOwnerCallDepth > 0)
        return true;
    const CHandOver& handOver = UiHandOver();
    return m_bMonitorAlive && handOver.IsUiThread() && handOver.ServingDepth() > 0;
}

bool CSerialPort::Configure(int nBaud, char cParity, int nDataBits, int nStopBits,
                            [[maybe_unused]] std::uint32_t dwEventMask) {
    if (InsideHandedOverCall())
        return false;
    // End the connection and the monitor thread before anything changes.
    if (m_bOpen)
        Close(true);
    EndMonitorThread();

    CErrorReport report(m_bQuietOpen);
    m_strOpenError.clear();
    // Fresh events for the new connection; the old ones are released here.
    m_pStopEvent = std::make_unique<CEvent>();
    m_pSendEvent = std::make_unique<CEvent>();
    for (const CEvent* e : {m_pStopEvent.get(), m_pSendEvent.get(), m_pSendDoneEvent.get()}) {
        if (!e->IsValid()) {
            report.ShowSystemError(static_cast<std::uint32_t>(e->CreateError()));
            m_strOpenError = report.LastText();
            return false;
        }
    }
    std::lock_guard<std::recursive_mutex> lock(m_portMutex);
    m_hPort.Close();
    m_lineSettings = LineSettings{nBaud, cParity, nDataBits, nStopBits};

    // The name as the user chose it: a device path, or COMn (or a program's
    // own port) through the port-name table.
    const std::optional<std::string> device =
        !m_strPortName.empty() && m_strPortName[0] == '/'
            ? std::optional<std::string>(m_strPortName)
            : CPortNameTable::FromSystem().Resolve(m_strPortName);
    m_strDevicePath = device.value_or(std::string());
    if (!device) {
        report.ShowPortError(ENOENT, m_strPortName, {});
        m_strOpenError = report.LastText();
        return false;
    }
    if (!m_hPort.Open(*device)) {
        report.ShowPortError(static_cast<std::uint32_t>(errno), m_strPortName, *device);
        m_strOpenError = report.LastText();
        return false;
    }

    // Line settings, reads that return at once, RTS (and DTR) on.
    if (!m_hPort.SetLineSettings(m_lineSettings) || !m_hPort.RaiseModemLines())
        report.ShowLastError();

    if (!report.ErrorShown())
        m_hPort.Flush();

    // A port that could not be configured is closed again at once, so it
    // is not left locked against other programs.
    m_bOpen = !report.ErrorShown();
    if (!m_bOpen) {
        m_hPort.Close();
        m_strOpenError = report.LastText();
    }
    return m_bOpen;
}

bool CSerialPort::StartMonitor() {
    if (!m_bOpen || m_pMonitorThread)
        return false;
    // Input that arrived before monitoring began is stale. It is discarded
    // here rather than on the new thread, so nothing the phone sends after
    // StartMonitor returned can be lost.
    {
        std::lock_guard<std::recursive_mutex> lock(m_portMutex);
        m_hPort.Flush();
    }
    // Set before the thread exists, so a Close that follows at once waits for it.
    m_bMonitorAlive = true;
    try {
        m_pMonitorThread =
            std::make_unique<std::thread>(&CSerialPort::MonitorThread, this, m_strPortName);
    } catch (const std::system_error&) {
        m_bMonitorAlive = false;
        return false;
    } catch (const std::bad_alloc&) {
        m_bMonitorAlive = false;
        return false;
    }
    return true;
}

void CSerialPort::MonitorThread(CSerialPort* pThis, const std::string& strPortName) {
    pThis->MonitorLoop(strPortName);
    // The last thing the thread does: from here on Close may close the port.
    pThis->m_bMonitorAlive = false;
    UiHandOver().Notify();
}

void CSerialPort::MonitorLoop(const std::string& strPortName) {
    CErrorReport report;
    int nTimeout = ToPollTimeout(m_timing.silence);
    for (;;) {
        // Stop, port, send: when several are ready the lowest index wins.
        // While closing, the port is not watched, as no read may start.
        pollfd fds[3] = {{m_pStopEvent->Fd(), POLLIN, 0},
                         {m_bClosing ? -1 : m_hPort.Fd(), POLLIN, 0},
                         {m_pSendEvent->Fd(), POLLIN, 0}};
        const int n = ::poll(fds, 3, nTimeout);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            ConnectionLost(report, errno, strPortName);
            return;
        }
        if (n == 0) {
            // The line has been silent: drop a partial frame, reset the view,
            // then wait without a time limit.
            {
                std::lock_guard<std::recursive_mutex> lock(m_portMutex);
                m_receiver.CleanupAfterRead();
            }
            ResetOwnerScreen();
            nTimeout = -1;
            continue;
        }
        nTimeout = ToPollTimeout(m_timing.silence);

        if (fds[0].revents != 0)
            return;
        if (fds[1].revents != 0) {
            if (!m_bClosing) {
                int nLostCode = 0;
                if (ReadAvailable(fds[1].revents, nLostCode) == ReadResult::Lost) {
                    ConnectionLost(report, nLostCode, strPortName);
                    return;
                }
            }
            continue;
        }
        if (fds[2].revents != 0) {
            m_pSendEvent->Reset();
            if (OwnerShowsReceivedScreens()) {
                SendPending(report);
            } else {
                std::lock_guard<std::mutex> lock(m_sendMutex);
                m_pSendBuffer.reset();
                m_dwSendSize = 0;
            }
            m_pSendDoneEvent->Set();
            UiHandOver().Notify(); // Close may be waiting for the answer
        }
    }
}

CSerialPort::ReadResult CSerialPort::ReadAvailable(short nRevents, int& nLostCode) {
    // POLLHUP/POLLERR: the device hung up or failed. What it received before
    // is still read; then the connection counts as lost.
    const bool bHangup = (nRevents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
    bool bFirstPass = true;
    bool bWaitedForPending = false;
    for (;;) {
        // A close or stop request wins over a phone that keeps sending.
        if (m_bClosing || m_pStopEvent->IsSet())
            return ReadResult::Drained;
        std::unique_lock<std::recursive_mutex> lock(m_portMutex);
        if (!m_hPort.IsOpen())
            return ReadResult::Drained;
        std::uint32_t dwFree = m_receiver.FreeSpace();
        if (dwFree == 0) {
            m_receiver.CleanupAfterRead();
            dwFree = m_receiver.FreeSpace();
            if (dwFree == 0)
                return ReadResult::Drained;
        }
        const long nQueued = m_hPort.BytesQueued();
        if (nQueued < 0) {
            nLostCode = errno;
            return ReadResult::Lost;
        }
        if (nQueued == 0 && !bFirstPass && !bHangup)
            return ReadResult::Drained;
        // Never more than the receiver's free space, whatever the port holds.
        const std::size_t nWant =
            nQueued > 0 ? std::min<std::size_t>(static_cast<std::size_t>(nQueued), dwFree) : dwFree;
        const ssize_t nRead = m_hPort.Read(m_receiver.ReadPos(), nWant);
        bFirstPass = false;
        if (nRead > 0) {
            m_receiver.ProcessBytes(static_cast<std::uint32_t>(nRead));
            bWaitedForPending = false;
            continue;
        }
        if (nRead == 0) {
            // Nothing although bytes were announced, or after a hang-up: the
            // device has reached its end.
            if (bHangup || nQueued > 0) {
                nLostCode = EIO;
                return ReadResult::Lost;
            }
            return ReadResult::Drained;
        }
        if (errno != EAGAIN) {
            nLostCode = errno;
            return ReadResult::Lost;
        }
        if (bHangup) {
            nLostCode = EIO;
            return ReadResult::Lost;
        }
        // The port owes bytes it announced: wait for them a short while.
        if (nQueued == 0 || bWaitedForPending)
            return ReadResult::Drained;
        bWaitedForPending = true;
        const int fd = m_hPort.Fd();
        lock.unlock();
        pollfd p{fd, POLLIN, 0};
        ::poll(&p, 1, ToPollTimeout(m_timing.readWait));
    }
}

void CSerialPort::SendPending(CErrorReport& report) {
    std::unique_ptr<std::uint8_t[]> pBuffer;
    std::uint32_t dwSize = 0;
    {
        std::lock_guard<std::mutex> lock(m_sendMutex);
        pBuffer = std::move(m_pSendBuffer);
        dwSize = m_dwSendSize;
        m_dwSendSize = 0;
    }
    if (!pBuffer || dwSize == 0)
        return;
    int nError = 0;
    {
        std::lock_guard<std::recursive_mutex> lock(m_portMutex);
        if (!m_hPort.IsOpen())
            return;
        // Discards what is queued either way, unread input included.
        m_hPort.Flush();
        // The port gets 1 s plus 1 s per byte to send the bytes, never more,
        // and gives up at once when the thread is asked to end: Close waits
        // for the answer only a short while.
        const auto deadline = std::chrono::steady_clock::now() + m_timing.writeConstant +
                              m_timing.writePerByte * dwSize;
        auto msLeft = [&] {
            return ToPollTimeout(std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now()));
        };
        const int nStopFd = m_pStopEvent->Fd();
        errno = 0;
        const std::size_t sent = m_hPort.Write(pBuffer.get(), dwSize, msLeft(), nStopFd);
        if (sent != dwSize && errno != ETIMEDOUT && errno != ECANCELED)
            nError = errno;
        // Closing the port discards what it has not sent, so wait for the
        // bytes to leave first.
        if (sent == dwSize)
            m_hPort.WaitUntilSent(msLeft(), nStopFd);
    }
    // A write that ran out of time or was cancelled drops the rest silently,
    // as the phone is going away anyway; any other failure is shown.
    if (nError != 0) {
        errno = nError;
        report.ShowLastError();
    }
}

void CSerialPort::QueueSend(std::unique_ptr<std::uint8_t[]> pBuffer, std::uint32_t dwLength) {
    {
        std::lock_guard<std::mutex> lock(m_sendMutex);
        m_pSendBuffer = std::move(pBuffer);
        m_dwSendSize = m_pSendBuffer ? dwLength : 0;
    }
    if (m_pSendEvent)
        m_pSendEvent->Set();
}

bool CSerialPort::Close(bool bSendClose) {
    if (!m_bOpen) {
        // A monitor thread that ended on its own (the device went away) is
        // collected here; nothing else changes.
        if (!InsideHandedOverCall())
            EndMonitorThread();
        return true;
    }
    if (InsideHandedOverCall())
        return false;
    m_bClosing = true;
    m_bOpen = false;

    if (bSendClose && m_pMonitorThread && m_bMonitorAlive) {
        m_pSendDoneEvent->Reset();
        auto pMarker = std::make_unique<std::uint8_t[]>(wire::kMarkerSize);
        std::memcpy(pMarker.get(), wire::CloseMarkerBytes(), wire::kMarkerSize);
        QueueSend(std::move(pMarker), wire::kMarkerSize);
        // The monitor thread writes the marker only while the view shows
        // received screens, and answers at once otherwise.
        UiHandOver().WaitServing([this] { return m_pSendDoneEvent->IsSet(); },
                                 m_timing.sendDoneWait);
    }

    // The monitor thread ends before the port closes, so no read or write can
    // meet a closed descriptor.
    EndMonitorThread();
    {
        std::lock_guard<std::recursive_mutex> lock(m_portMutex);
        m_hPort.Close();
        // A frame cut off by the close cannot be completed by the next connection.
        m_receiver.CleanupAfterRead();
    }
    m_bClosing = false;
    if (ILinkOwner* pView = m_pOwnerView.load()) {
        OwnerCallScope scope;
        pView->ResetScreen(true);
    }
    return true;
}

void CSerialPort::EndMonitorThread() {
    if (!m_pMonitorThread)
        return;
    while (m_bMonitorAlive) {
        // The stop event comes first in the monitor thread's wait, so it wins
        // over port data and send requests; calls the thread hands over
        // meanwhile are run here.
        m_pStopEvent->Set();
        UiHandOver().WaitServing([this] { return !m_bMonitorAlive.load(); },
                                 std::chrono::milliseconds(200));
    }
    m_pMonitorThread->join();
    m_pMonitorThread.reset();
}

void CSerialPort::ConnectionLost(CErrorReport& report, int nCode, const std::string& strPortName) {
    // Told once (or left to the owner); then the connection ends as Close
    // ends it, without writing to the phone.
    {
        std::lock_guard<std::mutex> lock(m_lossMutex);
        m_strLossReason = SystemErrorText(nCode);
    }
    if (m_bShowLoss) {
        std::string where = strPortName;
        if (!m_strDevicePath.empty() && m_strDevicePath != strPortName)
            where += " (" + m_strDevicePath + ")";
        report.ShowSystemError(static_cast<std::uint32_t>(nCode),
                               "The connection on " + where +
                                   " was lost and the port was closed. Check the phone and its "
                                   "cable or Bluetooth link, then open the connection again.");
    }
    m_bOpen = false;
    {
        std::lock_guard<std::recursive_mutex> lock(m_portMutex);
        m_hPort.Close();
        m_receiver.CleanupAfterRead();
    }
    CallOnUiThread([this] {
        if (ILinkOwner* pView = m_pOwnerView.load()) {
            pView->ResetScreen(true);
            pView->OnConnectionLost();
        }
    });
}

template <class F> void CSerialPort::CallOnUiThread(F&& f) {
    UiHandOver().Call([&f] {
        OwnerCallScope scope;
        f();
    });
}

void CSerialPort::ResetOwnerScreen() {
    // The owner is looked up on the UI thread, where the view unregisters.
    CallOnUiThread([this] {
        if (ILinkOwner* pView = m_pOwnerView.load())
            pView->ResetScreen(true);
    });
}

bool CSerialPort::OwnerShowsReceivedScreens() {
    bool bShows = false;
    CallOnUiThread([this, &bShows] {
        if (ILinkOwner* pView = m_pOwnerView.load())
            bShows = pView->ShowsReceivedScreens();
    });
    return bShows;
}

void CSerialPort::OnPortFrame(const std::uint8_t* pPayload, std::uint32_t nLength) {
    CallOnUiThread([this, pPayload, nLength] {
        if (ILinkOwner* pTarget = m_pPayloadTarget.load())
            pTarget->OnPortFrame(pPayload, nLength);
    });
}

void CSerialPort::OnCloseNotice() {
    CallOnUiThread([this] {
        if (ILinkOwner* pView = m_pOwnerView.load()) {
            pView->OnCloseNotice();
            pView->ResetScreen(true);
        }
    });
}
