#include "media/MovieEncoder.h"

#include "platform/Folders.h"
#include "platform/SharedLibrary.h"

#include <filesystem>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#ifndef LUMETTO_MODULE_DIR_FROM_BIN
#define LUMETTO_MODULE_DIR_FROM_BIN "../lib/lumetto"
#endif

namespace lumetto {

namespace {

using CreateFunction = IMovieEncoder* (*)();
using InterfaceFunction = int (*)();

std::mutex g_mutex;                // guards the two below
std::string g_strOverride;         // SetMovieEncoderModule
CreateFunction g_create = nullptr; // the loaded module's, once loaded

// The folder of the running program, without its final separator.
std::string ProgramFolder() {
    std::string folder = RunningProgramFolder();
    if (folder.empty())
        return ".";
    folder.pop_back();
    return folder;
}

// Loads the module; on failure, says why. Called with g_mutex held.
bool Load(std::string& strWhy) {
    std::vector<std::string> candidates;
    if (!g_strOverride.empty()) {
        candidates.push_back(g_strOverride);
    } else {
        const std::string folder = ProgramFolder();
        candidates.push_back(folder + "/" + kMovieEncoderModule);
        candidates.push_back(folder + "/" LUMETTO_MODULE_DIR_FROM_BIN "/" + kMovieEncoderModule);
    }
    for (const std::string& path : candidates) {
        std::error_code ec;
        if (!std::filesystem::exists(path, ec))
            continue;
        void* pModule = OpenSharedLibrary(path, strWhy);
        if (!pModule)
            return false;
        auto version = reinterpret_cast<InterfaceFunction>(
            SharedLibrarySymbol(pModule, "lumetto_movie_encoder_interface"));
        auto create = reinterpret_cast<CreateFunction>(
            SharedLibrarySymbol(pModule, "lumetto_create_movie_encoder"));
        if (!version || !create || version() != kMovieEncoderInterface) {
            strWhy = path + " belongs to another version of the program";
            CloseSharedLibrary(pModule);
            return false;
        }
        g_create = create; // kept loaded for the rest of the run
        return true;
    }
    strWhy = "it is not in ";
    for (std::size_t i = 0; i < candidates.size(); ++i)
        strWhy += (i == 0 ? "" : i + 1 == candidates.size() ? " nor in " : ", ") + candidates[i];
    return false;
}

} // namespace

std::unique_ptr<IMovieEncoder> CreateMovieEncoder(std::string& strError) {
    std::lock_guard<std::mutex> lock(g_mutex);
    std::string strWhy;
    if (!g_create && !Load(strWhy)) {
        strError = "MP4, MKV and MOV movies need the program's video encoder module " +
                   std::string(kMovieEncoderModule) + " (with FFmpeg's libraries), which could " +
                   "not be loaded: " + strWhy +
                   ". Install it with the program, or record an AVI movie, which needs no module.";
        return nullptr;
    }
    std::unique_ptr<IMovieEncoder> pEncoder(g_create());
    if (!pEncoder)
        strError = "The video encoder module could not start an encoder.";
    return pEncoder;
}

void PreloadMovieEncoder() {
    // The loading thread is joined when the program ends: a run that ends
    // while the module's libraries are still being loaded (a short run with
    // --record, a cold disk) waits for the load instead of tearing down the
    // statics the load uses under it. Made after g_mutex, so ended before it.
    struct CLoader {
        std::thread thread;
        ~CLoader() {
            if (thread.joinable())
                thread.join();
        }
    };
    static CLoader loader;
    static std::once_flag once;
    std::call_once(once, [] {
        loader.thread = std::thread([] {
            std::lock_guard<std::mutex> lock(g_mutex);
            std::string strWhy;
            if (!g_create)
                Load(strWhy); // a failure is told when a movie starts
        });
    });
}

void SetMovieEncoderModule(const std::string& strPath) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_strOverride = strPath;
    if (!strPath.empty())
        g_create = nullptr; // the next encoder comes from that path
}

} // namespace lumetto
