// Helpers for the movie tests: test pictures, files, and ffmpeg/ffprobe as
// the independent readers of what the recorder writes.
#pragma once

#include "codec/ScreenFormat.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace moviesupport {

using Bytes = std::vector<std::uint8_t>;

// A fresh folder under the system's temporary folder, removed with everything in it.
class CTempDir {
public:
    CTempDir() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "lumetto-movie-XXXXXX").string();
        m_path = ::mkdtemp(pattern.data()) ? pattern : std::string();
    }
    ~CTempDir() {
        std::error_code ec;
        if (!m_path.empty())
            std::filesystem::remove_all(m_path, ec);
    }
    std::string File(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

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

// Frames that the RIFF and movi list sizes describe, walking the file as a
// strict reader would: -1 if any size points beyond the file.
inline long DescribedFrames(const Bytes& f) {
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

// Runs a shell command and returns what it printed on standard output.
inline std::string Run(const std::string& command) {
    std::string out;
    if (std::FILE* p = ::popen(command.c_str(), "r")) {
        char buf[1 << 16];
        std::size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, p)) > 0)
            out.append(buf, n);
        ::pclose(p);
    }
    return out;
}

// ffprobe's view of the video stream, frames counted by reading them all:
// keys width, height, r_frame_rate, nb_frames, nb_read_frames, duration.
inline std::map<std::string, std::string> Probe(const std::string& path) {
    const std::string text =
        Run("ffprobe -v error -count_frames -select_streams v:0 -show_entries "
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
        Run("ffmpeg -nostdin -v error -i '" + path + "' -f rawvideo -pix_fmt bgr24 -");
    return Bytes(out.begin(), out.end());
}

} // namespace moviesupport
