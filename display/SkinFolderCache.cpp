#include "display/SkinFolderCache.h"

#include "display/SkinCatalog.h"

#include <ctime>
#include <sys/stat.h>

namespace {

constexpr long long kNsPerSecond = 1000000000LL;
// Younger stamps may share their time with a change still to come.
constexpr long long kSettledNs = 2 * kNsPerSecond;
// How often the stamps of a kept folder's files are compared again.
constexpr long long kFileCheckPeriodNs = kNsPerSecond;

long long WallClockNs() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return now.tv_sec * kNsPerSecond + now.tv_nsec;
}

bool Settled(const SFileStamp& s, long long nowNs) {
    return !s.bExists || (s.nModifiedNs < nowNs - kSettledNs && s.nChangedNs < nowNs - kSettledNs);
}

} // namespace

SFileStamp StampOf(const std::string& strPath) {
    SFileStamp s;
    struct stat st {};
    if (::stat(strPath.c_str(), &st) != 0)
        return s;
    s.bExists = true;
    s.nDevice = st.st_dev;
    s.nInode = st.st_ino;
    s.nMode = st.st_mode;
    s.nSize = st.st_size;
    s.nModifiedNs = st.st_mtim.tv_sec * kNsPerSecond + st.st_mtim.tv_nsec;
    s.nChangedNs = st.st_ctim.tv_sec * kNsPerSecond + st.st_ctim.tv_nsec;
    return s;
}

CSkinFolderCache::CSkinFolderCache(SkinBitmapInfoFn fnBitmap)
    : m_fnBitmap(std::move(fnBitmap)), m_fnNowNs(WallClockNs) {}

const std::vector<SSkinVerdict>& CSkinFolderCache::Scan(const std::string& strFolder) {
    SFolder& folder = m_folders[strFolder];
    const long long nowNs = m_fnNowNs();
    if (!folder.bKeep || StampOf(strFolder) != folder.stamp) {
        Read(strFolder, folder);
    } else if (nowNs - folder.nCheckedNs >= kFileCheckPeriodNs) {
        if (FilesUnchanged(folder))
            folder.nCheckedNs = nowNs;
        else
            Read(strFolder, folder);
    }
    return folder.verdicts;
}

bool CSkinFolderCache::FilesUnchanged(const SFolder& folder) {
    for (std::size_t i = 0; i < folder.verdicts.size(); ++i) {
        if (StampOf(folder.verdicts[i].strPath) != folder.fileStamps[i] ||
            StampOf(folder.bitmapPaths[i]) != folder.bitmapStamps[i])
            return false;
    }
    return true;
}

void CSkinFolderCache::Read(const std::string& strFolder, SFolder& folder) {
    const long long startNs = m_fnNowNs();
    folder = SFolder{};
    // Stamps first, then the reads: a change in between shows at the next scan.
    folder.stamp = StampOf(strFolder);
    std::vector<std::string> names;
    if (folder.stamp.bExists) {
        const std::string defaultName = FindDefaultSkinFile(strFolder);
        if (!defaultName.empty())
            names.push_back(defaultName);
        for (const std::string& name : ListSkinFiles(strFolder)) {
            // Only the exact name is the default file already read.
            if (name != kDefaultSkinFileName)
                names.push_back(name);
        }
    }
    bool settled = Settled(folder.stamp, startNs);
    for (const std::string& name : names) {
        const std::string path = strFolder + name;
        folder.bitmapPaths.push_back(SkinBitmapPath(path));
        folder.fileStamps.push_back(StampOf(path));
        folder.bitmapStamps.push_back(StampOf(folder.bitmapPaths.back()));
        settled = settled && Settled(folder.fileStamps.back(), startNs) &&
                  Settled(folder.bitmapStamps.back(), startNs);
        folder.verdicts.push_back(JudgeSkinFile(path, m_fnBitmap));
    }
    folder.bKeep = settled;
    folder.nCheckedNs = startNs;
}
