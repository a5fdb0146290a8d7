// CAviRecorder: writes the phone's screen as an AVI movie at 5 frames per
// second, one uncompressed 24-bit key frame per call of WriteFrame.
//
// Frames are screen pictures as the program holds them: rows bottom-up,
// pixels blue, green, red, rows of DibRowStride(width) bytes. A picture may
// come with its white slack row on top (ScreenImageSize bytes) or without it;
// each sample holds exactly the height's rows, so every player shows the
// same picture.
//
// The file stays playable whatever happens to the program: every frame goes
// straight to the file, and the header's sizes and counts are rewritten after
// a frame once a second has passed since the last rewrite, so a reader finds
// every frame up to that point even if Close is never called. Close adds the
// idx1 index and the final counts. A movie that outgrows 1 GiB goes on in
// OpenDML continuation lists (AVIX) with a super index, keeping the first
// RIFF readable by old players.
//
// The operations must not overlap; the owner serialises them.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "media/AviLayout.h"

namespace lumetto {

// Settings a test may change; the program uses the defaults.
struct AviRecorderTuning {
    using Clock = std::function<std::chrono::steady_clock::time_point()>;
    Clock clock;                                   // empty: the steady clock
    std::chrono::milliseconds rewritePeriod{1000}; // header rewrite at most this apart
    std::uint64_t nRiffLimit = avi::kRiffLimit;    // size of one RIFF list
};

class CAviRecorder {
public:
    CAviRecorder();
    explicit CAviRecorder(AviRecorderTuning tuning);
    // Finishes a movie that is still open, as Close does.
    ~CAviRecorder();
    CAviRecorder(const CAviRecorder&) = delete;
    CAviRecorder& operator=(const CAviRecorder&) = delete;

    // Creates (or replaces) the movie file for pictures of nWidth x nHeight
    // and writes its header, in place at the name's target by the rules of
    // media/OutputFile.h (a folder, FIFO or device is refused untouched).
    // On false, GetLastError says why and no file is left behind. A movie
    // still open is finished first.
    bool Open(const std::string& strPath, int nWidth, int nHeight);

    // Appends one picture as the next frame: nBytes must be
    // DibRowStride(width) x height, or that plus the slack row. On false
    // (no movie open, null or wrongly sized picture, a write error such as a
    // full disk) the frame is not counted, the file is left as it was before
    // the call, and GetLastError says what failed.
    bool WriteFrame(const std::uint8_t* pBits, std::size_t nBytes);

    // Finishes the movie: index, final sizes and counts, file closed. Safe
    // to call when nothing is open. False if part of it could not be written;
    // the frames written stay playable.
    bool Close();

    bool IsOpen() const { return m_hFile >= 0; }
    // Frames written to the open (or last) movie.
    int GetFrameCount() const { return m_nFrame; }
    // What went wrong in the last failed call, as a sentence for the user.
    const std::string& GetLastError() const { return m_strError; }

private:
    bool Fail(std::string strError);
    bool FailWrite(const std::string& strSystemText);
    bool WriteAll(std::uint64_t nOffset, const void* const* ppParts, const std::size_t* pSizes,
                  int nParts);
    void CutBackTo(std::uint64_t nEnd);
    bool RewriteHeader();
    bool FinishSegment(bool bClosing);
    bool InFirstSegment() const { return m_nSegmentStart == 0; }
    std::chrono::steady_clock::time_point Now() const;

    AviRecorderTuning m_tuning;
    int m_hFile = -1;
    std::string m_strPath;
    int m_nFrame = 0; // frames written, and the index of the next one
    std::uint32_t m_nRowBytes = 0;

    avi::HeaderFacts m_header;
    std::uint64_t m_nEnd = 0;                  // end of everything written so far
    bool m_bSegmentOpen = false;               // a movi list takes frames
    std::uint64_t m_nSegmentStart = 0;         // offset of that RIFF list (0: the first)
    std::uint64_t m_nMoviFourCC = 0;           // offset of its "movi" code
    std::vector<std::uint64_t> m_chunkOffsets; // its frame chunks

    std::chrono::steady_clock::time_point m_lastRewrite;
    std::string m_strError;
};

} // namespace lumetto
