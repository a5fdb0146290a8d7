// CMp4Writer: FFmpeg's side of a movie. Places each picture in the movie's
// fixed size (PlaceInMovie: a whole factor, nearest neighbour, so every phone
// pixel stays a sharp block; centred on black; shrunk smoothly only when it
// is larger than the movie), converts it to yuv420p, encodes it as H.264
// (libx264: veryfast, zerolatency, CRF 18, high profile, an IDR picture at
// least once a second) and muxes it on a 1 ms time base. MP4 and MOV are
// fragmented:
//
//   ftyp | moov (no samples) | moof mdat | moof mdat | ... | mfra (at Finish)
//
// Matroska is written as clusters, one per key frame. A fragment (cluster)
// starts at each key frame and is written out as soon as the next one
// begins, so a file cut at any point plays up to its last complete fragment.
// No seeking: the file only grows. After a failed write, Discard cuts the
// file back to the end of its last complete fragment, so it ends cleanly.
//
// Threads: one thread at a time (the recorder's encoder thread after Open).
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <utility>
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
    // the header of a movie of nMovieWidth x nMovieHeight (even) in the
    // container pMuxer names ("mp4", "mov", "matroska"). Pictures of
    // nFirstWidth x nFirstHeight are drawn at nFirstScale (0: by PlaceInMovie)
    // from the top left corner. strPath names the file in messages. False
    // with GetLastError set; the descriptor is closed either way when the
    // writer is done.
    bool Open(int hFile, const std::string& strPath, const char* pMuxer, int nMovieWidth,
              int nMovieHeight, int nFirstWidth, int nFirstHeight, int nFirstScale);

    // Encodes a new picture (nWidth x nHeight pixels of 0xffRRGGBB, rows
    // from the top, no gaps) shown from nPts milliseconds on. nPts must grow.
    bool AddPicture(const std::uint32_t* pPixels, int nWidth, int nHeight, std::int64_t nPts);
    // Encodes the last picture again at nPts (a repeat for seeking).
    bool RepeatPicture(std::int64_t nPts);
    // Ends the movie at nEndPts: the last picture lasts until then, the
    // encoder is drained, the trailer written and the file closed.
    bool Finish(std::int64_t nEndPts);
    // Closes the file without a trailer (after a failure), cut back to the
    // end of its last complete fragment.
    void Discard();

    // What the file holds for sure: the pictures (repeats not counted) in
    // complete fragments, and the time up to which they play, in ms. After
    // Finish, the whole movie.
    std::int64_t WrittenPictures() const { return m_nWrittenPictures; }
    std::int64_t WrittenEndPts() const { return m_nWrittenEndPts; }

    bool HasPicture() const { return m_nLastPts >= 0; }
    std::int64_t LastPts() const { return m_nLastPts; }
    int OutputWidth() const { return m_nOutWidth; }
    int OutputHeight() const { return m_nOutHeight; }
    const std::string& GetLastError() const { return m_strError; }

private:
    bool OpenMuxer(const char* pMuxer);
    bool OpenEncoder(const AVCodec* pEncoder);
    bool OpenConversion();
    bool WriteHeader();
    bool Fail(std::string strError);
    bool FailFfmpeg(const char* pWhat, int nAvError);
    bool EncodeAt(std::int64_t nPts, bool bNewPicture);
    bool Encode(AVFrame* pFrame);
    bool WriteOut(AVPacket* pPacket);
    bool Place(const std::uint32_t* pPixels, int nWidth, int nHeight);
    bool CloseFile();
    static int WritePacket(void* pOpaque, const std::uint8_t* pBuf, int nSize);
    void Free();

    int m_hFile = -1;
    std::string m_strPath;
    bool m_bMatroska = false;
    int m_nFirstWidth = 0, m_nFirstHeight = 0, m_nFirstScale = 0;
    int m_nOutWidth = 0, m_nOutHeight = 0;
    std::vector<std::uint32_t> m_scaled; // the movie's picture, before the colour conversion
    int m_nPlacedX = -1, m_nPlacedY = -1, m_nPlacedW = 0,
        m_nPlacedH = 0; // the last picture's place

    AVFormatContext* m_pFormat = nullptr;
    AVIOContext* m_pIo = nullptr;
    AVCodecContext* m_pCodec = nullptr;
    AVStream* m_pStream = nullptr;
    AVFrame* m_pFrame = nullptr;
    AVPacket* m_pPacket = nullptr;
    SwsContext* m_pSws = nullptr;
    SwsContext* m_pShrink = nullptr; // pictures larger than the movie
    bool m_bHeaderWritten = false;

    std::int64_t m_nLastPts = -1;
    std::int64_t m_nLastKeyPts = -1;
    std::string m_strWriteError; // the system's text for the write that failed
    std::uint64_t m_nBytesWritten = 0;
    // Frames handed to the encoder and not yet out of it: their time, and
    // whether each is a new picture (not a repeat).
    std::deque<std::pair<std::int64_t, bool>> m_inEncoder;
    std::int64_t m_nPendingPictures = 0; // in the fragment being built
    std::int64_t m_nPendingPackets = 0;
    std::int64_t m_nWrittenPictures = 0;
    std::int64_t m_nWrittenEndPts = 0;
    std::uint64_t m_nWrittenBytes = 0; // the end of the last complete fragment
    std::string m_strError;
};

} // namespace lumetto
