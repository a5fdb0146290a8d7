// The skin folder scan is kept between rebuilds of the skin list and read
// again exactly when the folder or one of its skin files or bitmaps changed.
#include "display/SkinFolderCache.h"

#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

TEST(SkinFolderCache, ReadsAFolderAgainOnlyWhenItOrOneOfItsSkinsChanged) {
    CTempFolder dir;
    const std::string folder = dir.Path() + "S60/";
    std::vector<std::string> asked; // the bitmaps the loader was asked about
    CSkinFolderCache cache([&](const std::string& path) {
        asked.push_back(fs::path(path).filename().string());
        return SSkinBitmapInfo{true, 300, 400, {}};
    });
    // An hour from now every stamp has settled.
    const long long later =
        std::chrono::duration_cast<std::chrono::nanoseconds>(
            std::chrono::system_clock::now().time_since_epoch() + std::chrono::hours(1))
            .count();
    cache.SetClock([later] { return later; });

    // Each change also gets a modification time of its own, as an edit made
    // at another moment has; within one clock tick the file system could give
    // two edits the same time (the settling rule covers that in the program).
    int tick = 0;
    const auto touched = [&](const std::string& path) {
        fs::last_write_time(path, fs::file_time_type::clock::now() - std::chrono::hours(2) +
                                      std::chrono::seconds(++tick));
    };
    const auto write = [&](const std::string& name, const std::string& text) {
        dir.Write("S60/" + name, text);
        touched(folder + name);
        touched(folder);
    };
    write("a.lumetto", "A\n0 1 2 177 210\n");
    write("a.bmp", "BM");
    write("b.lumetto", "B\n0 1 2 177 210\n");
    write("b.bmp", "BM");

    struct Step {
        const char* label;
        std::function<void()> change;
        std::vector<std::string> asked; // empty: the last scan was kept
        std::vector<std::string> names;
    } steps[] = {
        {"first scan", [] {}, {"a.bmp", "b.bmp"}, {"A", "B"}},
        {"nothing changed", [] {}, {}, {"A", "B"}},
        {"skin file edited in place, same size",
         [&] { write("a.lumetto", "X\n0 1 2 177 210\n"); },
         {"a.bmp", "b.bmp"},
         {"X", "B"}},
        {"nothing changed again", [] {}, {}, {"X", "B"}},
        {"bitmap replaced", [&] { write("b.bmp", "BMBM"); }, {"a.bmp", "b.bmp"}, {"X", "B"}},
        {"bitmap made unreadable (only its change time moves)",
         [&] { fs::permissions(folder + "b.bmp", fs::perms::none); },
         {"a.bmp", "b.bmp"},
         {"X", "B"}},
        {"skin file added",
         [&] {
             write("c.bmp", "BM");
             write("c.lumetto", "C\n0 1 2 177 210\n");
         },
         {"a.bmp", "b.bmp", "c.bmp"},
         {"X", "B", "C"}},
        {"skin file removed",
         [&] {
             fs::remove(folder + "a.lumetto");
             touched(folder);
         },
         {"b.bmp", "c.bmp"},
         {"B", "C"}},
        {"folder removed", [&] { fs::remove_all(folder); }, {}, {}},
        {"folder back", [&] { write("d.lumetto", "D\n0 1 2 177 210\n"); }, {"d.bmp"}, {"D"}},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.label);
        step.change();
        asked.clear();
        std::vector<std::string> names;
        for (const SSkinVerdict& v : cache.Scan(folder)) {
            if (v.bRead)
                names.push_back(v.skin.strName);
        }
        EXPECT_EQ(asked, step.asked);
        EXPECT_EQ(names, step.names);
    }

    // Stamps younger than the file system's clock tick may hide a change still
    // to come: a scan that saw them is not kept.
    CSkinFolderCache fresh([&](const std::string& path) {
        asked.push_back(fs::path(path).filename().string());
        return SSkinBitmapInfo{true, 300, 400, {}};
    });
    dir.Write("S60/d.lumetto", "D\n0 1 2 177 210\n");
    for (int i = 0; i < 2; ++i) {
        asked.clear();
        fresh.Scan(folder);
        EXPECT_EQ(asked, (std::vector<std::string>{"d.bmp"}));
    }
}

} // namespace
