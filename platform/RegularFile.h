// Reading a file of bounded size without ever blocking.
//
// Anyone who can write to a folder the program reads at start can put there
// a FIFO, a device, a symlink to /dev/zero or a file of hundreds of megabytes
// under an expected name. A read that blocks or never ends would hang the
// program for good, so only regular files (after following symlinks) of a
// bounded size are read; anything else is refused with a reason people
// understand.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

// Reads at most nReadBytes bytes from the start of the file at strPath into
// strBytes, provided the file is a regular file of at most nMaxBytes bytes.
// Otherwise returns false and says why in strProblem, with strSubject ("the
// file", "it") as the sentence's subject: "cannot open the file: Permission
// denied", "the path names a folder, not a file", "the file is a FIFO (named pipe), not
// a regular file", "it is 300 MiB, more than the 64 KiB ...".
bool ReadRegularFile(const std::string& strPath, std::size_t nMaxBytes, std::size_t nReadBytes,
                     std::string& strBytes, std::string& strProblem,
                     const std::string& strSubject = "the file");

// The size as people read it: "512 bytes", "64 KiB", "300 MiB".
std::string ByteSizeText(unsigned long long nBytes);

// What the backends share once the file is open and known to be a regular
// file of nSize bytes: the size limit, and the reading of at most nReadBytes
// with read(pBuffer, nBytes, strSystemText), which returns how many bytes it
// read, 0 at the end, or -1 with strSystemText the system's reason.
using ReadSomeBytes =
    std::function<long long(char* pBuffer, std::size_t nBytes, std::string& strSystemText)>;
bool ReadOpenRegularFile(unsigned long long nSize, std::size_t nMaxBytes, std::size_t nReadBytes,
                         const ReadSomeBytes& read, std::string& strBytes, std::string& strProblem,
                         const std::string& strSubject);
