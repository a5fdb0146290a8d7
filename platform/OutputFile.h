// The rules every file the program writes follows (screenshots, quick
// captures, movies):
//  - the name the user chose is followed through symlinks to its target;
//  - a target that exists and is not a regular file (a folder, a FIFO, a
//    device) is refused with a message, and nothing is opened in a way that
//    could block (O_NONBLOCK wherever a FIFO could stand);
//  - pictures are written first to an unpredictable temporary name in the
//    target's folder (mkstemp: O_EXCL, so a planted symlink is never
//    followed), synced, given the mode of the file they replace, and renamed
//    over the target, so a failure never leaves half a file under the name;
//  - movies grow in place, so that whatever was written before the program
//    was killed stays playable under the chosen name; the file is truncated
//    only after it was checked to be a regular file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <initializer_list>
#include <string>

namespace lumetto {

// Follows strPath through symlinks. True with strResolved set to the path to
// write (the final target, or strPath when nothing is there yet); false with
// strError a sentence for the user when the target exists and is not a
// regular file, or a link cannot be followed (a loop, an unreadable link).
bool ResolveOutputTarget(const std::string& strPath, std::string& strResolved,
                         std::string& strError);

// Writes nSize bytes as the whole new content of strPath by the temporary
// name rule above. False with strError a sentence for the user; then the
// target is untouched and no temporary file is left.
bool WriteFileReplacing(const std::string& strPath, const void* pData, std::size_t nSize,
                        std::string& strError);

// Opens strPath (resolved as above) for a movie written in place: created
// with mode 0666 & ~umask when new, truncated when it is an existing regular
// file (its mode kept). Never blocks. Returns a C runtime descriptor for the
// calls below (on POSIX: O_WRONLY, O_CLOEXEC, blocking writes; on Windows a
// binary descriptor over the file's handle) or -1 with strError a sentence
// for the user.
int OpenOutputInPlace(const std::string& strPath, std::string& strError);

// OpenOutputInPlace that also says where the file is (strResolved) and
// whether this call created it (bCreated), so that a caller whose later
// steps fail removes only a file it made: RemoveOutput(strResolved) when
// bCreated.
int OpenOutputInPlace(const std::string& strPath, std::string& strResolved, bool& bCreated,
                      std::string& strError);

// One piece of a file's content, for writing a header and a body without
// copying them together.
struct OutputPiece {
    const void* pData;
    std::size_t nSize;
};

// WriteFileReplacing with the content given as pieces written one after the other.
bool WriteFileReplacing(const std::string& strPath, std::initializer_list<OutputPiece> pieces,
                        std::string& strError);

// WriteFileReplacing with the content written by write(hFile, strTemporary,
// strError): into the new, empty temporary file, named strTemporary (for a
// writer that opens it by name again) and open for writing as hFile (-1 on
// Windows, where the writer opens it by name). False from write
// (with strError set, or the system's error) leaves the target untouched.
using ContentWriter =
    std::function<bool(int hFile, const std::string& strTemporary, std::string& strError)>;
bool WriteFileReplacing(const std::string& strPath, const ContentWriter& write,
                        std::string& strError);

// Writes the pieces one after the other at byte nOffset of hFile (from
// OpenOutputInPlace), whatever the file's current position. False with
// strSystemText the system's text for the failure.
bool WriteOutputAt(int hFile, std::uint64_t nOffset, const OutputPiece* pPieces, int nPieces,
                   std::string& strSystemText);
// Cuts hFile back to nSize bytes.
bool TruncateOutput(int hFile, std::uint64_t nSize);
// Closes hFile; false with strSystemText set when the last bytes could not be
// written.
bool CloseOutput(int hFile, std::string& strSystemText);
// A stdio stream that writes to hFile and owns it from now on (fclose
// closes both); null when none can be made, hFile then still open.
std::FILE* OutputStream(int hFile);
// Removes a file this program created; best effort.
void RemoveOutput(const std::string& strResolved);

} // namespace lumetto
