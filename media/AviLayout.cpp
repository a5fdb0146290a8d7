#include "media/AviLayout.h"

#include <cassert>

namespace lumetto::avi {

namespace {

std::uint32_t U32(std::uint64_t v) {
    return static_cast<std::uint32_t>(v);
}

} // namespace

std::vector<std::uint8_t> BuildHeader(const HeaderFacts& f) {
    const bool bOpenDml = !f.superIndex.empty();
    const auto width = static_cast<std::uint32_t>(f.nWidth);
    const auto height = static_cast<std::uint32_t>(f.nHeight);
    CLeBytes b;

    b.PutFourCC("RIFF");
    b.Put32(U32(f.nFirstRiffEnd - 8));
    b.PutFourCC("AVI ");
    b.PutFourCC("LIST");
    b.Put32(U32(kMoviList - 20));
    b.PutFourCC("hdrl");

    // Main header.
    b.PutFourCC("avih");
    b.Put32(56);
    b.Put32(kFramePeriodMs * 1000);                    // microseconds per frame
    b.Put32(f.nFrameBytes * (kRate / kFramePeriodMs)); // bytes per second
    b.Put32(0);                                        // padding granularity
    b.Put32(f.bHasIdx1 ? kHasIndexFlag : 0);
    b.Put32(bOpenDml ? f.nFirstRiffFrames : f.nTotalFrames);
    b.Put32(0); // initial frames
    b.Put32(1); // streams
    b.Put32(f.nFrameBytes);
    b.Put32(width);
    b.Put32(height);
    b.PutZeros(16);

    b.PutFourCC("LIST");
    b.Put32(U32(kOdmlChunk - 96));
    b.PutFourCC("strl");

    // Stream header.
    b.PutFourCC("strh");
    b.Put32(56);
    b.PutFourCC("vids");
    b.PutFourCC("DIB ");
    b.Put32(0); // flags
    b.Put16(0); // priority
    b.Put16(0); // language
    b.Put32(0); // initial frames
    b.Put32(kFramePeriodMs);
    b.Put32(kRate);
    b.Put32(0); // start
    b.Put32(f.nTotalFrames);
    b.Put32(0); // suggested buffer size
    b.Put32(0); // quality
    b.Put32(0); // sample size: varies (video)
    b.Put16(0); // frame rectangle
    b.Put16(0);
    b.Put16(width);
    b.Put16(height);

    // Stream format: BITMAPINFOHEADER.
    b.PutFourCC("strf");
    b.Put32(40);
    b.Put32(40);
    b.Put32(width);
    b.Put32(height); // positive: rows bottom-up
    b.Put16(1);      // planes
    b.Put16(24);     // bits per pixel
    b.Put32(0);      // BI_RGB
    b.PutZeros(20);  // image size, pixels per metre x and y, colours used and important

    // Super index (a JUNK placeholder while the movie is one RIFF).
    assert(f.superIndex.size() <= kSuperIndexSlots);
    b.PutFourCC(bOpenDml ? "indx" : "JUNK");
    b.Put32(kIndxSize);
    if (bOpenDml) {
        b.Put16(4); // longs per entry
        b.Put8(0);  // sub type
        b.Put8(0);  // AVI_INDEX_OF_INDEXES
        b.Put32(U32(f.superIndex.size()));
        b.PutFourCC("00db");
        b.PutZeros(12);
        for (const SuperIndexEntry& e : f.superIndex) {
            b.Put64(e.nOffset);
            b.Put32(e.nSize);
            b.Put32(e.nFrames);
        }
        b.PutZeros(16 * (kSuperIndexSlots - f.superIndex.size()));
    } else {
        b.PutZeros(kIndxSize);
    }

    // OpenDML extended header (a JUNK placeholder while the movie is one RIFF).
    b.PutFourCC(bOpenDml ? "LIST" : "JUNK");
    b.Put32(kOdmlSize);
    if (bOpenDml) {
        b.PutFourCC("odml");
        b.PutFourCC("dmlh");
        b.Put32(kDmlhSize);
        b.Put32(f.nTotalFrames);
        b.PutZeros(kDmlhSize - 4);
    } else {
        b.PutZeros(kOdmlSize);
    }

    b.PutFourCC("LIST");
    b.Put32(U32(f.nFirstMoviEnd - kMoviFourCC));
    b.PutFourCC("movi");
    assert(b.Size() == kHeaderSize);
    return b.Bytes();
}

void AppendSegmentHeader(CLeBytes& out, std::uint64_t nRiffEnd, std::uint64_t nMoviEnd) {
    out.PutFourCC("RIFF");
    out.Put32(U32(nRiffEnd - 8));
    out.PutFourCC("AVIX");
    out.PutFourCC("LIST");
    out.Put32(U32(nMoviEnd - kSegmentMoviFourCC));
    out.PutFourCC("movi");
}

void AppendChunkHeader(CLeBytes& out, const char (&fourcc)[5], std::uint32_t nSize) {
    out.PutFourCC(fourcc);
    out.Put32(nSize);
}

void AppendIdx1(CLeBytes& out, const std::vector<std::uint64_t>& chunkOffsets,
                std::uint64_t nMoviFourCC, std::uint32_t nFrameBytes) {
    AppendChunkHeader(out, "idx1", U32(16 * chunkOffsets.size()));
    for (std::uint64_t offset : chunkOffsets) {
        out.PutFourCC("00db");
        out.Put32(kKeyFrameFlag);
        out.Put32(U32(offset - nMoviFourCC));
        out.Put32(nFrameBytes);
    }
}

void AppendStdIndex(CLeBytes& out, const std::vector<std::uint64_t>& chunkOffsets,
                    std::uint64_t nMoviFourCC, std::uint32_t nFrameBytes) {
    AppendChunkHeader(out, "ix00", U32(StdIndexChunkSize(chunkOffsets.size()) - 8));
    out.Put16(2); // longs per entry
    out.Put8(0);  // sub type
    out.Put8(1);  // AVI_INDEX_OF_CHUNKS
    out.Put32(U32(chunkOffsets.size()));
    out.PutFourCC("00db");
    out.Put64(nMoviFourCC); // base offset
    out.Put32(0);
    for (std::uint64_t offset : chunkOffsets) {
        out.Put32(U32(offset + 8 - nMoviFourCC)); // the frame's data
        out.Put32(nFrameBytes);                   // top bit clear: a key frame
    }
}

} // namespace lumetto::avi
