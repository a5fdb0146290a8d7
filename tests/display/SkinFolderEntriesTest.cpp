// What anyone can leave in a skin folder under a skin's or a bitmap's name:
// FIFOs, devices, folders, huge files, files nobody may read, bitmaps that do
// not decode or are cut short. The scan, the skin list, the skin check and the
// skin window's loading each leave such an entry out with its reason, and
// none of them may block or read without end.
#include "display/SkinBitmapInfo.h"
#include "display/SkinCatalog.h"
#include "display/SkinCheck.h"
#include "display/SkinMenu.h"

#include "QtTestApp.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <QImage>

#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <iostream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

struct CNames : ISkinMenu {
    std::vector<std::string> names;
    void RemoveAllItems() override { names.clear(); }
    void AppendItem(int, const std::string& text) override { names.push_back(text); }
};

void SparseFile(const std::string& path, off_t size) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, size), 0);
    ::close(fd);
}

void WriteText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

void CutShort(const std::string& path, off_t size) {
    ASSERT_EQ(::truncate(path.c_str(), size), 0);
}

void WriteBitmap(const std::string& path, int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::gray);
    ASSERT_TRUE(image.save(QString::fromStdString(path), "BMP"));
}

// What one row's scan found.
struct SOutcome {
    std::vector<std::string> menu;
    std::string list;
    std::string check;
    bool checkListed = true;
    std::string decodeError; // DecodeSkinBitmap of the row's bitmap
    bool decoded = false;
};

TEST(SkinFolderEntries, LeftOutWithTheirReasonAndNothingBlocks) {
    EnsureQtApp();
    const bool root = ::geteuid() == 0;
    struct Row {
        const char* label;
        const char* file; // the skin file that is left out
        bool bitmap;      // the reason is about its bitmap x.bmp
        std::string reason;
        std::function<void(const std::string& dir)> make;
        bool needsNonRoot = false;
    };
    const std::string skin = "Broken\n0 10 10 186 218\n";
    auto validSkin = [&](const std::string& dir) { WriteText(dir + "x.lumetto", skin); };
    const Row rows[] = {
        {"FIFO as skin file", "x.lumetto", false,
         "the file is a FIFO (named pipe), not a regular file",
         [](const std::string& dir) { ASSERT_EQ(::mkfifo((dir + "x.lumetto").c_str(), 0644), 0); }},
        {"FIFO as bitmap", "x.lumetto", true, "it is a FIFO (named pipe), not a regular file",
         [&](const std::string& dir) {
             validSkin(dir);
             ASSERT_EQ(::mkfifo((dir + "x.bmp").c_str(), 0644), 0);
         }},
        {"skin file linked to /dev/zero", "x.lumetto", false,
         "the file is a device, not a regular file",
         [](const std::string& dir) {
             ASSERT_EQ(::symlink("/dev/zero", (dir + "x.lumetto").c_str()), 0);
         }},
        {"bitmap linked to /dev/zero", "x.lumetto", true, "it is a device, not a regular file",
         [&](const std::string& dir) {
             validSkin(dir);
             ASSERT_EQ(::symlink("/dev/zero", (dir + "x.bmp").c_str()), 0);
         }},
        {"folder named like a skin file", "x.lumetto", false, "the path names a folder, not a file",
         [](const std::string& dir) { ASSERT_EQ(::mkdir((dir + "x.lumetto").c_str(), 0755), 0); }},
        {"300 MB skin file", "x.lumetto", false,
         "the file is 300 MiB, more than the 64 KiB it may have",
         [](const std::string& dir) { SparseFile(dir + "x.lumetto", 300LL << 20); }},
        {"300 MB bitmap", "x.lumetto", true, "it is 300 MiB, more than the 64 MiB it may have",
         [&](const std::string& dir) {
             validSkin(dir);
             SparseFile(dir + "x.bmp", 300LL << 20);
         }},
        // A symlink that points at itself cannot be opened by anyone, root included.
        {"skin file that is a symlink loop", "x.lumetto", false,
         "cannot open the file: Too many levels of symbolic links",
         [](const std::string& dir) {
             ASSERT_EQ(::symlink("x.lumetto", (dir + "x.lumetto").c_str()), 0);
         }},
        {"bitmap that is a symlink loop", "x.lumetto", true,
         "cannot open it: Too many levels of symbolic links",
         [&](const std::string& dir) {
             validSkin(dir);
             ASSERT_EQ(::symlink("x.bmp", (dir + "x.bmp").c_str()), 0);
         }},
        {"bitmap that is no picture", "x.lumetto", true,
         "the image loader cannot decode it: Unable to read image data",
         [&](const std::string& dir) {
             validSkin(dir);
             WriteText(dir + "x.bmp", "BM, and then no picture at all");
         }},
        {"24-bit bitmap cut short", "x.lumetto", true,
         "it is cut short: the file ends after 5000 bytes, its pixels need 328566",
         [&](const std::string& dir) {
             validSkin(dir);
             WriteBitmap(dir + "x.bmp", 232, 472);
             CutShort(dir + "x.bmp", 5000);
         }},
        {"run-length coded bitmap cut short", "x.lumetto", true,
         "it is cut short: the file ends after 5000 bytes, its pixels need more",
         [&](const std::string& dir) {
             validSkin(dir);
             std::filesystem::copy_file(LUMETTO_TEST_SOURCE_DIR "/res/skins/S60/default.bmp",
                                        dir + "x.bmp");
             CutShort(dir + "x.bmp", 5000);
         }},
        {"PNG cut short under a bitmap's name", "x.lumetto", true,
         "the image loader cannot decode it: Unable to read image data",
         [&](const std::string& dir) {
             validSkin(dir);
             QImage image(232, 472, QImage::Format_RGB32);
             for (int y = 0; y < image.height(); ++y)
                 for (int x = 0; x < image.width(); ++x)
                     image.setPixel(x, y, qRgb(x * 7 % 256, y * 13 % 256, (x ^ y) % 256));
             ASSERT_TRUE(image.save(QString::fromStdString(dir + "x.bmp"), "PNG"));
             CutShort(dir + "x.bmp", std::filesystem::file_size(dir + "x.bmp") / 2);
         }},
        {"unreadable skin file", "x.lumetto", false, "cannot open the file: Permission denied",
         [&](const std::string& dir) {
             validSkin(dir);
             ASSERT_EQ(::chmod((dir + "x.lumetto").c_str(), 0), 0);
         },
         true},
        {"unreadable bitmap", "x.lumetto", true, "cannot open it: Permission denied",
         [](const std::string& dir) {
             WriteText(dir + "x.lumetto", "Broken\n0 10 10 186 218\n");
             WriteBitmap(dir + "x.bmp", 232, 472);
             ASSERT_EQ(::chmod((dir + "x.bmp").c_str(), 0), 0);
         },
         true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        if (row.needsNonRoot && root) {
            // chmod 000 does not keep root out; the symlink loops stand in for it.
            std::cout << "note: row \"" << row.label << "\" left out: root reads any file\n";
            continue;
        }
        CTempFolder dir;
        const std::string folder = dir.Path() + "skins/S60/";
        dir.Write("skins/S60/good.lumetto", "Good\n0 28 62 204 270\n");
        WriteBitmap(folder + "good.bmp", 232, 472);
        row.make(folder);
        if (HasFatalFailure())
            return;
        const std::string file = folder + row.file;
        const std::string bitmap = folder + "x.bmp";

        // Everything the program does with the folder, on a thread of its own
        // so that a hang is a failure and not a test run that never ends.
        auto outcome = std::async(std::launch::async, [&] {
            SOutcome o;
            CSkinCatalog catalog(SkinBitmapLoads);
            catalog.SetProgramFolder(dir.Path());
            catalog.SetUserSkinRoot("");
            CNames menu;
            catalog.LoadSkinMenu(&menu, 0);
            o.menu = menu.names;
            o.list = FormatSkinList(catalog);
            const SSkinCheck check = CheckSkinFile(file, ReadSkinBitmapInfo);
            o.check = FormatSkinCheck(check);
            o.checkListed = check.Listed();
            o.decoded = !DecodeSkinBitmap(bitmap, &o.decodeError).isNull();
            return o;
        });
        if (outcome.wait_for(std::chrono::seconds(60)) != std::future_status::ready) {
            ADD_FAILURE() << "the scan of the skin folder did not end";
            // The hung thread cannot be stopped; keep its future alive so
            // that the other rows run and the program can end.
            static auto* hung = new std::vector<std::future<SOutcome>>;
            hung->push_back(std::move(outcome));
            continue;
        }
        const SOutcome o = outcome.get();
        const std::string reason =
            row.bitmap ? "the bitmap " + bitmap + " does not load: " + row.reason : row.reason;
        EXPECT_EQ(o.menu, (std::vector<std::string>{"Good", "<Series60 frame>"}));
        EXPECT_NE(o.list.find("  Left out:\n    " + file + ": " + reason + "\n"), std::string::npos)
            << o.list;
        EXPECT_FALSE(o.checkListed);
        EXPECT_NE(o.check.find("Result:    left out: " + reason + "\n"), std::string::npos)
            << o.check;
        // The skin window loads bitmaps through the same door.
        EXPECT_FALSE(o.decoded);
        if (row.bitmap) {
            EXPECT_EQ(o.decodeError, row.reason);
        }
    }
}

} // namespace
