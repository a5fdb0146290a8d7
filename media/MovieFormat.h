// The movie formats the program writes, picked by the file name's
// extension: ".avi" (CAviRecorder, uncompressed) and, through FFmpeg's
// muxers with the same H.264 stream (CMp4Recorder), ".mp4", ".mkv" and
// ".mov". A name without an extension is an AVI, as it always was.
#pragma once

#include <string>

namespace lumetto {

enum class MovieFormat { Unknown, Avi, Mp4, Matroska, QuickTime };

// The extension of the file name in strPath, in lower case, without its dot;
// empty when the name has none (a dot that starts the name is no extension).
// Movies and screenshots alike pick their format by it.
std::string ExtensionOf(const std::string& strPath);

// The format strPath's extension (any case) asks for; Unknown for an
// extension no format has.
MovieFormat MovieFormatOf(const std::string& strPath);

// FFmpeg's muxer: "mp4", "matroska", "mov"; null for the others.
const char* MovieMuxerName(MovieFormat e);

// Whether the format is written by FFmpeg (CMp4Recorder): it has a muxer.
inline bool IsEncodedMovie(MovieFormat e) {
    return MovieMuxerName(e) != nullptr;
}

// "AVI", "MP4", "MKV", "MOV".
const char* MovieFormatName(MovieFormat e);

// "A movie name must end in .avi, .mp4, .mkv or .mov: "x.webm" has none of them."
std::string UnknownMovieFormatText(const std::string& strPath);

} // namespace lumetto
