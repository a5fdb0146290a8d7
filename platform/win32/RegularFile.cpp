// Reading a regular file of bounded size with the Win32 calls: the path in
// UTF-16, a folder refused by its attributes before anything is opened, the
// file opened for reading only (others may read it meanwhile, nobody may
// write it), and anything that is no disk file (a device name such as CON or
// COM1, a pipe) refused by its handle's type before a byte is read.
#include "platform/RegularFile.h"

#include "platform/SystemError.h"
#include "platform/win32/Utf16.h"

#include <algorithm>
#include <windows.h>

namespace {

std::string LastText() {
    return SystemErrorText(static_cast<int>(::GetLastError()));
}

class CHandle {
public:
    explicit CHandle(HANDLE h) : m_h(h) {}
    ~CHandle() {
        if (m_h != INVALID_HANDLE_VALUE)
            ::CloseHandle(m_h);
    }
    CHandle(const CHandle&) = delete;
    CHandle& operator=(const CHandle&) = delete;
    HANDLE Get() const { return m_h; }

private:
    HANDLE m_h;
};

} // namespace

bool ReadRegularFile(const std::string& strPath, std::size_t nMaxBytes, std::size_t nReadBytes,
                     std::string& strBytes, std::string& strProblem,
                     const std::string& strSubject) {
    strBytes.clear();
    const std::wstring path = Utf16FromUtf8(strPath);
    const DWORD dwAttributes = ::GetFileAttributesW(path.c_str());
    if (dwAttributes == INVALID_FILE_ATTRIBUTES) {
        strProblem = "cannot open " + strSubject + ": " + LastText();
        return false;
    }
    if (dwAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        strProblem = "the path names a folder, not a file";
        return false;
    }
    const CHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                     OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.Get() == INVALID_HANDLE_VALUE) {
        strProblem = "cannot open " + strSubject + ": " + LastText();
        return false;
    }
    switch (::GetFileType(file.Get())) {
    case FILE_TYPE_DISK:
        break;
    case FILE_TYPE_PIPE:
        strProblem = strSubject + " is a FIFO (named pipe), not a regular file";
        return false;
    case FILE_TYPE_CHAR:
        strProblem = strSubject + " is a device, not a regular file";
        return false;
    default:
        strProblem = strSubject + " is not a regular file";
        return false;
    }
    LARGE_INTEGER fileSize{};
    if (!::GetFileSizeEx(file.Get(), &fileSize)) {
        strProblem = "cannot read " + strSubject + ": " + LastText();
        return false;
    }
    const auto size = static_cast<unsigned long long>(std::max<LONGLONG>(fileSize.QuadPart, 0));
    // FILE_SHARE_READ keeps writers out, but one may have had it open before.
    return ReadOpenRegularFile(
        size, nMaxBytes, nReadBytes,
        [&file](char* pBuffer, std::size_t nBytes, std::string& strSystemText) -> long long {
            const DWORD dwWant = static_cast<DWORD>(std::min<std::size_t>(nBytes, 1u << 30));
            DWORD dwRead = 0;
            if (!::ReadFile(file.Get(), pBuffer, dwWant, &dwRead, nullptr)) {
                strSystemText = LastText();
                return -1;
            }
            return dwRead;
        },
        strBytes, strProblem, strSubject);
}
