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
    // An hour from now every stamp has settled; each scan comes two seconds
    // after the last, so the files' stamps are compared each time.
    long long now = std::chrono::duration_cast<std::chrono::nanoseconds>(
                        std::chrono::system_clock::now().time_since_epoch() + std::chrono::hours(1))
                        .count();
    bool clockRuns = true;
    cache.SetClock([&] { return now += clockRuns ? 2000000000LL : 0; });

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
    // An edit in place leaves the folder's own stamp alone.
    const auto edit = [&](const std::string& name, const std::string& text) {
        dir.Write("S60/" + name, text);
        touched(folder + name);
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
         [&] { edit("a.lumetto", "X\n0 1 2 177 210\n"); },
         {"a.bmp", "b.bmp"},
         {"X", "B"}},
        {"nothing changed again", [] {}, {}, {"X", "B"}},
        {"bitmap replaced", [&] { edit("b.bmp", "BMBM"); }, {"a.bmp", "b.bmp"}, {"X", "B"}},
        {"within a second of the last scan only the folder is compared",
         [&] {
             clockRuns = false;
             edit("b.lumetto", "Y\n0 1 2 177 210\n");
         },
         {},
         {"X", "B"}},
        {"a second later the edit shows",
         [&] { clockRuns = true; },
         {"a.bmp", "b.bmp"},
         {"X", "Y"}},
        {"bitmap made unreadable (only its change time moves)",
         [&] { fs::permissions(folder + "b.bmp", fs::perms::none); },
         {"a.bmp", "b.bmp"},
         {"X", "Y"}},
        {"skin file added",
         [&] {
             write("c.bmp", "BM");
             write("c.lumetto", "C\n0 1 2 177 210\n");
         },
         {"a.bmp", "b.bmp", "c.bmp"},
         {"X", "Y", "C"}},
        {"skin file removed",
         [&] {
             fs::remove(folder + "a.lumetto");
             touched(folder);
         },
         {"b.bmp", "c.bmp"},
         {"Y", "C"}},
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
