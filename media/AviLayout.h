// The byte layout of the movie files that CAviRecorder writes.
//
// A movie is a RIFF "AVI " file with one uncompressed 24-bit video stream at
// 5 frames per second. Its header has a fixed size, so every field sits at a
// fixed offset and can be rewritten in place while the movie grows:
//
//   0     RIFF size "AVI "
//   12      LIST size "hdrl"
//   24        avih (56 bytes)
//   88        LIST size "strl"
//   100         strh (56 bytes)     stream header: "vids", "DIB ", 200/1000
//   164         strf (40 bytes)     BITMAPINFOHEADER, 24 bits, bottom-up
//   212         indx or JUNK        OpenDML super index, 256 slots
//   4340      LIST size "odml" or JUNK   dmlh: total frames
//   4608    LIST size "movi"
//   4620      00db chunks (one frame each), later ix00 when OpenDML
//           idx1 (index of the first RIFF's frames)
//   then, beyond 1 GiB: RIFF size "AVIX" / LIST size "movi" / 00db ... ix00
//
// A plain movie keeps the super index and the "odml" list as JUNK chunks;
// they become "indx" and "LIST" once the movie needs a second RIFF.
#pragma once

#include "media/LeBytes.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace lumetto::avi {

constexpr std::uint32_t kFramePeriodMs = 200; // stream scale
constexpr std::uint32_t kRate = 1000;         // stream rate: 1000 / 200 = 5 fps
constexpr std::uint32_t kKeyFrameFlag = 0x10; // AVIIF_KEYFRAME in idx1
constexpr std::uint32_t kHasIndexFlag = 0x10; // AVIF_HASINDEX in avih
constexpr std::size_t kSuperIndexSlots = 256;
// A RIFF list grows to about this size before the movie goes on in the next one.
constexpr std::uint64_t kRiffLimit = std::uint64_t{1} << 30;

// Offsets of the chunks and fields in the header.
constexpr std::size_t kAvihData = 32;
constexpr std::size_t kStrhData = 108;
constexpr std::size_t kStrfData = 172;
constexpr std::size_t kIndxChunk = 212;
constexpr std::size_t kIndxData = kIndxChunk + 8;
constexpr std::size_t kIndxSize = 24 + 16 * kSuperIndexSlots;
constexpr std::size_t kOdmlChunk = kIndxData + kIndxSize; // 4340
constexpr std::size_t kDmlhSize = 248;
constexpr std::size_t kOdmlSize = 4 + 8 + kDmlhSize;
constexpr std::size_t kMoviList = kOdmlChunk + 8 + kOdmlSize; // 4608
constexpr std::size_t kMoviFourCC = kMoviList + 8;            // 4616
constexpr std::size_t kHeaderSize = kMoviList + 12;           // first frame chunk: 4620

// A continuation RIFF starts with "RIFF" size "AVIX" "LIST" size "movi".
constexpr std::size_t kSegmentHeaderSize = 24;
constexpr std::size_t kSegmentMoviFourCC = 20; // from the start of the segment

// One entry of the super index: where an ix00 chunk lies and what it covers.
struct SuperIndexEntry {
    std::uint64_t nOffset = 0; // file offset of the ix00 chunk
    std::uint32_t nSize = 0;   // chunk size including its 8-byte header
    std::uint32_t nFrames = 0; // frames it indexes
};

// What the header says; everything else in it follows from the picture size.
struct HeaderFacts {
    int nWidth = 0;
    int nHeight = 0;
    std::uint32_t nFrameBytes = 0;           // bytes of every frame sample
    std::uint64_t nFirstRiffEnd = 0;         // file offset where the first RIFF ends
    std::uint64_t nFirstMoviEnd = 0;         // file offset where its movi list ends
    std::uint32_t nFirstRiffFrames = 0;      // frames in the first RIFF (avih)
    std::uint32_t nTotalFrames = 0;          // frames in the whole movie (strh, dmlh)
    bool bHasIdx1 = false;                   // the first RIFF ends in an idx1 chunk
    std::vector<SuperIndexEntry> superIndex; // empty: a plain AVI file
};

// The kHeaderSize bytes from the start of the file to the first frame chunk.
std::vector<std::uint8_t> BuildHeader(const HeaderFacts& facts);

// The start of a continuation RIFF whose RIFF list ends at nRiffEnd and whose
// movi list ends at nMoviEnd, both relative to the segment's start.
void AppendSegmentHeader(CLeBytes& out, std::uint64_t nRiffEnd, std::uint64_t nMoviEnd);

// A chunk header: four-character code and data size.
void AppendChunkHeader(CLeBytes& out, const char (&fourcc)[5], std::uint32_t nSize);

// The idx1 chunk of the first RIFF. chunkOffsets are the file offsets of the
// frame chunks; idx1 counts them from the "movi" code at nMoviFourCC.
void AppendIdx1(CLeBytes& out, const std::vector<std::uint64_t>& chunkOffsets,
                std::uint64_t nMoviFourCC, std::uint32_t nFrameBytes);

// An ix00 standard index chunk for the frames of one movi list, based at its
// "movi" code; entries point at the frames' data.
void AppendStdIndex(CLeBytes& out, const std::vector<std::uint64_t>& chunkOffsets,
                    std::uint64_t nMoviFourCC, std::uint32_t nFrameBytes);

// Bytes of an ix00 chunk (header included) for nFrames frames.
constexpr std::uint64_t StdIndexChunkSize(std::size_t nFrames) {
    return 8 + 24 + 8 * nFrames;
}

} // namespace lumetto::avi
