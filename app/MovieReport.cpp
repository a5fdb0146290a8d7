#include "app/MovieReport.h"

#include <cstdio>

std::string MovieStartText(const std::string& strPath, bool bMp4) {
    return "recording \"" + strPath + "\" (" + (bMp4 ? "MP4" : "AVI") + ")";
}

std::string MovieCountsText(const MovieSummary& s) {
    char counts[128];
    const char* frames = s.nFrames == 1 ? "frame" : "frames";
    if (s.bMp4)
        std::snprintf(counts, sizeof counts, "%lld %s (%lld dropped), %.1f seconds", s.nFrames,
                      frames, s.nDropped, s.dSeconds);
    else
        std::snprintf(counts, sizeof counts, "%lld %s, %.1f seconds", s.nFrames, frames,
                      s.dSeconds);
    return counts;
}

std::string MovieEndText(const MovieSummary& s) {
    if (s.bRemoved)
        return "recording \"" + s.strPath +
               "\" ended before its first frame; the empty file was removed";
    return "recorded \"" + s.strPath + "\": " + MovieCountsText(s);
}

std::string MovieEndMessage(const MovieSummary& s, MovieEnd eWhy, bool bGoesOn) {
    if (eWhy == MovieEnd::Failed)
        return "The recording was stopped: " + s.strError +
               "\nThe movie plays up to the last frame written.";
    if (!s.strError.empty())
        return "The movie \"" + s.strPath + "\" could not be finished: " + s.strError;
    if (bGoesOn)
        return {};
    // A pause of the phone (or a lost connection, which the program opens
    // again by itself) raises no box over the picture: standard error has it.
    if (s.bRemoved && eWhy != MovieEnd::Paused)
        return std::string(eWhy == MovieEnd::SizeChanged ? "The phone's screen size changed"
                                                         : "The recording ended") +
               " before the first frame of the movie was written, so its empty file \"" +
               s.strPath + "\" was removed.";
    if (eWhy == MovieEnd::SizeChanged)
        return "The phone's screen size changed, so the recording was stopped. The movie is "
               "complete up to that moment.";
    return {};
}
