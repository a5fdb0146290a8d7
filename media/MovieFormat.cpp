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

namespace {

// Each format once: its extension, its name for the user, FFmpeg's muxer.
struct SMovieFormatRow {
    MovieFormat eFormat;
    const char* pszExtension;
    const char* pszName;
    const char* pszMuxer; // null: not written through FFmpeg
};

constexpr SMovieFormatRow kFormats[] = {
    {MovieFormat::Avi, "avi", "AVI", nullptr},
    {MovieFormat::Mp4, "mp4", "MP4", "mp4"},
    {MovieFormat::Matroska, "mkv", "MKV", "matroska"},
    {MovieFormat::QuickTime, "mov", "MOV", "mov"},
};

const SMovieFormatRow* Row(MovieFormat e) {
    for (const SMovieFormatRow& row : kFormats)
        if (row.eFormat == e)
            return &row;
    return nullptr;
}

} // namespace

MovieFormat MovieFormatOf(const std::string& strPath) {
    const std::string ext = ExtensionOf(strPath);
    if (ext.empty())
        return MovieFormat::Avi;
    for (const SMovieFormatRow& row : kFormats)
        if (ext == row.pszExtension)
            return row.eFormat;
    return MovieFormat::Unknown;
}

const char* MovieFormatName(MovieFormat e) {
    const SMovieFormatRow* pRow = Row(e);
    return pRow ? pRow->pszName : "?";
}

const char* MovieMuxerName(MovieFormat e) {
    const SMovieFormatRow* pRow = Row(e);
    return pRow ? pRow->pszMuxer : nullptr;
}

std::string UnknownMovieFormatText(const std::string& strPath) {
    return "A movie's name must end in .avi, .mp4, .mkv or .mov, which picks its format: \"" +
           strPath + "\" has none of them.";
}

} // namespace lumetto
