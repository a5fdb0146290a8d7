// CMp4Recorder: an H.264 movie in a fragmented MP4 file (or MOV, or
// Matroska, as the name's extension says: media/MovieFormat.h), through
// FFmpeg's libraries, for sharing: every picture at the moment it arrived
// (variable frame rate on a 1 ms time base), each pixel an exact scale x
// scale block (nearest neighbour before the colour conversion to yuv420p),
// about CRF 18. The movie keeps the size it started with (MovieSizeFor);
// pictures of another size are placed in it (PlaceInMovie).
//
// Threads: Open, AddFrame, Close and the queries are called from one thread
// (the UI thread) and never wait for the encoder: pictures go through a
// bounded queue to an encoder thread of the recorder's own. When the encoder
// falls behind, queued pictures between the oldest and the newest are
// dropped (counted), never the newest. While no picture comes the encoder
// repeats the last one once a second, so players can seek.
//
// The file is written in place (OpenOutputInPlace) as fragments of at most
// about a second, so whatever was written before the program was killed
// plays up to that point. When Close finishes the movie normally, it is
// rewritten as an ordinary file with its index at the front
// (RemuxFinishedMovie, on the encoder thread, which Close waits for).
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "media/MovieEncoder.h"
#include "media/MovieGeometry.h"

namespace lumetto {

// The largest picture side AddFrame takes (a skin picture may be larger
// than any screen; it is shrunk to fit the movie).
constexpr int kMp4MaxPictureSide = 8192;

// Settings a test or a measurement may change; the program uses the defaults.
struct Mp4RecorderTuning {
    // Read on the calling thread and on the encoder thread.
    using Clock = std::function<std::chrono::steady_clock::time_point()>;
    Clock clock;                 // empty: the steady clock
    std::size_t nQueueLimit = 8; // pictures waiting for the encoder, at least 1
};

class CMp4Recorder final : public IMovieEncoder {
public:
    CMp4Recorder();
    explicit CMp4Recorder(Mp4RecorderTuning tuning);
    // Finishes a movie that is still open, as Close does.
    ~CMp4Recorder() override;
    CMp4Recorder(const CMp4Recorder&) = delete;
    CMp4Recorder& operator=(const CMp4Recorder&) = delete;

    // Creates (or replaces) the movie for a first picture of nWidth x
    // nHeight, each pixel drawn as an nScale x nScale block (1..8; 0: the
    // factor for the height), or less where the movie would be too large
    // (MovieSizeFor), and starts the encoder thread. The movie's time starts
    // at this call. False with GetLastError a sentence for the user; then no
    // file is left behind.
    bool Open(const std::string& strPath, int nWidth, int nHeight, int nScale) override;

    // Queues one picture that arrived now: nWidth x nHeight pixels of 32 bits
    // (0xffRRGGBB, QImage::Format_RGB32 in memory), rows from the top,
    // nStride bytes apart. Copies the pixels and returns at once. False when
    // no movie is open or the encoder has failed (GetLastError says why).
    bool AddFrame(const std::uint8_t* pPixels, int nWidth, int nHeight,
                  std::size_t nStride) override;
    // A picture of the size the movie was opened for.
    bool AddFrame(const std::uint8_t* pPixels, std::size_t nStride);

    // The movie's picture size.
    MovieSize Size() const override;

    // Finishes the movie: the queued pictures, the last picture's duration up
    // to now, the file closed and rewritten for players. Waits for the
    // encoder thread. Safe when nothing is open. False if something could
    // not be written.
    bool Close() override;

    bool IsOpen() const override;
    // Whether the encoder thread has met an error (a full disk, say); the
    // movie then plays up to the last fragment written, and the file ends
    // there.
    bool HasFailed() const override;
    // Pictures handed, dropped, and the duration so far (after Close: final).
    MovieStats Stats() const override;
    std::string GetLastError() const override;

private:
    struct Impl;
    std::unique_ptr<Impl> m_pImpl;
};

} // namespace lumetto
