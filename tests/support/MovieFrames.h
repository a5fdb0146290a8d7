// Reads a movie back with ffmpeg, the way a player sees it.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace testsupport {

// Every frame of a movie as top-down blue-green-red bytes, decoded by ffmpeg;
// empty when ffmpeg reports an error.
inline std::vector<std::uint8_t> MovieFrames(const std::filesystem::path& movie) {
    const std::string cmd =
        "ffmpeg -v error -i '" + movie.string() + "' -f rawvideo -pix_fmt bgr24 - 2>/dev/null";
    std::vector<std::uint8_t> out;
    if (FILE* p = ::popen(cmd.c_str(), "r")) {
        std::uint8_t buf[65536];
        std::size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, p)) > 0)
            out.insert(out.end(), buf, buf + n);
        if (::pclose(p) != 0)
            out.clear();
    }
    return out;
}

} // namespace testsupport
