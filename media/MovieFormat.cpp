#include "media/MovieFormat.h"

#include <cctype>

namespace lumetto {

std::string ExtensionOf(const std::string& strPath) {
    const std::size_t slash = strPath.find_last_of('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const std::size_t dot = strPath.rfind('.');
    if (dot == std::string::npos || dot <= nameStart)
        return {};
    std::string ext = strPath.substr(dot + 1);
    for (char& c : ext)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext;
}

MovieFormat MovieFormatOf(const std::string& strPath) {
    const std::string ext = ExtensionOf(strPath);
    if (ext == "avi" || ext.empty())
        return MovieFormat::Avi;
    if (ext == "mp4")
        return MovieFormat::Mp4;
    if (ext == "mkv")
        return MovieFormat::Matroska;
    if (ext == "mov")
        return MovieFormat::QuickTime;
    return MovieFormat::Unknown;
}

const char* MovieFormatName(MovieFormat e) {
    switch (e) {
    case MovieFormat::Avi:
        return "AVI";
    case MovieFormat::Mp4:
        return "MP4";
    case MovieFormat::Matroska:
        return "MKV";
    case MovieFormat::QuickTime:
        return "MOV";
    case MovieFormat::Unknown:
        break;
    }
    return "?";
}

const char* MovieMuxerName(MovieFormat e) {
    switch (e) {
    case MovieFormat::Mp4:
        return "mp4";
    case MovieFormat::Matroska:
        return "matroska";
    case MovieFormat::QuickTime:
        return "mov";
    default:
        return nullptr;
    }
}

std::string UnknownMovieFormatText(const std::string& strPath) {
    return "A movie's name must end in .avi, .mp4, .mkv or .mov, which picks its format: \"" +
           strPath + "\" has none of them.";
}

} // namespace lumetto
