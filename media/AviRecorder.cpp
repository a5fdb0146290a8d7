#include "media/AviRecorder.h"

#include "codec/ScreenFormat.h"
#include "platform/OutputFile.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <utility>

namespace lumetto {

CAviRecorder::CAviRecorder() = default;

CAviRecorder::CAviRecorder(AviRecorderTuning tuning) : m_tuning(std::move(tuning)) {}

CAviRecorder::~CAviRecorder() {
    Close();
}

std::chrono::steady_clock::time_point CAviRecorder::Now() const {
    return m_tuning.clock ? m_tuning.clock() : std::chrono::steady_clock::now();
}

bool CAviRecorder::Fail(std::string strError) {
    m_strError = std::move(strError);
    return false;
}

bool CAviRecorder::FailWrite(const std::string& strSystemText) {
    return Fail("Could not write the movie file \"" + m_strPath + "\": " + strSystemText +
                ". The movie keeps the frames recorded so far.");
}

bool CAviRecorder::Open(const std::string& strPath, int nWidth, int nHeight) {
    if (IsOpen())
        Close();
    m_strError.clear();
    if (nWidth <= 0 || nHeight <= 0 || nWidth > kMaxScreenSide || nHeight > kMaxScreenSide)
        return Fail("A movie of " + std::to_string(nWidth) + " x " + std::to_string(nHeight) +
                    " pixels cannot be recorded.");
    // Only a file this call created is removed again when its header cannot be written.
    std::string strResolved, strError;
    bool bCreated = false;
    const int hFile = OpenOutputInPlace(strPath, strResolved, bCreated, strError);
    if (hFile < 0)
        return Fail(std::move(strError));

    m_hFile = hFile;
    m_strPath = strPath;
    m_nFrame = 0;
    m_nRowBytes = static_cast<std::uint32_t>(DibRowStride(nWidth));
    m_header = avi::HeaderFacts{};
    m_header.nWidth = nWidth;
    m_header.nHeight = nHeight;
    m_header.nFrameBytes = m_nRowBytes * static_cast<std::uint32_t>(nHeight);
    m_nEnd = avi::kHeaderSize;
    m_bSegmentOpen = true;
    m_nSegmentStart = 0;
    m_nMoviFourCC = avi::kMoviFourCC;
    m_chunkOffsets.clear();
    if (!RewriteHeader()) {
        std::string strIgnored;
        CloseOutput(m_hFile, strIgnored);
        m_hFile = -1;
        if (bCreated)
            RemoveOutput(strResolved);
        return false;
    }
    return true;
}

bool CAviRecorder::WriteAll(std::uint64_t nOffset, const void* const* ppParts,
                            const std::size_t* pSizes, int nParts) {
    OutputPiece pieces[4];
    const int nPieces = nParts < 4 ? nParts : 4;
    for (int i = 0; i < nPieces; ++i)
        pieces[i] = OutputPiece{ppParts[i], pSizes[i]};
    std::string strSystemText;
    return WriteOutputAt(m_hFile, nOffset, pieces, nPieces, strSystemText) ||
           FailWrite(strSystemText);
}

void CAviRecorder::CutBackTo(std::uint64_t nEnd) {
    // Best effort: a torn frame at the end would only be skipped by readers,
    // so a failure here changes nothing the caller could act on.
    (void)TruncateOutput(m_hFile, nEnd);
}

bool CAviRecorder::RewriteHeader() {
    if (InFirstSegment() && m_bSegmentOpen) {
        m_header.nFirstRiffEnd = m_nEnd;
        m_header.nFirstMoviEnd = m_nEnd;
        m_header.nFirstRiffFrames = static_cast<std::uint32_t>(m_nFrame);
    }
    m_header.nTotalFrames = static_cast<std::uint32_t>(m_nFrame);
    const std::vector<std::uint8_t> header = avi::BuildHeader(m_header);
    const void* parts[] = {header.data()};
    const std::size_t sizes[] = {header.size()};
    if (!WriteAll(0, parts, sizes, 1))
        return false;
    if (!InFirstSegment()) {
        // A continuation list's own sizes: it always ends with its movi list.
        CLeBytes segment;
        const std::uint64_t nLength = m_nEnd - m_nSegmentStart;
        avi::AppendSegmentHeader(segment, nLength, nLength);
        const void* segParts[] = {segment.Data()};
        const std::size_t segSizes[] = {segment.Size()};
        if (!WriteAll(m_nSegmentStart, segParts, segSizes, 1))
            return false;
    }
    m_lastRewrite = Now();
    return true;
}

bool CAviRecorder::FinishSegment(bool bClosing) {
    const bool bFirst = InFirstSegment();
    // A movie that stays one RIFF is a plain AVI: idx1 only, no ix00.
    const bool bStdIndex = !(bClosing && bFirst);
    const auto nFrames = static_cast<std::uint32_t>(m_chunkOffsets.size());
    CLeBytes tail;
    const std::uint64_t nIndexAt = m_nEnd;
    if (bStdIndex)
        avi::AppendStdIndex(tail, m_chunkOffsets, m_nMoviFourCC, m_header.nFrameBytes);
    const std::uint64_t nMoviEnd = m_nEnd + tail.Size();
    if (bFirst)
        avi::AppendIdx1(tail, m_chunkOffsets, m_nMoviFourCC, m_header.nFrameBytes);
    const std::uint64_t nRiffEnd = m_nEnd + tail.Size();

    const std::uint64_t nOldEnd = m_nEnd;
    const void* parts[] = {tail.Data()};
    const std::size_t sizes[] = {tail.Size()};
    if (!WriteAll(m_nEnd, parts, sizes, 1)) {
        CutBackTo(nOldEnd);
        return false;
    }
    const avi::HeaderFacts saved = m_header;
    if (bStdIndex)
        m_header.superIndex.push_back(
            {nIndexAt, static_cast<std::uint32_t>(nMoviEnd - nIndexAt), nFrames});
    if (bFirst) {
        m_header.nFirstRiffEnd = nRiffEnd;
        m_header.nFirstMoviEnd = nMoviEnd;
        m_header.nFirstRiffFrames = nFrames;
        m_header.bHasIdx1 = true;
    }
    m_nEnd = nRiffEnd;
    m_bSegmentOpen = false;
    if (!RewriteHeader()) {
        m_header = saved;
        m_nEnd = nOldEnd;
        m_bSegmentOpen = true;
        CutBackTo(nOldEnd);
        return false;
    }
    m_chunkOffsets.clear();
    return true;
}

bool CAviRecorder::WriteFrame(const std::uint8_t* pBits, std::size_t nBytes) {
    if (!IsOpen())
        return Fail("No movie is being recorded.");
    if (!pBits)
        return Fail("There is no screen picture to record.");
    const std::uint32_t nFrameBytes = m_header.nFrameBytes;
    if (nBytes != nFrameBytes && nBytes != std::size_t{nFrameBytes} + m_nRowBytes)
        return Fail("The screen picture does not have the movie's size of " +
                    std::to_string(m_header.nWidth) + " x " + std::to_string(m_header.nHeight) +
                    " pixels.");
    if (m_nFrame == INT_MAX)
        return Fail("The movie \"" + m_strPath + "\" holds as many frames as it can.");

    const std::uint32_t nPad = nFrameBytes & 1; // chunks start at even offsets
    const std::uint64_t nChunk = 8 + std::uint64_t{nFrameBytes} + nPad;
    if (m_bSegmentOpen && !m_chunkOffsets.empty() &&
        m_nEnd + nChunk - m_nSegmentStart > m_tuning.nRiffLimit) {
        if (!FinishSegment(false))
            return false;
    }
    const bool bNewSegment = !m_bSegmentOpen;
    if (bNewSegment && m_header.superIndex.size() >= avi::kSuperIndexSlots)
        return Fail("The movie \"" + m_strPath +
                    "\" has reached the largest size it can hold. Start a new recording to go on.");

    const std::uint64_t nAt = m_nEnd;
    std::uint64_t nChunkAt = nAt;
    CLeBytes head;
    if (bNewSegment) {
        const std::uint64_t nLength = avi::kSegmentHeaderSize + nChunk;
        avi::AppendSegmentHeader(head, nLength, nLength);
        nChunkAt += avi::kSegmentHeaderSize;
    }
    avi::AppendChunkHeader(head, "00db", nFrameBytes);
    static const std::uint8_t kZero = 0;
    const void* parts[] = {head.Data(), pBits, &kZero};
    const std::size_t sizes[] = {head.Size(), nFrameBytes, nPad};
    if (!WriteAll(nAt, parts, sizes, 3)) {
        CutBackTo(nAt);
        return false;
    }

    const std::uint64_t nOldSegmentStart = m_nSegmentStart;
    const std::uint64_t nOldMoviFourCC = m_nMoviFourCC;
    if (bNewSegment) {
        m_bSegmentOpen = true;
        m_nSegmentStart = nAt;
        m_nMoviFourCC = nAt + avi::kSegmentMoviFourCC;
    }
    m_chunkOffsets.push_back(nChunkAt);
    m_nEnd = nChunkAt + nChunk;
    ++m_nFrame;

    if (Now() - m_lastRewrite >= m_tuning.rewritePeriod && !RewriteHeader()) {
        m_chunkOffsets.pop_back();
        --m_nFrame;
        m_nEnd = nAt;
        if (bNewSegment) {
            m_bSegmentOpen = false;
            m_nSegmentStart = nOldSegmentStart;
            m_nMoviFourCC = nOldMoviFourCC;
        }
        CutBackTo(nAt);
        return false;
    }
    return true;
}

bool CAviRecorder::Close() {
    if (!IsOpen())
        return true;
    bool bOk = true;
    if (m_bSegmentOpen && !FinishSegment(true))
        bOk = false; // the header below still describes every frame written
    if (!RewriteHeader())
        bOk = false;
    std::string strSystemText;
    if (!CloseOutput(m_hFile, strSystemText) && bOk)
        bOk = FailWrite(strSystemText);
    m_hFile = -1;
    return bOk;
}

} // namespace lumetto
