#include "app/MovieReport.h"

#include <cstdio>

std::string MovieStartText(const std::string& strPath, const std::string& strFormat) {
    return "recording \"" + strPath + "\" (" + strFormat + ")";
}

std::string MovieGoesOnText(const MovieSummary& s) {
    if (s.bRemoved)
        return "The phone paused before the first frame of \"" + s.strPath +
               "\"; the recording starts when the phone's picture comes back.";
    return "The phone paused: \"" + s.strPath +
           "\" is finished; the recording goes on into a new file when the phone's picture "
           "comes back.";
}

std::string MovieWentOnText(const std::string& strPath) {
    return "The recording goes on into \"" + strPath + "\".";
}

std::string MovieCountsText(const MovieSummary& s) {
    char counts[128];
    const char* frames = s.nFrames == 1 ? "frame" : "frames";
    if (s.bEncoded)
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
    if (eWhy == MovieEnd::Failed) {
        // What the file holds, as it is now: nothing, or its frames.
        if (s.bRemoved || s.nFrames == 0)
            return "The recording was stopped: " + s.strError +
                   "\nNo movie was kept: not one frame reached the file.";
        return "The recording was stopped: " + s.strError + "\nThe movie \"" + s.strPath +
               "\" holds what was written before: " + MovieCountsText(s) + ".";
    }
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
