#include "app/DisplayCheck.h"

#include <cstdlib>
#include <filesystem>

namespace {

bool IsSet(const char* pszName) {
    const char* v = std::getenv(pszName);
    return v && *v;
}

bool PlatformReachable(const std::string& strName, const WindowSystemEnvironment& env) {
    if (strName.empty())
        return env.bX11 || env.bWayland;
    if (strName == "xcb")
        return env.bX11;
    if (strName.rfind("wayland", 0) == 0)
        return env.bWayland || env.bWaylandSocket;
    return true;
}

} // namespace

WindowSystemEnvironment CurrentWindowSystem(const std::string& strQtPlatform, bool bDisplayOption) {
    WindowSystemEnvironment env;
    env.strPlatform = strQtPlatform;
    if (env.strPlatform.empty())
        if (const char* v = std::getenv("QT_QPA_PLATFORM"))
            env.strPlatform = v;
    env.bX11 = bDisplayOption || IsSet("DISPLAY");
    env.bWayland = IsSet("WAYLAND_DISPLAY");
    if (IsSet("XDG_RUNTIME_DIR")) {
        // Without WAYLAND_DISPLAY a Wayland client tries "wayland-0".
        const std::string socket = std::string(std::getenv("XDG_RUNTIME_DIR")) + "/wayland-0";
        std::error_code ec;
        env.bWaylandSocket = std::filesystem::is_socket(socket, ec);
    }
    return env;
}

bool WindowSystemReachable(const WindowSystemEnvironment& env) {
    if (env.strPlatform.empty())
        return PlatformReachable({}, env);
    std::size_t pos = 0;
    while (pos <= env.strPlatform.size()) {
        std::size_t end = env.strPlatform.find(';', pos);
        if (end == std::string::npos)
            end = env.strPlatform.size();
        const std::string entry = env.strPlatform.substr(pos, end - pos);
        const std::string name = entry.substr(0, entry.find(':'));
        if (!entry.empty() && PlatformReachable(name, env))
            return true;
        pos = end + 1;
    }
    return false;
}

const char* NoDisplayMessage() {
    return "no display was found (neither DISPLAY nor WAYLAND_DISPLAY is set), so the window "
           "cannot be shown. Start lumetto in a desktop session, or run it without a window "
           "with --no-window (and --port NAME or --demo).";
}
