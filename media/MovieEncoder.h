// The one interface between the program and its video encoder module: the
// H.264 movies (MP4, MKV, MOV) are written through FFmpeg's libraries, which
// pull in about a hundred shared libraries. They live in a module of the
// program's own (lumetto-encoder.so, built from CMp4Recorder) that is loaded
// the first time such a movie starts, so every other run (--help, the
// window, AVI movies, screenshots) never loads them.
//
// The module is looked for beside the program (the build tree) and in the
// program's library folder under the install prefix (lib/lumetto, as
// installed). If it cannot be loaded, CreateMovieEncoder says what is
// missing; nothing else depends on it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "media/MovieGeometry.h"

namespace lumetto {

struct MovieStats {
    // Pictures in the movie, repeats not counted; after a failure, those the
    // file holds.
    std::int64_t nFrames = 0;
    std::int64_t nDropped = 0; // pictures dropped because the encoder fell behind
    double dSeconds = 0;       // the movie's duration (after a failure: in the file)
};

// What CMp4Recorder does (media/Mp4Recorder.h); see there.
class IMovieEncoder {
public:
    virtual ~IMovieEncoder() = default;
    virtual bool Open(const std::string& strPath, int nWidth, int nHeight, int nScale) = 0;
    virtual bool AddFrame(const std::uint8_t* pPixels, int nWidth, int nHeight,
                          std::size_t nStride) = 0;
    virtual bool Close() = 0;
    virtual bool IsOpen() const = 0;
    virtual bool HasFailed() const = 0;
    virtual MovieStats Stats() const = 0;
    virtual MovieSize Size() const = 0;
    virtual std::string GetLastError() const = 0;
};

// The module's file name, and the version of this interface it must have.
inline constexpr const char kMovieEncoderModule[] = "lumetto-encoder.so";
inline constexpr int kMovieEncoderInterface = 1;

// A new encoder from the module, loaded on the first call (any thread; the
// calls are serialised). Null with strError a sentence for the user that
// names what is missing.
std::unique_ptr<IMovieEncoder> CreateMovieEncoder(std::string& strError);

// Starts loading the module on a thread of its own (once), so that a movie
// that starts soon after does not wait for it on the caller's thread: when
// the record dialog opens, or at start for --record. The program's end
// waits for a load still running.
void PreloadMovieEncoder();

// Tests: the module's path instead of the program's own (empty: the
// program's own again). A module already loaded stays loaded.
void SetMovieEncoderModule(const std::string& strPath);

} // namespace lumetto
