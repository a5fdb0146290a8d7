#include "tools/dump/PortCapture.h"

#include "platform/Console.h"
#include "platform/ErrorReport.h"
#include "platform/Event.h"
#include "platform/OutputFile.h"
#include "platform/PortNameTable.h"
#include "platform/SerialDevice.h"
#include "platform/SystemError.h"
#include "tools/dump/StreamInspector.h"

#include <chrono>
#include <cstdint>
#include <cstdio>

namespace {

using Clock = std::chrono::steady_clock;

// The raw bytes, written where they belong as they arrive, so that a capture
// cut short still keeps all it received.
class CRawFile {
public:
    ~CRawFile() {
        std::string strIgnored;
        if (m_hFile >= 0)
            lumetto::CloseOutput(m_hFile, strIgnored);
    }
    bool Open(const std::string& strPath, std::string& strError) {
        m_strPath = strPath;
        m_hFile = strPath.empty() ? -1 : lumetto::OpenOutputInPlace(strPath, strError);
        return strPath.empty() || m_hFile >= 0;
    }
    bool Append(const std::uint8_t* pData, std::size_t nSize, std::string& strError) {
        if (m_hFile < 0)
            return true;
        const lumetto::OutputPiece piece{pData, nSize};
        std::string strSystemText;
        if (!lumetto::WriteOutputAt(m_hFile, m_nOffset, &piece, 1, strSystemText)) {
            strError = "Cannot write \"" + m_strPath + "\": " + strSystemText + ".";
            return false;
        }
        m_nOffset += nSize;
        return true;
    }
    bool Close(std::string& strError) {
        std::string strSystemText;
        const bool bOk = m_hFile < 0 || lumetto::CloseOutput(m_hFile, strSystemText);
        m_hFile = -1;
        if (!bOk)
            strError = "Cannot write \"" + m_strPath + "\": " + strSystemText + ".";
        return bOk;
    }

private:
    std::string m_strPath;
    int m_hFile = -1;
    std::uint64_t m_nOffset = 0;
};

} // namespace

bool CapturePort(const PortCaptureOptions& options, CStreamInspector& inspector,
                 std::string& strError) {
    const std::optional<std::string> device = CPortNameTable::FromSystem().Resolve(options.strPort);
    CSerialDevice port;
    if (!device) {
        strError = CErrorReport::PortErrorMessage(static_cast<std::uint32_t>(kSystemNotFound),
                                                  options.strPort, {});
        return false;
    }
    if (!port.Open(*device)) {
        strError = CErrorReport::PortErrorMessage(static_cast<std::uint32_t>(LastSystemError()),
                                                  options.strPort, *device);
        return false;
    }
    if (!port.SetLineSettings({}) || !port.RaiseModemLines() || !port.Flush()) {
        strError = "Cannot set up " + options.strPort + ": " + SystemErrorText(LastSystemError());
        return false;
    }
    CRawFile raw;
    if (!raw.Open(options.strSave, strError))
        return false;

    const CEvent* pStop = InstallConsoleStop();
    // On standard error, so that standard output holds the same lines as
    // for a file.
    std::fprintf(stderr, "lumetto-dump: reading %s; Ctrl+C ends the capture.\n",
                 options.strPort.c_str());
    std::fflush(stderr);
    CEvent stopUnavailable; // never set: stands in when the console refused
    const CEvent& stop = pStop != nullptr ? *pStop : stopUnavailable;
    const CEvent noSend; // the capture never sends
    const bool bLimited = options.nTimeLimit > 0;
    const auto deadline = Clock::now() + std::chrono::seconds(options.nTimeLimit);
    std::uint8_t buffer[4096];
    for (;;) {
        int nWaitMs = -1;
        if (bLimited) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            if (left.count() <= 0)
                break;
            nWaitMs = static_cast<int>(left.count());
        }
        const CSerialDevice::WaitResult ready = port.Wait(stop, true, noSend, nWaitMs);
        if (ready.eReady == CSerialDevice::Ready::Stop)
            break;
        if (ready.eReady == CSerialDevice::Ready::Timeout ||
            ready.eReady == CSerialDevice::Ready::Send)
            continue;
        if (ready.eReady == CSerialDevice::Ready::Failed) {
            if (LastSystemError() == kSystemInterrupted)
                continue;
            strError = "Waiting for " + options.strPort +
                       " failed: " + SystemErrorText(LastSystemError()) + ".";
            return false;
        }
        // Everything that has arrived, then back to waiting.
        bool bLost = ready.bHangup;
        int nLostCode = kSystemIoError;
        for (;;) {
            const long n = port.Read(buffer, sizeof buffer);
            if (n > 0) {
                if (!raw.Append(buffer, static_cast<std::size_t>(n), strError))
                    return false;
                inspector.Feed(buffer, static_cast<std::size_t>(n));
                continue;
            }
            // Nothing more (POSIX raw mode reads 0 then); after a hang-up
            // that is the line's end, which bLost already holds.
            if (n < 0 && LastSystemError() != kSystemWouldBlock) {
                bLost = true;
                nLostCode = LastSystemError();
            }
            break;
        }
        inspector.FlushLines();
        if (bLost) {
            strError = "The connection on " + options.strPort +
                       " was lost: " + SystemErrorText(nLostCode) + ".";
            return false;
        }
    }
    return raw.Close(strError);
}
