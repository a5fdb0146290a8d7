// What a finished movie holds, and the lines that tell the user about it.
#pragma once

#include <string>

struct MovieSummary {
    std::string strPath;
    std::string strFormat = "AVI"; // "AVI", "MP4", "MKV", "MOV"
    bool bEncoded = false;         // an H.264 movie through FFmpeg (MP4, MKV, MOV)
    long long nFrames = 0;         // pictures in the movie
    long long nDropped = 0;        // encoded: pictures the encoder could not keep up with
    double dSeconds = 0;           // the movie's duration
    bool bRemoved = false;         // it ended before its first frame and its empty file was removed
    std::string strError; // what could not be written or finished; empty when all went well
};

// Why a movie ended.
enum class MovieEnd {
    Stopped,     // the user, the end of the program
    Paused,      // the phone paused: its closing notice, a silence, the connection ended
    SizeChanged, // the phone's screen changed size
    Failed,      // a frame could not be written
};

// What the user must be told when a movie ends, or nothing: a frame or the
// end that could not be written, an empty movie removed, a screen size change
// that stopped it. bGoesOn: a --record run that goes on by itself (the
// standard error lines tell its ends).
std::string MovieEndMessage(const MovieSummary& s, MovieEnd eWhy, bool bGoesOn);

// "57 frames (0 dropped), 11.4 seconds"; AVI movies drop nothing.
std::string MovieCountsText(const MovieSummary& s);
// "recording "talk.mp4" (MP4)"
std::string MovieStartText(const std::string& strPath, const std::string& strFormat);
// The movie ended at the phone's pause and the recording goes on into the
// next file when the phone's picture comes back.
std::string MovieGoesOnText(const MovieSummary& s);
// The recording went on into strPath after the phone's pause.
std::string MovieWentOnText(const std::string& strPath);
// "recorded "talk.mp4": 57 frames (0 dropped), 11.4 seconds", or that the
// empty file was removed.
std::string MovieEndText(const MovieSummary& s);
