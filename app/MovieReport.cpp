#include "app/MovieReport.h"

#include <cstdio>

std::string MovieStartText(const std::string& strPath, bool bMp4) {
    return "recording \"" + strPath + "\" (" + (bMp4 ? "MP4" : "AVI") + ")";
}

std::string MovieCountsText(const MovieSummary& s) {
    char counts[128];
    if (s.bMp4)
        std::snprintf(counts, sizeof counts, "%lld frames (%lld dropped), %.1f seconds", s.nFrames,
                      s.nDropped, s.dSeconds);
    else
        std::snprintf(counts, sizeof counts, "%lld frames, %.1f seconds", s.nFrames, s.dSeconds);
    return counts;
}

std::string MovieEndText(const MovieSummary& s) {
    if (s.bRemoved)
        return "recording \"" + s.strPath +
               "\" ended before its first frame; the empty file was removed";
    return "recorded \"" + s.strPath + "\": " + MovieCountsText(s);
}
