// CMp4Writer: FFmpeg's side of an MP4 movie. Scales each picture by a whole
// factor (nearest neighbour, so every phone pixel stays a sharp block),
// converts it to yuv420p, encodes it as H.264 (libx264: veryfast,
// zerolatency, CRF 18, high profile, an IDR picture at least once a second)
// and muxes it into a fragmented MP4 file on a 1 ms time base:
//
//   ftyp | moov (no samples) | moof mdat | moof mdat | ... | mfra (at Finish)
//
// A fragment starts at each key frame and is written out as soon as the
// next one begins, so a file cut at any point plays up to its last complete
// fragment. No seeking: the file only grows.
//
// Threads: one thread at a time (the recorder's encoder thread after Open).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct AVCodec;
struct AVCodecContext;
struct AVFormatContext;
struct AVFrame;
struct AVIOContext;
struct AVPacket;
struct AVStream;
struct SwsContext;

namespace lumetto {

// Time between key frames at most, and between a picture and its repeat.
constexpr std::int64_t kMp4KeyPeriodMs = 1000;

class CMp4Writer {
public:
    CMp4Writer() = default;
    // Frees everything; the file is closed without a trailer if Finish was
    // not called (it then plays up to its last fragment).
    ~CMp4Writer();
    CMp4Writer(const CMp4Writer&) = delete;
    CMp4Writer& operator=(const CMp4Writer&) = delete;

    // Takes over hFile (an empty regular file open for writing) and writes
    // the movie's header for pictures of nWidth x nHeight scaled by nScale.
    // strPath names the file in messages. False with GetLastError set; the
    // descriptor is closed either way when the writer is done.
    bool Open(int hFile, const std::string& strPath, int nWidth, int nHeight, int nScale);

    // Encodes a new picture (nWidth x nHeight pixels of 0xffRRGGBB, rows
    // from the top, no gaps) shown from nPts milliseconds on. nPts must grow.
    bool AddPicture(const std::uint32_t* pPixels, std::int64_t nPts);
    // Encodes the last picture again at nPts (a repeat for seeking).
    bool RepeatPicture(std::int64_t nPts);
    // Ends the movie at nEndPts: the last picture lasts until then, the
    // encoder is drained, the trailer written and the file closed.
    bool Finish(std::int64_t nEndPts);
    // Closes the file as it is, without a trailer (after a failure).
    void Discard();

    bool HasPicture() const { return m_nLastPts >= 0; }
    std::int64_t LastPts() const { return m_nLastPts; }
    int OutputWidth() const { return m_nOutWidth; }
    int OutputHeight() const { return m_nOutHeight; }
    const std::string& GetLastError() const { return m_strError; }

private:
    bool OpenMuxer();
    bool OpenEncoder(const AVCodec* pEncoder);
    bool OpenConversion();
    bool WriteHeader();
    bool Fail(std::string strError);
    bool FailFfmpeg(const char* pWhat, int nAvError);
    bool Encode(AVFrame* pFrame);
    bool WriteOut(AVPacket* pPacket);
    bool CloseFile();
    static int WritePacket(void* pOpaque, const std::uint8_t* pBuf, int nSize);
    void Free();

    int m_hFile = -1;
    std::string m_strPath;
    int m_nWidth = 0, m_nHeight = 0, m_nScale = 1;
    int m_nOutWidth = 0, m_nOutHeight = 0;
    std::vector<std::uint32_t> m_scaled; // the picture scaled, padded to even sides

    AVFormatContext* m_pFormat = nullptr;
    AVIOContext* m_pIo = nullptr;
    AVCodecContext* m_pCodec = nullptr;
    AVStream* m_pStream = nullptr;
    AVFrame* m_pFrame = nullptr;
    AVPacket* m_pPacket = nullptr;
    SwsContext* m_pSws = nullptr;
    bool m_bHeaderWritten = false;

    std::int64_t m_nLastPts = -1;
    std::int64_t m_nLastKeyPts = -1;
    int m_nWriteErrno = 0; // the system's error of the write that failed
    std::string m_strError;
};

} // namespace lumetto
