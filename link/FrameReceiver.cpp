#include "link/FrameReceiver.h"

#include <algorithm>
#include <cstring>

namespace {

// The 8 bytes at p as one number, to compare a marker in one step.
std::uint64_t Load8(const std::uint8_t* p) {
    std::uint64_t v;
    std::memcpy(&v, p, 8);
    return v;
}

} // namespace

CFrameReceiver::CFrameReceiver(IFrameSink* pSink) : m_pSink(pSink), m_readBuffer(kBufferSize, 0) {
    std::memcpy(m_STX, wire::kStartMarker, kMarkerSize);
    std::memcpy(m_ETX, wire::kScreenEndMarker, kMarkerSize);
    std::memcpy(m_CCONTX, wire::kCloseMarker, kMarkerSize);
    m_pReadBuffer = m_readBuffer.data();
    m_pReadPos = m_pReadBuffer;
    m_pPayload = std::make_unique<std::uint8_t[]>(kBufferSize - kFrameOverhead);
}

std::uint32_t CFrameReceiver::FreeSpace() const {
    return m_dwBufferSize - m_dwFrameStart - m_dwCountOfTotalBytesRead;
}

void CFrameReceiver::Feed(const std::uint8_t* pData, std::size_t nLength) {
    while (nLength > 0) {
        const std::size_t n = std::min<std::size_t>(nLength, FreeSpace());
        std::memcpy(m_pReadPos, pData, n);
        ProcessBytes(static_cast<std::uint32_t>(n));
        pData += n;
        nLength -= n;
    }
}

void CFrameReceiver::ProcessBytes(std::uint32_t dwBytesRead) {
    // A read never deposits more than the free space; refuse a count that
    // claims more, so nothing past the buffer is ever looked at.
    dwBytesRead = std::min(dwBytesRead, FreeSpace());
    m_bMoreData = true;
    m_dwCountOfTotalBytesRead += dwBytesRead;
    while (m_bMoreData) {
        m_bMoreData = false;
        if (!m_bSTXFound)
            FindSTX();
        if (!m_bSTXFound)
            continue;
        if (!m_bHeaderRead && m_dwCountOfTotalBytesRead >= m_dwHeaderSize) {
            const std::uint8_t* f = FrameStart();
            const std::uint32_t total = wire::FrameLength(f + kMarkerSize);
            if (total < kFrameOverhead || total > m_dwBufferSize) {
                // Not a frame: drop this start marker and look for the next one
                // among the bytes already held.
                m_bSTXFound = false;
                ++m_stats.badLengths;
                DropBytes(kMarkerSize, IFrameSink::Drop::BadLength);
                m_bMoreData = true;
                continue;
            }
            m_bHeaderRead = true;
            m_dwExpectedTotalBytesSize = total;
        }
        if (m_bHeaderRead && m_dwCountOfTotalBytesRead >= m_dwExpectedTotalBytesSize)
            CheckETX();
    }
    Compact();
}

void CFrameReceiver::FindSTX() {
    if (m_dwCountOfTotalBytesRead < m_dwHeaderSize)
        return;
    const std::uint8_t* base = FrameStart();
    const std::uint32_t count = m_dwCountOfTotalBytesRead;
    // Frames that follow each other start right at the held bytes: settle
    // that case without a search (at least 12 bytes are held here).
    if (Load8(base) == Load8(m_STX)) {
        m_bSTXFound = true;
        return;
    }
    const std::uint8_t* p = base;
    const std::uint8_t* end = base + count;
    while ((p = static_cast<const std::uint8_t*>(std::memchr(p, 's', std::size_t(end - p)))) !=
           nullptr) {
        const std::uint32_t i = static_cast<std::uint32_t>(p - base);
        const std::uint32_t avail = std::min<std::uint32_t>(count - i, kMarkerSize);
        if (std::memcmp(p, m_STX, avail) == 0) {
            // A whole marker with at least one byte after it starts a frame; a
            // marker (or its beginning) at the very end waits for the next read.
            if (i > 0)
                DropBytes(i, IFrameSink::Drop::Noise);
            m_bSTXFound = count - i > kMarkerSize;
            return;
        }
        ++p;
    }
    DropBytes(count, IFrameSink::Drop::Noise);
}

void CFrameReceiver::DropBytes(std::uint32_t n, IFrameSink::Drop eWhy) {
    if (eWhy == IFrameSink::Drop::Noise) {
        m_dwGrandTotal += n;
        m_stats.noiseBytes += n;
    }
    m_dwFrameStart += n;
    m_dwCountOfTotalBytesRead -= n;
    if (m_dwCountOfTotalBytesRead == 0)
        m_dwFrameStart = 0;
    if (m_pSink)
        m_pSink->OnDropped(eWhy, n);
}

void CFrameReceiver::CheckETX() {
    const std::uint8_t* marker = FrameStart() + m_dwExpectedTotalBytesSize - kMarkerSize;
    if (Load8(marker) == Load8(m_ETX)) {
        m_dwPayloadSize = m_dwExpectedTotalBytesSize - kFrameOverhead;
        DeliverPayload();
    } else if (!CheckCCONTX()) {
        ++m_stats.badEndMarkers;
        if (m_pSink)
            m_pSink->OnDropped(IFrameSink::Drop::BadEndMarker, m_dwExpectedTotalBytesSize);
    }
    CleanupAfterRead();
}

bool CFrameReceiver::CheckCCONTX() {
    const std::uint8_t* marker = FrameStart() + m_dwExpectedTotalBytesSize - kMarkerSize;
    if (Load8(marker) != Load8(m_CCONTX))
        return false;
    m_dwPayloadSize = m_dwExpectedTotalBytesSize - kFrameOverhead;
    ++m_stats.closeNotices;
    if (m_pSink)
        m_pSink->OnCloseNotice();
    return true;
}

void CFrameReceiver::DeliverPayload() {
    // The copy lives in a buffer made once for the largest payload.
    std::memcpy(m_pPayload.get(), FrameStart() + m_dwHeaderSize, m_dwPayloadSize);
    ++m_stats.screenFrames;
    if (m_pSink)
        m_pSink->OnPortFrame(m_pPayload.get(), m_dwPayloadSize);
}

void CFrameReceiver::CleanupAfterRead() {
    if (m_dwCountOfTotalBytesRead > m_dwExpectedTotalBytesSize) {
        // Bytes that followed the frame (or, before any length was read, all
        // held bytes) stay and are scanned next.
        m_dwFrameStart += m_dwExpectedTotalBytesSize;
        m_dwCountOfTotalBytesRead -= m_dwExpectedTotalBytesSize;
        m_bMoreData = true;
    } else {
        if (m_bHeaderRead && m_dwCountOfTotalBytesRead < m_dwExpectedTotalBytesSize) {
            ++m_stats.silenceDrops;
            if (m_pSink)
                m_pSink->OnDropped(IFrameSink::Drop::Silence, m_dwCountOfTotalBytesRead);
        }
        m_dwCountOfTotalBytesRead = 0;
        m_dwFrameStart = 0;
        m_bMoreData = false;
    }
    m_dwExpectedTotalBytesSize = 0;
    m_dwPayloadSize = 0;
    m_bSTXFound = false;
    m_bHeaderRead = false;
    m_pReadPos = FrameStart() + m_dwCountOfTotalBytesRead;
}

void CFrameReceiver::Compact() {
    if (m_dwFrameStart != 0) {
        std::memmove(m_pReadBuffer, FrameStart(), m_dwCountOfTotalBytesRead);
        m_dwFrameStart = 0;
    }
    m_pReadPos = m_pReadBuffer + m_dwCountOfTotalBytesRead;
}
