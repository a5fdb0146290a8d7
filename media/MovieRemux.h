// Rewrites a finished movie for players and editors: the fragmented MP4 (or
// MOV) the recorder writes while recording becomes an ordinary one with its
// index at the front (faststart), a Matroska file gets its duration and cue
// index; the H.264 stream is copied, not encoded again. The new file is
// written by the rules of every file the program writes (media/OutputFile.h:
// a temporary file beside it, renamed over it), so a failure leaves the
// fragmented movie as it was, still playable.
#pragma once

#include <string>

namespace lumetto {

// pMuxer: FFmpeg's muxer the movie was written with ("mp4", "mov",
// "matroska"). False with strError a sentence for the user.
bool RemuxFinishedMovie(const std::string& strPath, const char* pMuxer, std::string& strError);

} // namespace lumetto
