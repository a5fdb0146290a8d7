// The rules for files the program writes, with the Win32 file calls: paths in
// UTF-16, a new content written under a temporary name beside the target,
// flushed to the disk and moved over the target (MoveFileExW replaces it in
// one step), and movies written in place through positioned writes.
#include "platform/OutputFile.h"
#include "platform/OutputFileText.h"

#include "platform/SystemError.h"
#include "platform/win32/Utf16.h"

#include <functional>
#include <io.h>
#include <windows.h>

namespace lumetto {

namespace {

using output::CreateText;
using output::Quoted;
using output::WriteText;

std::string LastText() {
    return SystemErrorText(static_cast<int>(::GetLastError()));
}

std::string FolderText(const std::string& strPath) {
    return output::NotAFileText(Quoted(strPath), true);
}

std::string NotAFileText(const std::string& strPath) {
    return output::NotAFileText(Quoted(strPath), false);
}

// The folder part of a path, for either separator: "a\\b" -> "a", "b" -> ".".
std::string FolderOf(const std::string& strPath) {
    const auto slash = strPath.find_last_of("\\/");
    if (slash == std::string::npos)
        return ".";
    return strPath.substr(0, slash == 0 ? 1 : slash);
}

// A handle to a disk file: a device name (CON, NUL, COM1) or a pipe is none.
bool IsDiskFile(HANDLE h) {
    return ::GetFileType(h) == FILE_TYPE_DISK;
}

bool WriteAll(HANDLE h, const void* pData, std::size_t nSize) {
    const auto* p = static_cast<const char*>(pData);
    while (nSize > 0) {
        const DWORD dwWant = static_cast<DWORD>(std::min<std::size_t>(nSize, 1u << 30));
        DWORD dwWritten = 0;
        if (!::WriteFile(h, p, dwWant, &dwWritten, nullptr))
            return false;
        if (dwWritten == 0) {
            ::SetLastError(ERROR_WRITE_FAULT);
            return false;
        }
        p += dwWritten;
        nSize -= dwWritten;
    }
    return true;
}

// A new, empty file under an unpredictable name in strTarget's folder;
// CREATE_NEW never opens what is already there.
HANDLE CreateTemporaryBeside(const std::string& strTarget, std::wstring& strTemporary) {
    const std::string strFolder = FolderOf(strTarget);
    for (int attempt = 0; attempt < output::kTemporaryAttempts; ++attempt) {
        strTemporary = Utf16FromUtf8(strFolder + "\\" + output::TemporaryName());
        // Shared for writing, so that a writer may open it by name as well
        // (the movie rewrite); nobody else knows the name.
        const HANDLE h =
            ::CreateFileW(strTemporary.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                          nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h != INVALID_HANDLE_VALUE || ::GetLastError() != ERROR_FILE_EXISTS)
            return h;
    }
    ::SetLastError(ERROR_FILE_EXISTS);
    return INVALID_HANDLE_VALUE;
}

HANDLE HandleOf(int hFile) {
    return reinterpret_cast<HANDLE>(::_get_osfhandle(hFile));
}

} // namespace

bool ResolveOutputTarget(const std::string& strPath, std::string& strResolved,
                         std::string& strError) {
    if (strPath.empty()) {
        strError = "No file name was given: choose a file name.";
        return false;
    }
    // Windows opens a link's target itself; what is at the name decides.
    const DWORD dwAttributes = ::GetFileAttributesW(Utf16FromUtf8(strPath).c_str());
    if (dwAttributes != INVALID_FILE_ATTRIBUTES && (dwAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        strError = FolderText(strPath);
        return false;
    }
    // A device name (NUL, COM1) or a pipe at the name is refused before
    // anything opens it for writing: looked at without any access.
    const HANDLE hExisting = ::CreateFileW(Utf16FromUtf8(strPath).c_str(), 0,
                                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                           nullptr, OPEN_EXISTING, 0, nullptr);
    if (hExisting != INVALID_HANDLE_VALUE) {
        const bool bDisk = IsDiskFile(hExisting);
        ::CloseHandle(hExisting);
        if (!bDisk) {
            strError = NotAFileText(strPath);
            return false;
        }
    }
    strResolved = strPath;
    return true;
}

namespace {

// Every whole-file write: the target resolved and checked, the content
// written by fill into a new temporary file beside it, synced, and moved over
// the target in one step. fill may write through h or open the file by its
// name; false from it (with strWriteError set, or the system's error) leaves
// the target untouched and no temporary file behind.
using FillTemporary =
    std::function<bool(HANDLE h, const std::wstring& strTemporary, std::string& strWriteError)>;

bool ReplaceThroughTemporary(const std::string& strPath, const FillTemporary& fill,
                             std::string& strError) {
    std::string strTarget;
    if (!ResolveOutputTarget(strPath, strTarget, strError))
        return false;
    const std::wstring strWideTarget = Utf16FromUtf8(strTarget);
    std::wstring strTemporary;
    const HANDLE h = CreateTemporaryBeside(strTarget, strTemporary);
    if (h == INVALID_HANDLE_VALUE) {
        strError = CreateText(strPath, LastText());
        return false;
    }
    std::string strWriteError;
    bool bOk = fill(h, strTemporary, strWriteError);
    // FlushFileBuffers writes out the file's data, also what another handle wrote.
    bOk = bOk && ::FlushFileBuffers(h);
    std::string strSystemText = bOk ? std::string() : LastText();
    ::CloseHandle(h);
    if (bOk && !::MoveFileExW(strTemporary.c_str(), strWideTarget.c_str(),
                              MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        bOk = false;
        strSystemText = LastText();
    }
    if (!bOk) {
        ::DeleteFileW(strTemporary.c_str());
        strError = strWriteError.empty() ? WriteText(strPath, strSystemText) : strWriteError;
        return false;
    }
    return true;
}

} // namespace

bool WriteFileReplacing(const std::string& strPath, std::initializer_list<OutputPiece> pieces,
                        std::string& strError) {
    return ReplaceThroughTemporary(
        strPath,
        [pieces](HANDLE h, const std::wstring&, std::string&) {
            bool bOk = true;
            for (const OutputPiece& piece : pieces)
                bOk = bOk && WriteAll(h, piece.pData, piece.nSize);
            return bOk;
        },
        strError);
}

bool WriteFileReplacing(const std::string& strPath, const ContentWriter& write,
                        std::string& strError) {
    return ReplaceThroughTemporary(
        strPath,
        [&write](HANDLE, const std::wstring& strTemporary, std::string& strWriteError) {
            return write(-1, Utf8FromUtf16(strTemporary), strWriteError);
        },
        strError);
}

int OpenOutputInPlace(const std::string& strPath, std::string& strResolved, bool& bCreated,
                      std::string& strError) {
    bCreated = false;
    if (!ResolveOutputTarget(strPath, strResolved, strError))
        return -1;
    const std::wstring strWide = Utf16FromUtf8(strResolved);
    // Readers may look at the movie while it grows.
    HANDLE h = ::CreateFileW(strWide.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE)
        bCreated = true;
    else if (::GetLastError() == ERROR_FILE_EXISTS)
        h = ::CreateFileW(strWide.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        strError = CreateText(strPath, LastText());
        return -1;
    }
    if (!IsDiskFile(h)) {
        ::CloseHandle(h);
        strError = NotAFileText(strPath);
        return -1;
    }
    // Only now that it is known to be a disk file is the old content cut.
    if (!bCreated && !::SetEndOfFile(h)) {
        strError = WriteText(strPath, LastText());
        ::CloseHandle(h);
        return -1;
    }
    // Without _O_TEXT the descriptor is binary: no line-end translation.
    const int hFile = ::_open_osfhandle(reinterpret_cast<intptr_t>(h), 0);
    if (hFile < 0) {
        strError = CreateText(strPath, SystemErrorText(ERROR_TOO_MANY_OPEN_FILES));
        ::CloseHandle(h);
        if (bCreated)
            ::DeleteFileW(strWide.c_str());
        bCreated = false;
        return -1;
    }
    return hFile;
}

bool WriteOutputAt(int hFile, std::uint64_t nOffset, const OutputPiece* pPieces, int nPieces,
                   std::string& strSystemText) {
    const HANDLE h = HandleOf(hFile);
    for (int i = 0; i < nPieces; ++i) {
        const auto* p = static_cast<const char*>(pPieces[i].pData);
        std::size_t nLeft = pPieces[i].nSize;
        while (nLeft > 0) {
            // The offset travels in the OVERLAPPED structure: a positioned
            // write on a handle opened for synchronous I/O.
            OVERLAPPED ov{};
            ov.Offset = static_cast<DWORD>(nOffset & 0xffffffffu);
            ov.OffsetHigh = static_cast<DWORD>(nOffset >> 32);
            const DWORD dwWant = static_cast<DWORD>(std::min<std::size_t>(nLeft, 1u << 30));
            DWORD dwWritten = 0;
            if (!::WriteFile(h, p, dwWant, &dwWritten, &ov)) {
                strSystemText = LastText();
                return false;
            }
            if (dwWritten == 0) {
                strSystemText = SystemErrorText(ERROR_WRITE_FAULT);
                return false;
            }
            p += dwWritten;
            nLeft -= dwWritten;
            nOffset += dwWritten;
        }
    }
    return true;
}

bool TruncateOutput(int hFile, std::uint64_t nSize) {
    const HANDLE h = HandleOf(hFile);
    LARGE_INTEGER position{};
    position.QuadPart = static_cast<LONGLONG>(nSize);
    return ::SetFilePointerEx(h, position, nullptr, FILE_BEGIN) && ::SetEndOfFile(h);
}

bool CloseOutput(int hFile, std::string& strSystemText) {
    // The last bytes reach the disk before the movie counts as written.
    const bool bFlushed = ::FlushFileBuffers(HandleOf(hFile)) != FALSE;
    if (!bFlushed)
        strSystemText = LastText();
    ::_close(hFile);
    return bFlushed;
}

std::FILE* OutputStream(int hFile) {
    return ::_fdopen(hFile, "wb");
}

void RemoveOutput(const std::string& strResolved) {
    ::DeleteFileW(Utf16FromUtf8(strResolved).c_str());
}

} // namespace lumetto
