// The skin files of the skin folders, judged once and kept between rebuilds
// of the skin list.
//
// Every platform switch rebuilds the list from the folders. Reading every
// skin file and asking the image loader about every bitmap again each time
// made a phone that alternates between the two screen sizes hold the program
// busy. A folder is read again only when it changed: when its own stamp
// (entries added, removed or renamed) or the stamp of one of its skin files or
// their bitmaps differs from the last scan. A stamp is what stat says (file
// identity, size, mode, modification and change times), so edits in place
// count. The folder's own stamp is compared at every scan, its files' stamps
// at most once a second: a phone that switches platforms many times a second
// costs one stat per folder a switch, and an edit in place shows at the first
// rebuild a second after the last comparison.
//
// File times are coarse on some file systems: a file changed within the same
// tick as a scan could keep its stamp. A scan that saw a stamp younger than
// two seconds is therefore not kept; the next rebuild reads the folder again.
#pragma once

#include "display/SkinScan.h"

#include <functional>
#include <map>
#include <string>
#include <vector>

// What stat says about a path, enough to tell that it changed.
struct SFileStamp {
    bool bExists = false;
    unsigned long long nDevice = 0;
    unsigned long long nInode = 0;
    unsigned int nMode = 0;
    long long nSize = 0;
    long long nModifiedNs = 0;
    long long nChangedNs = 0;
    bool operator==(const SFileStamp&) const = default;
};

// The stamp of a path, following symlinks; bExists false when stat fails.
SFileStamp StampOf(const std::string& strPath);

class CSkinFolderCache {
public:
    explicit CSkinFolderCache(SkinBitmapInfoFn fnBitmap);

    // The judged skin files of a folder ending in '/', in reading order: the
    // default file first (its name in any letter case), then every other
    // "*.lumetto" file by name. A missing folder holds none.
    const std::vector<SSkinVerdict>& Scan(const std::string& strFolder);

    // The wall clock in nanoseconds, for the age of stamps; tests set a clock
    // of their own.
    void SetClock(std::function<long long()> fnNowNs) { m_fnNowNs = std::move(fnNowNs); }

private:
    struct SFolder {
        SFileStamp stamp;
        // Per skin file: its stamp and its bitmap's, beside its verdict.
        std::vector<SFileStamp> fileStamps;
        std::vector<std::string> bitmapPaths;
        std::vector<SFileStamp> bitmapStamps;
        std::vector<SSkinVerdict> verdicts;
        bool bKeep = false;
        long long nCheckedNs = 0; // when the files' stamps were last compared
    };
    static bool FilesUnchanged(const SFolder& folder);
    void Read(const std::string& strFolder, SFolder& folder);

    SkinBitmapInfoFn m_fnBitmap;
    std::function<long long()> m_fnNowNs;
    std::map<std::string, SFolder> m_folders;
};
