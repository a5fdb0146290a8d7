#include "res/Strings.h"

#include "res/ResourceIds.h"

#include <algorithm>
#include <iterator>

namespace {

struct SStringEntry {
    int id;
    const char* text;
};

// Sorted by id.
constexpr SStringEntry kStrings[] = {
    {IDS_S60_FRAME, "<Series60 frame>"},
    {IDS_UIQ_FRAME, "<UIQ frame>"},
    {IDS_APP_TITLE, "Morvane Lumetto"},
    {IDS_CANNOT_CLOSE_PORT, "Cannot close serial port %s"},
    {IDS_PORT_TITLE, "%s"},
    {IDS_NO_CONNECTION, "No connection"},
    {IDS_PORT_SELECTION_FAILED, "Selection of the communication port has failed"},
    {IDS_CONFIRM_EXIT, "Close the connection and exit the application?"},
    {IDS_VIDEO_NOT_STARTED, "Could not initialize video stream. Video recording not started."},
    {IDS_MOVIE_FILTER, "MP4 video (*.mp4)|*.mp4|Matroska video (*.mkv)|*.mkv|QuickTime movie "
                       "(*.mov)|*.mov|AVI Files (*.avi)|*.avi||"},
};

const SStringEntry* Find(int id) {
    const auto* it = std::lower_bound(std::begin(kStrings), std::end(kStrings), id,
                                      [](const SStringEntry& e, int key) { return e.id < key; });
    return (it != std::end(kStrings) && it->id == id) ? it : nullptr;
}

} // namespace

const char* LoadStringResource(int id) {
    const SStringEntry* e = Find(id);
    return e ? e->text : "";
}

bool HasStringResource(int id) {
    return Find(id) != nullptr;
}

std::string FormatStringResource(int id, const std::string& arg) {
    std::string text = LoadStringResource(id);
    const std::size_t at = text.find("%s");
    if (at == std::string::npos)
        return text;
    return text.substr(0, at) + arg + text.substr(at + 2);
}
