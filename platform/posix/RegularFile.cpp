// Reading a regular file of bounded size with the POSIX calls: stat before
// open so that a device is never opened, O_NONBLOCK so that a FIFO put in
// its place never blocks the open, fstat to learn what was really opened.
#include "platform/RegularFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// What a file that is not a regular file is, for the reason it is refused.
std::string KindProblem(mode_t mode, const std::string& subject) {
    if (S_ISDIR(mode))
        return "the path names a folder, not a file";
    if (S_ISFIFO(mode))
        return subject + " is a FIFO (named pipe), not a regular file";
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return subject + " is a device, not a regular file";
    if (S_ISSOCK(mode))
        return subject + " is a socket, not a regular file";
    return subject + " is not a regular file";
}

class CFd {
public:
    explicit CFd(int fd) : m_fd(fd) {}
    ~CFd() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    CFd(const CFd&) = delete;
    CFd& operator=(const CFd&) = delete;
    int Get() const { return m_fd; }

private:
    int m_fd;
};

} // namespace

bool ReadRegularFile(const std::string& strPath, std::size_t nMaxBytes, std::size_t nReadBytes,
                     std::string& strBytes, std::string& strProblem,
                     const std::string& strSubject) {
    strBytes.clear();
    // stat first: a device is never opened (opening some has effects of its
    // own), and stat never blocks on a FIFO.
    struct stat st {};
    if (::stat(strPath.c_str(), &st) != 0) {
        strProblem = "cannot open " + strSubject + ": " + std::strerror(errno);
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        strProblem = KindProblem(st.st_mode, strSubject);
        return false;
    }
    // O_NONBLOCK: the name may have become a FIFO since the stat; the open
    // must not wait for a writer. fstat then tells what was really opened.
    const CFd fd(::open(strPath.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (fd.Get() < 0) {
        strProblem = "cannot open " + strSubject + ": " + std::strerror(errno);
        return false;
    }
    if (::fstat(fd.Get(), &st) != 0) {
        strProblem = "cannot read " + strSubject + ": " + std::strerror(errno);
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        strProblem = KindProblem(st.st_mode, strSubject);
        return false;
    }
    const auto size = static_cast<unsigned long long>(std::max<off_t>(st.st_size, 0));
    return ReadOpenRegularFile(
        size, nMaxBytes, nReadBytes,
        [&fd](char* pBuffer, std::size_t nBytes, std::string& strSystemText) -> long long {
            for (;;) {
                const ssize_t n = ::read(fd.Get(), pBuffer, nBytes);
                if (n < 0 && errno == EINTR)
                    continue;
                if (n < 0)
                    strSystemText = std::strerror(errno);
                return n;
            }
        },
        strBytes, strProblem, strSubject);
}
