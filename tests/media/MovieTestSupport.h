// Helpers for the movie tests: test pictures, files, and ffmpeg/ffprobe as
// the independent readers of what the recorder writes.
#pragma once

#include "codec/ScreenFormat.h"
#include "media/AviLayout.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "tests/support/CommandOutput.h"
#include "tests/support/TempFolder.h"
#include <vector>

namespace moviesupport {

using Bytes = std::vector<std::uint8_t>;

using CTempDir = ::CTempFolder;

// A screen picture as the program holds it: rows bottom-up, blue-green-red,
// rows padded to 4 bytes, and (with slack) the white row on top. Every frame
// number gives other pixels; row padding holds bytes no reader may show.
inline Bytes MakePicture(int w, int h, int frame, bool slack = true) {
    const std::size_t stride = lumetto::DibRowStride(w);
    Bytes p(stride * static_cast<std::size_t>(h + (slack ? 1 : 0)), 0xA5);
    for (int row = 0; row < h; ++row) {
        std::uint8_t* r = &p[stride * static_cast<std::size_t>(row)];
        for (int x = 0; x < w; ++x) {
            r[3 * x] = static_cast<std::uint8_t>(x * 7 + frame * 13);
            r[3 * x + 1] = static_cast<std::uint8_t>(row * 5 + frame);
            r[3 * x + 2] = static_cast<std::uint8_t>((x ^ row) + frame * 31);
        }
    }
    if (slack)
        std::fill(p.end() - static_cast<std::ptrdiff_t>(stride), p.end(), 0xFF);
    return p;
}

// What ffmpeg gives for a picture as raw bgr24: rows top-down, no padding,
// no slack row.
inline Bytes TopDownBgr(const Bytes& picture, int w, int h) {
    const std::size_t stride = lumetto::DibRowStride(w);
    Bytes out;
    for (int row = h - 1; row >= 0; --row) {
        auto first = picture.begin() + static_cast<std::ptrdiff_t>(stride * row);
        out.insert(out.end(), first, first + 3 * w);
    }
    return out;
}

inline Bytes ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void AppendToFile(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::app);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

inline std::uint32_t Le16(const Bytes& b, std::size_t at) {
    return b[at] | (b[at + 1] << 8u);
}
inline std::uint32_t Le32(const Bytes& b, std::size_t at) {
    return Le16(b, at) | (Le16(b, at + 2) << 16u);
}
inline std::uint64_t Le64(const Bytes& b, std::size_t at) {
    return Le32(b, at) | (std::uint64_t{Le32(b, at + 4)} << 32u);
}
inline std::string FourCC(const Bytes& b, std::size_t at) {
    return at + 4 <= b.size() ? std::string(b.begin() + static_cast<std::ptrdiff_t>(at),
                                            b.begin() + static_cast<std::ptrdiff_t>(at + 4))
                              : std::string();
}

// A movie file read field by field, for files too large to hold in memory.
class CMovieFile {
public:
    explicit CMovieFile(const std::string& path) : m_fd(::open(path.c_str(), O_RDONLY)) {
        struct stat st {};
        m_size = m_fd >= 0 && ::fstat(m_fd, &st) == 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
    }
    ~CMovieFile() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    CMovieFile(const CMovieFile&) = delete;
    CMovieFile& operator=(const CMovieFile&) = delete;
    std::uint64_t size() const { return m_size; }
    Bytes Read(std::uint64_t at, std::size_t n) const {
        Bytes b(n, 0);
        if (at + n <= m_size && ::pread(m_fd, b.data(), n, static_cast<off_t>(at)) != ssize_t(n))
            std::fill(b.begin(), b.end(), 0);
        return b;
    }

private:
    int m_fd;
    std::uint64_t m_size = 0;
};

inline std::uint32_t Le32(const CMovieFile& f, std::uint64_t at) {
    return Le32(f.Read(at, 4), 0);
}
inline std::uint64_t Le64(const CMovieFile& f, std::uint64_t at) {
    return Le64(f.Read(at, 8), 0);
}
inline std::string FourCC(const CMovieFile& f, std::uint64_t at) {
    return at + 4 <= f.size() ? FourCC(f.Read(at, 4), 0) : std::string();
}

// Frames that the RIFF and movi list sizes describe, walking the file as a
// strict reader would: -1 if any size points beyond the file.
template <class Movie> long DescribedFrames(const Movie& f) {
    long frames = 0;
    for (std::uint64_t riff = 0; riff + 12 <= f.size();) {
        if (FourCC(f, riff) != "RIFF")
            return frames;
        const std::uint64_t riffEnd = riff + 8 + Le32(f, riff + 4);
        if (riffEnd > f.size())
            return -1;
        for (std::uint64_t at = riff + 12; at + 8 <= riffEnd;) {
            const std::uint64_t end = at + 8 + Le32(f, at + 4);
            if (end > riffEnd)
                return -1;
            if (FourCC(f, at) == "LIST" && FourCC(f, at + 8) == "movi") {
                for (std::uint64_t c = at + 12; c + 8 <= end;) {
                    frames += FourCC(f, c) == "00db";
                    c += 8 + ((Le32(f, c + 4) + 1) & ~1u);
                    if (c > end)
                        return -1;
                }
            }
            at = (end + 1) & ~std::uint64_t{1};
        }
        riff = riffEnd;
    }
    return frames;
}

using testsupport::CommandOutput;

// ffprobe's view of the video stream, frames counted by reading them all:
// keys width, height, r_frame_rate, nb_frames, nb_read_frames, duration.
inline std::map<std::string, std::string> Probe(const std::string& path) {
    const std::string text =
        CommandOutput("ffprobe -v error -count_frames -select_streams v:0 -show_entries "
                      "stream=width,height,r_frame_rate,nb_frames,nb_read_frames,duration "
                      "-of default=noprint_wrappers=1 '" +
                      path + "'");
    std::map<std::string, std::string> fields;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        const auto eq = line.find('=');
        if (eq != std::string::npos)
            fields[line.substr(0, eq)] = line.substr(eq + 1);
    }
    return fields;
}

// Every frame of the movie as ffmpeg decodes it, in raw bgr24.
inline Bytes DecodeFrames(const std::string& path) {
    const std::string out =
        CommandOutput("ffmpeg -nostdin -v error -i '" + path + "' -f rawvideo -pix_fmt bgr24 -");
    return Bytes(out.begin(), out.end());
}

// Walks the top-level RIFF lists of an OpenDML movie and checks every index.
template <class Movie>
void ExpectOpenDmlStructure(const Movie& f, std::uint32_t frames, std::uint32_t sample) {
    std::vector<std::string> kinds;
    for (std::size_t at = 0; at + 12 <= f.size();) {
        ASSERT_EQ(FourCC(f, at), "RIFF") << "at " << at;
        kinds.push_back(FourCC(f, at + 8));
        at += 8 + std::size_t{Le32(f, at + 4)};
        ASSERT_LE(at, f.size());
    }
    ASSERT_GE(kinds.size(), 2u);
    EXPECT_EQ(kinds[0], "AVI ");
    for (std::size_t i = 1; i < kinds.size(); ++i)
        EXPECT_EQ(kinds[i], "AVIX");

    EXPECT_EQ(FourCC(f, lumetto::avi::kIndxChunk), "indx");
    EXPECT_EQ(FourCC(f, lumetto::avi::kOdmlChunk), "LIST");
    EXPECT_EQ(FourCC(f, lumetto::avi::kOdmlChunk + 12), "dmlh");
    EXPECT_EQ(Le32(f, lumetto::avi::kOdmlChunk + 20), frames) << "dmlh total frames";
    EXPECT_EQ(Le32(f, 140), frames) << "strh length";

    const std::uint32_t entries = Le32(f, lumetto::avi::kIndxData + 4);
    EXPECT_EQ(entries, kinds.size());
    std::uint32_t indexed = 0;
    for (std::uint32_t e = 0; e < entries; ++e) {
        const std::size_t slot = lumetto::avi::kIndxData + 24 + 16 * e;
        const std::uint64_t ix = Le64(f, slot);
        const std::uint32_t count = Le32(f, slot + 12);
        ASSERT_EQ(FourCC(f, ix), "ix00");
        EXPECT_EQ(Le32(f, slot + 8), 8 + Le32(f, ix + 4));
        EXPECT_EQ(Le32(f, ix + 12), count);
        const std::uint64_t base = Le64(f, ix + 20);
        EXPECT_EQ(FourCC(f, base), "movi");
        for (std::uint32_t k = 0; k < count; ++k) {
            const std::uint64_t data = base + Le32(f, ix + 32 + 8 * k);
            EXPECT_EQ(FourCC(f, data - 8), "00db");
            EXPECT_EQ(Le32(f, ix + 36 + 8 * k), sample) << "key frame of full size";
        }
        if (e == 0) {
            EXPECT_EQ(Le32(f, 48), count) << "avih counts the first RIFF's frames";
        }
        indexed += count;
    }
    EXPECT_EQ(indexed, frames);
    // The first RIFF ends with an idx1 for old players.
    const std::size_t idx1 = lumetto::avi::kMoviFourCC + Le32(f, 4612);
    EXPECT_EQ(FourCC(f, idx1), "idx1");
    EXPECT_EQ(Le32(f, idx1 + 4), 16 * Le32(f, 48));
}

} // namespace moviesupport
