#include "platform/OutputFile.h"
#include "platform/OutputFileText.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

namespace lumetto {

namespace {

// Symlinks followed before a name counts as a loop (the kernel's own limit).
constexpr int kMaxLinks = 40;

// A file size limit (ulimit -f) would end the program with SIGXFSZ at the
// write that crosses it; ignored, the write fails with EFBIG, which the
// writers report like a full disk.
void IgnoreFileSizeSignal() {
    struct sigaction current {};
    if (sigaction(SIGXFSZ, nullptr, &current) == 0 && current.sa_handler == SIG_DFL)
        std::signal(SIGXFSZ, SIG_IGN);
}

using output::Quoted;

std::string SystemText(int nErrno) {
    return std::strerror(nErrno);
}

// The folder part of a path: "a/b" -> "a", "/b" -> "/", "b" -> ".".
std::string FolderOf(const std::string& strPath) {
    const auto slash = strPath.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : strPath.substr(0, slash);
}

// The user's name, and where it leads when a link took us elsewhere.
std::string Naming(const std::string& strPath, const std::string& strTarget) {
    if (strTarget == strPath)
        return Quoted(strPath);
    return Quoted(strPath) + " (which leads to " + Quoted(strTarget) + ")";
}

std::string NotAFileText(const std::string& strPath, const std::string& strTarget, mode_t mode) {
    return output::NotAFileText(Naming(strPath, strTarget), S_ISDIR(mode));
}

std::string CreateText(const std::string& strPath, int nErrno) {
    return output::CreateText(strPath, SystemText(nErrno));
}

std::string WriteText(const std::string& strPath, int nErrno) {
    return output::WriteText(strPath, SystemText(nErrno));
}

// A new, empty file under an unpredictable name in strTarget's folder, made
// as mkstemp makes one (O_CREAT|O_EXCL, so nothing planted at the name is
// ever opened) but with mode 0666, so the umask gives it the permissions any
// new file of the user gets.
int CreateTemporaryBeside(const std::string& strTarget, std::string& strTemporary) {
    const std::string strFolder = FolderOf(strTarget);
    for (int attempt = 0; attempt < output::kTemporaryAttempts; ++attempt) {
        strTemporary = strFolder + "/" + output::TemporaryName();
        const int hFile = ::open(strTemporary.c_str(),
                                 O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (hFile >= 0 || errno != EEXIST)
            return hFile;
    }
    errno = EEXIST;
    return -1;
}

bool WriteAll(int hFile, const void* pData, std::size_t nSize) {
    const auto* p = static_cast<const char*>(pData);
    while (nSize > 0) {
        const ssize_t n = ::write(hFile, p, nSize);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (n == 0) {
            errno = EIO;
            return false;
        }
        p += n;
        nSize -= static_cast<std::size_t>(n);
    }
    return true;
}

// Best effort: makes the rename itself survive a power cut.
void SyncFolder(const std::string& strFolder) {
    const int hFolder = ::open(strFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (hFolder >= 0) {
        (void)::fsync(hFolder);
        ::close(hFolder);
    }
}

} // namespace

bool ResolveOutputTarget(const std::string& strPath, std::string& strResolved,
                         std::string& strError) {
    if (strPath.empty()) {
        strError = "No file name was given: choose a file name.";
        return false;
    }
    std::string strCurrent = strPath;
    for (int nLinks = 0;; ++nLinks) {
        struct stat st {};
        if (::lstat(strCurrent.c_str(), &st) != 0) {
            if (errno == ENOENT) { // nothing there yet: the writer creates it
                strResolved = strCurrent;
                return true;
            }
            strError =
                "Cannot create " + Naming(strPath, strCurrent) + ": " + SystemText(errno) + ".";
            return false;
        }
        if (S_ISREG(st.st_mode)) {
            strResolved = strCurrent;
            return true;
        }
        if (!S_ISLNK(st.st_mode)) {
            strError = NotAFileText(strPath, strCurrent, st.st_mode);
            return false;
        }
        if (nLinks == kMaxLinks) {
            strError = "Cannot use " + Quoted(strPath) + ": " + SystemText(ELOOP) + ".";
            return false;
        }
        char buf[PATH_MAX];
        const ssize_t n = ::readlink(strCurrent.c_str(), buf, sizeof buf);
        if (n < 0 || n == static_cast<ssize_t>(sizeof buf)) {
            const int nErrno = n < 0 ? errno : ENAMETOOLONG;
            strError = "Cannot follow the link " + Naming(strPath, strCurrent) + ": " +
                       SystemText(nErrno) + ".";
            return false;
        }
        std::string strLink(buf, static_cast<std::size_t>(n));
        if (strLink.empty() || strLink[0] != '/')
            strLink = FolderOf(strCurrent) + "/" + strLink;
        strCurrent = std::move(strLink);
    }
}

bool WriteFileReplacing(const std::string& strPath, std::initializer_list<OutputPiece> pieces,
                        std::string& strError) {
    return WriteFileReplacing(
        strPath,
        [pieces](int hFile, const std::string&, std::string&) {
            bool bOk = true;
            for (const OutputPiece& piece : pieces)
                bOk = bOk && WriteAll(hFile, piece.pData, piece.nSize);
            return bOk;
        },
        strError);
}

bool WriteFileReplacing(const std::string& strPath, const ContentWriter& write,
                        std::string& strError) {
    IgnoreFileSizeSignal();
    std::string strTarget;
    if (!ResolveOutputTarget(strPath, strTarget, strError))
        return false;
    std::string strTemporary;
    const int hFile = CreateTemporaryBeside(strTarget, strTemporary);
    if (hFile < 0) {
        strError = CreateText(strPath, errno);
        return false;
    }
    // The new content takes the place of the old file: it keeps its mode and,
    // where we may, its owner.
    struct stat old {};
    if (::stat(strTarget.c_str(), &old) == 0 && S_ISREG(old.st_mode)) {
        // Only root may give a file away: a refusal leaves the file ours.
        if ((old.st_uid != ::geteuid() || old.st_gid != ::getegid()) &&
            ::fchown(hFile, old.st_uid, old.st_gid) != 0)
            errno = 0;
        (void)::fchmod(hFile, old.st_mode & 07777);
    }
    std::string strWriteError;
    errno = 0;
    bool bOk = write(hFile, strTemporary, strWriteError);
    bOk = bOk && ::fsync(hFile) == 0;
    int nErrno = bOk ? 0 : errno;
    if (::close(hFile) != 0 && bOk) {
        bOk = false;
        nErrno = errno;
    }
    if (bOk && std::rename(strTemporary.c_str(), strTarget.c_str()) != 0) {
        bOk = false;
        nErrno = errno;
    }
    if (!bOk) {
        ::unlink(strTemporary.c_str());
        strError =
            strWriteError.empty() ? WriteText(strPath, nErrno != 0 ? nErrno : EIO) : strWriteError;
        return false;
    }
    SyncFolder(FolderOf(strTarget));
    return true;
}

int OpenOutputInPlace(const std::string& strPath, std::string& strResolved, bool& bCreated,
                      std::string& strError) {
    IgnoreFileSizeSignal();
    bCreated = false;
    if (!ResolveOutputTarget(strPath, strResolved, strError))
        return -1;
    // O_NONBLOCK: a FIFO put at the name after the check above must not
    // hold the program in open(). O_NOFOLLOW: nor may a link put there.
    constexpr int kFlags = O_WRONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC;
    int hFile = ::open(strResolved.c_str(), kFlags | O_CREAT | O_EXCL, 0666);
    if (hFile >= 0) {
        bCreated = true;
    } else if (errno == EEXIST) {
        hFile = ::open(strResolved.c_str(), kFlags);
    }
    if (hFile < 0) {
        // A FIFO without a reader refuses a non-blocking writer with ENXIO.
        strError = errno == ENXIO ? NotAFileText(strPath, strResolved, S_IFIFO)
                                  : CreateText(strPath, errno);
        return -1;
    }
    struct stat st {};
    if (::fstat(hFile, &st) != 0 || !S_ISREG(st.st_mode)) {
        strError = st.st_mode != 0 ? NotAFileText(strPath, strResolved, st.st_mode)
                                   : CreateText(strPath, errno);
        ::close(hFile);
        return -1;
    }
    // Only now that it is known to be a regular file is the old content cut.
    const int nFlags = ::fcntl(hFile, F_GETFL);
    if ((!bCreated && ::ftruncate(hFile, 0) != 0) || nFlags < 0 ||
        ::fcntl(hFile, F_SETFL, nFlags & ~O_NONBLOCK) != 0) {
        strError = WriteText(strPath, errno);
        ::close(hFile);
        if (bCreated)
            ::unlink(strResolved.c_str());
        bCreated = false;
        return -1;
    }
    return hFile;
}

static_assert(sizeof(off_t) >= 8, "movies beyond 2 GiB need 64-bit file offsets");

bool WriteOutputAt(int hFile, std::uint64_t nOffset, const OutputPiece* pPieces, int nPieces,
                   std::string& strSystemText) {
    iovec iov[4];
    int nIov = 0;
    for (int i = 0; i < nPieces && nIov < 4; ++i) {
        if (pPieces[i].nSize != 0)
            iov[nIov++] = iovec{const_cast<void*>(pPieces[i].pData), pPieces[i].nSize};
    }
    iovec* pIov = iov;
    while (nIov > 0) {
        const ssize_t n = ::pwritev(hFile, pIov, nIov, static_cast<off_t>(nOffset));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            strSystemText = SystemText(errno);
            return false;
        }
        if (n == 0) {
            strSystemText = SystemText(EIO);
            return false;
        }
        nOffset += static_cast<std::uint64_t>(n);
        auto left = static_cast<std::size_t>(n);
        while (nIov > 0 && left >= pIov->iov_len) {
            left -= pIov->iov_len;
            ++pIov;
            --nIov;
        }
        if (nIov > 0) {
            pIov->iov_base = static_cast<char*>(pIov->iov_base) + left;
            pIov->iov_len -= left;
        }
    }
    return true;
}

bool TruncateOutput(int hFile, std::uint64_t nSize) {
    return ::ftruncate(hFile, static_cast<off_t>(nSize)) == 0;
}

bool CloseOutput(int hFile, std::string& strSystemText) {
    if (::close(hFile) == 0)
        return true;
    strSystemText = SystemText(errno);
    return false;
}

std::FILE* OutputStream(int hFile) {
    return ::fdopen(hFile, "w");
}

void RemoveOutput(const std::string& strResolved) {
    ::unlink(strResolved.c_str());
}

} // namespace lumetto
