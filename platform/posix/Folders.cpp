#include "platform/Folders.h"

#include <cstdlib>
#include <filesystem>

namespace fs = std::filesystem;

std::string RunningProgramFolder() {
    std::error_code ec;
    const std::string path = fs::read_symlink("/proc/self/exe", ec).string();
    const std::size_t cut = path.find_last_of('/');
    return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

std::string UserDataFolder() {
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    if (dataHome && dataHome[0] == '/')
        return (fs::path(dataHome) / "").string();
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/')
        return (fs::path(home) / ".local/share/").string();
    return std::string();
}
