// Reads a movie back with ffmpeg, the way a player sees it.
#pragma once

#include "tests/support/CommandOutput.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace testsupport {

// Every frame of a movie as top-down blue-green-red bytes, decoded by ffmpeg;
// empty when ffmpeg reports an error.
inline std::vector<std::uint8_t> MovieFrames(const std::filesystem::path& movie) {
    const std::string cmd =
        "ffmpeg -v error -i '" + movie.string() + "' -f rawvideo -pix_fmt bgr24 - 2>/dev/null";
    bool ok = false;
    const std::string out = CommandOutput(cmd, &ok);
    return ok ? std::vector<std::uint8_t>(out.begin(), out.end()) : std::vector<std::uint8_t>();
}

// What ffprobe says of a movie's video stream: "codec WxH frames" (frames
// counted by reading them all), e.g. "h264 704x832 5"; empty when it cannot.
inline std::string ProbeMovie(const std::filesystem::path& movie) {
    const std::string cmd = "ffprobe -v error -count_frames -select_streams v:0 -show_entries "
                            "stream=codec_name,width,height,nb_read_frames -of csv=p=0 '" +
                            movie.string() + "' 2>/dev/null";
    std::string out = CommandOutput(cmd);
    while (!out.empty() && (out.back() == '\n' || out.back() == ' '))
        out.pop_back();
    // "h264,704,832,5" -> "h264 704x832 5"
    const char marks[] = {' ', 'x', ' '};
    std::size_t at = 0;
    for (char mark : marks)
        if ((at = out.find(',', at)) != std::string::npos)
            out[at] = mark;
    return out;
}

} // namespace testsupport
