// The serial port driver: opens a port by name, configures it for the phone
// (115200 baud, no parity, 8 data bits, 1 stop bit, raw), and runs the
// monitor thread that reads what arrives into the frame receiver, delivers
// payloads to the view, sends the closing marker, and stops when told.
//
// Threads. The UI thread constructs, opens, starts, closes and destroys the
// driver. After StartMonitor all port input and output happen on the monitor
// thread. The monitor thread reaches the view only through the UI hand-over
// (platform/HandOver.h) and waits until the UI thread has run each call; when
// the UI thread waits for the monitor thread (Close, Configure) it keeps
// running handed-over calls, so the two never hold each other. The monitor
// thread always ends before the port is closed.
#pragma once

#include "link/FrameReceiver.h"
#include "link/LinkOwner.h"
#include "platform/Event.h"
#include "platform/SerialDevice.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

class CErrorReport;

class CSerialPort : private IFrameSink {
public:
    // Comm event bits, kept for the event mask Open passes to Configure.
    static constexpr std::uint32_t EV_RXCHAR = 0x0001;
    static constexpr std::uint32_t EV_CTS = 0x0008;

    // The driver's time limits. The product uses these values; tests may
    // shorten them with SetTimingForTests.
    struct Timing {
        std::chrono::milliseconds silence{10000};     // a silent line resets the view
        std::chrono::milliseconds sendDoneWait{1000}; // Close waits for the closing marker
        std::chrono::milliseconds readWait{50};       // a read the port still owes
        std::chrono::milliseconds writeConstant{1000};
        std::chrono::milliseconds writePerByte{1000};
    };

    CSerialPort();
    virtual ~CSerialPort();
    CSerialPort(const CSerialPort&) = delete;
    CSerialPort& operator=(const CSerialPort&) = delete;

    // The view told when the connection ends, asked whether it shows received
    // screens; may be null. Not owned. Unregistering (null) also stops the
    // payloads to that view.
    void SetOwnerView(ILinkOwner* pView);

    // Opens strPortName (COMn from the port-name table, a program's own port,
    // or a device path) for the view pTarget, which receives the payloads.
    // Closes an open connection first. Errors are shown to the user, unless
    // bQuiet is set: then LastOpenError() holds what would have been shown.
    // Never blocks: the device is opened without waiting. Returns success.
    bool Open(ILinkOwner* pTarget, const std::string& strPortName, bool bQuiet = false);
    // Opens and sets up the port named by Open. dwEventMask names the line
    // events to wait for (EV_RXCHAR | EV_CTS); the monitor thread's poll()
    // always waits for received bytes and for the line's end, so no mask is
    // kept.
    bool Configure(int nBaud, char cParity, int nDataBits, int nStopBits,
                   std::uint32_t dwEventMask);
    // Starts the monitor thread on an open port; false if the port is not
    // open, a thread already runs, or no thread could be started.
    bool StartMonitor();
    // Ends the connection: offers the closing marker to the phone when
    // bSendClose is set, ends the monitor thread, closes the port and resets
    // the owner view. True at once when no connection is open. False when
    // called from inside a call the driver handed to the UI thread (the
    // monitor thread waits for that call to return, so the connection cannot
    // end there).
    bool Close(bool bSendClose);
    // Hands the bytes to the monitor thread for sending; the driver owns them.
    void QueueSend(std::unique_ptr<std::uint8_t[]> pBuffer, std::uint32_t dwLength);

    bool IsOpen() const { return m_bOpen.load(); }
    std::string CurrentPortName() const { return m_strPortName; }
    // What made the last Open fail (UI thread).
    const std::string& LastOpenError() const { return m_strOpenError; }

    // Whether a lost connection (unplugged, hung up, failing) is told in a
    // message box; true by default. When false, the owner view learns of it
    // from OnConnectionLost alone and LossReason() says why.
    void SetLossReport(bool bShowBox) { m_bShowLoss = bShowBox; }
    // The system's text for the error that ended the last lost connection.
    std::string LossReason() const;

    // Test seams.
    void SetTimingForTests(const Timing& timing) { m_timing = timing; }
    // True while a monitor thread object exists (running, or ended and not yet joined).
    bool HasMonitorThread() const { return m_pMonitorThread != nullptr; }
    bool MonitorAlive() const { return m_bMonitorAlive.load(); }
    // The frame receiver's counters; read only while no monitor thread runs.
    const FrameStats& ReceiverStats() const { return m_receiver.Stats(); }

private:
    enum class ReadResult { Drained, Lost };

    static void MonitorThread(CSerialPort* pThis, const std::string& strPortName);
    void MonitorLoop(const std::string& strPortName);
    ReadResult ReadAvailable(short nRevents, int& nLostCode);
    void SendPending(CErrorReport& report);
    void ConnectionLost(CErrorReport& report, int nCode, const std::string& strPortName);
    void EndMonitorThread();
    bool InsideHandedOverCall() const;

    // Calls raised on the monitor thread, run on the UI thread.
    template <class F> void CallOnUiThread(F&& f);
    void ResetOwnerScreen();
    bool OwnerShowsReceivedScreens();

    // IFrameSink: the frame receiver's results (monitor thread, m_portMutex held).
    void OnPortFrame(const std::uint8_t* pPayload, std::uint32_t nLength) override;
    void OnCloseNotice() override;

    Timing m_timing;

    std::unique_ptr<std::thread> m_pMonitorThread;
    std::recursive_mutex m_portMutex; // guards the port and the framing state
    std::atomic<bool> m_bMonitorAlive{false};
    std::unique_ptr<CEvent> m_pSendEvent;
    std::unique_ptr<CEvent> m_pStopEvent;
    std::unique_ptr<CEvent> m_pSendDoneEvent;
    CSerialDevice m_hPort;
    LineSettings m_lineSettings;
    std::atomic<ILinkOwner*> m_pPayloadTarget{nullptr};
    std::string m_strPortName;
    std::string m_strDevicePath;
    bool m_bQuietOpen = false;
    std::string m_strOpenError;
    std::atomic<bool> m_bShowLoss{true};
    mutable std::mutex m_lossMutex; // guards m_strLossReason, written by the monitor thread
    std::string m_strLossReason;
    std::atomic<bool> m_bOpen{false};
    std::atomic<bool> m_bClosing{false};

    std::mutex m_sendMutex; // guards the send buffer between QueueSend and SendPending
    std::unique_ptr<std::uint8_t[]> m_pSendBuffer;
    std::uint32_t m_dwSendSize = 0;

    CFrameReceiver m_receiver;
    std::atomic<ILinkOwner*> m_pOwnerView{nullptr};
};
