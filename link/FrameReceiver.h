// Cuts the byte stream from the phone into frames (drawn in WireFormat.h).
// Bytes that cannot belong to a frame are dropped and the receiver
// resynchronises on the next start marker.
//
// Reads deposit their bytes at ReadPos() (never more than FreeSpace()) and then
// call ProcessBytes. All work is linear in the bytes received: consumed bytes
// are skipped by moving the frame start, and the few bytes left over at the end
// of a read are moved to the buffer start once.
#pragma once

#include "link/WireFormat.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

// Where the receiver's results go. Both calls come from the receiving thread.
class IFrameSink {
public:
    // Why bytes were thrown away.
    enum class Drop {
        Noise,        // bytes before a start marker, or held bytes without one
        BadLength,    // a start marker whose length field is below 20 or above the buffer
        BadEndMarker, // a complete frame that ends in neither marker
        Silence,      // a partly received frame dropped after the line went silent
    };

    virtual ~IFrameSink() = default;
    // A screen frame's payload. The bytes stay valid until the next delivery.
    virtual void OnPortFrame(const std::uint8_t* pPayload, std::uint32_t nLength) = 0;
    // The phone's closing notice.
    virtual void OnCloseNotice() = 0;
    // Bytes dropped; for statistics and the stream inspector.
    virtual void OnDropped(Drop /*eWhy*/, std::uint32_t /*nBytes*/) {}
};

struct FrameStats {
    std::uint64_t screenFrames = 0;
    std::uint64_t closeNotices = 0;
    std::uint64_t badEndMarkers = 0;
    std::uint64_t badLengths = 0;
    std::uint64_t silenceDrops = 0;
    std::uint64_t noiseBytes = 0; // equals m_dwGrandTotal, without its 32-bit wrap
};

class CFrameReceiver {
public:
    static constexpr std::uint32_t kBufferSize = wire::kMaxFrameSize; // 256 KiB
    static constexpr std::uint32_t kHeaderSize = wire::kHeaderSize;
    static constexpr std::uint32_t kFrameOverhead = wire::kFrameOverhead;
    static constexpr std::uint32_t kMarkerSize = wire::kMarkerSize;

    // The receiver takes no lock of its own: an owner that shares it between
    // threads (the serial driver) holds its lock around every call.
    explicit CFrameReceiver(IFrameSink* pSink = nullptr);
    CFrameReceiver(const CFrameReceiver&) = delete;
    CFrameReceiver& operator=(const CFrameReceiver&) = delete;

    void SetSink(IFrameSink* pSink) { m_pSink = pSink; }

    // Where the next read deposits its bytes, and how many it may deposit.
    std::uint8_t* ReadPos() const { return m_pReadPos; }
    std::uint32_t FreeSpace() const;

    // Handles dwBytesRead (> 0) bytes just deposited at ReadPos().
    void ProcessBytes(std::uint32_t dwBytesRead);

    // Ends the current frame: drops a partly received one, keeps bytes held
    // before any length was read, keeps bytes that followed a complete frame.
    void CleanupAfterRead();

    // Copies any amount of bytes in through ReadPos()/ProcessBytes in pieces
    // that fit. For tests and the stream inspector.
    void Feed(const std::uint8_t* pData, std::size_t nLength);

    std::uint32_t HeldBytes() const { return m_dwCountOfTotalBytesRead; }
    const FrameStats& Stats() const { return m_stats; }
    std::uint32_t GrandTotal() const { return m_dwGrandTotal; }

private:
    void FindSTX();
    void CheckETX();
    bool CheckCCONTX();
    void DeliverPayload();
    void DropBytes(std::uint32_t n, IFrameSink::Drop eWhy);
    void Compact();
    std::uint8_t* FrameStart() const { return m_pReadBuffer + m_dwFrameStart; }

    IFrameSink* m_pSink;

    std::uint8_t m_STX[8];
    std::uint8_t m_ETX[8];
    std::uint8_t m_CCONTX[8];
    const std::uint32_t m_dwHeaderSize = kHeaderSize;
    const std::uint32_t m_dwBufferSize = kBufferSize;

    std::vector<std::uint8_t> m_readBuffer;
    std::uint8_t* m_pReadBuffer;
    std::uint8_t* m_pReadPos;
    // Offset of the held bytes (the frame start) inside the receive buffer.
    std::uint32_t m_dwFrameStart = 0;
    std::uint32_t m_dwCountOfTotalBytesRead = 0;
    std::uint32_t m_dwExpectedTotalBytesSize = 0;
    std::uint32_t m_dwPayloadSize = 0;
    bool m_bSTXFound = false;
    bool m_bHeaderRead = false;
    bool m_bMoreData = false;
    std::uint32_t m_dwGrandTotal = 0;
    std::unique_ptr<std::uint8_t[]> m_pPayload; // copy of the last delivered payload
    FrameStats m_stats;
};
