// The skin check that --check-skin prints.
#include "display/SkinCheck.h"

#include "display/SkinCatalog.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

SSkinBitmapInfo Loads(int w, int h) {
    return {true, w, h, {}};
}

TEST(SkinCheck, ReportsWhatIsReadAndWhetherTheSkinIsListed) {
    struct Case {
        const char* label;
        std::string file;    // path inside the temporary folder
        std::string content; // nullptr-like: empty means no file is written
        SSkinBitmapInfo bitmap;
        bool listed;
        std::vector<std::string> lines; // each must appear in the report
    } cases[] = {
        {"good S60 skin",
         "S60/Blue.lumetto",
         "Blue phone\n0 27 61 203 269\n",
         Loads(232, 472),
         true,
         {"Name:      Blue phone\n", "Platform:  0 (S60, screen 176 x 208)\n",
          "Rectangle: left 27, top 61, right 203, bottom 269 (176 x 208)\n",
          "Blue.bmp, 232 x 472\n", "Inside:    yes", "Result:    listed"}},
        {"C literal numbers",
         "Oct.lumetto",
         "Oct\r\n0 010 0x10 184 224",
         Loads(200, 230),
         true,
         {"Name:      Oct\n", "left 8, top 16, right 184, bottom 224 (176 x 208)"}},
        {"rectangle past the bitmap is listed with a warning",
         "Wide.lumetto",
         "Wide\n0 100 0 276 208\n",
         Loads(200, 208),
         true,
         {"Inside:    no, the rectangle does not lie inside the bitmap\n",
          "Warning:   the rectangle reaches outside the bitmap", "Result:    listed"}},
        {"rectangle wholly off the bitmap is listed with a warning",
         "Off.lumetto",
         "Off\n0 300 0 476 208\n",
         Loads(200, 208),
         true,
         {"Warning:   the rectangle lies wholly outside the bitmap (200 x 208)",
          "Result:    listed"}},
        {"empty rectangle and unknown platform",
         "Odd.lumetto",
         "Odd\n7 10 10 10 50\n",
         Loads(100, 100),
         true,
         {"Platform:  7 (unknown", "Inside:    no", "Warning:   the platform is neither",
          "Warning:   the rectangle is empty"}},
        {"stretched screen in the wrong platform's folder",
         "UIQ/Small.lumetto",
         "Small\n0 0 0 88 104\n",
         Loads(100, 120),
         true,
         {"not the screen's 176 x 208", "lies in the UIQ folder but names another platform"}},
        {"bitmap that does not load",
         "NoPicture.lumetto",
         "No picture\n0 0 0 176 208\n",
         {false, 0, 0, "Unsupported image format"},
         false,
         {"NoPicture.bmp, does not load\n", "Result:    left out: the bitmap " /* path follows */,
          "Unsupported image format"}},
        {"missing number",
         "Short.lumetto",
         "Short\n0 1 2 3\n",
         Loads(10, 10),
         false,
         {"Result:    left out: the bottom number after the name line is missing"}},
        {"name line without a line feed",
         "NoLine.lumetto",
         "Just a name",
         Loads(10, 10),
         false,
         {"left out: the first line (the skin's name) does not end in a line feed"}},
        {"file that does not exist",
         "Missing.lumetto",
         "",
         Loads(10, 10),
         false,
         {"left out: cannot open the file: No such file or directory"}},
        {"name the folder scan does not list",
         "skin.txt",
         "Text\n0 0 0 176 208\n",
         Loads(176, 208),
         false,
         {"Name:      Text\n", "left out: the file name does not end in \".lumetto\""}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        CTempFolder dir;
        const std::string path = dir.Path() + c.file;
        if (!c.content.empty())
            dir.Write(c.file, c.content);
        std::string askedFor;
        const SSkinCheck check = CheckSkinFile(path, [&](const std::string& bmp) {
            askedFor = bmp;
            return c.bitmap;
        });
        EXPECT_EQ(check.Listed(), c.listed);
        const std::string report = FormatSkinCheck(check);
        EXPECT_EQ(report.rfind("File:      " + path + "\n", 0), 0u) << report;
        for (const std::string& line : c.lines)
            EXPECT_NE(report.find(line), std::string::npos) << "missing: " << line << "\n"
                                                            << report;
        if (check.bRead) {
            EXPECT_EQ(askedFor, path.substr(0, path.find('.', path.rfind('/'))) + ".bmp");
        }
    }
}

struct CNames : ISkinMenu {
    std::vector<std::string> names;
    void RemoveAllItems() override { names.clear(); }
    void AppendItem(int, const std::string& text) override { names.push_back(text); }
};

// One skin file S60/x.lumetto in a skin folder: the skin list and the skin
// check agree on whether it is listed and, when not, on the reason.
TEST(SkinCheck, ListAndCheckGiveTheSameVerdictForEachSkinLine) {
    const std::string range = " lies beyond the range of whole numbers the program takes "
                              "(-2147483648 to 2147483647)";
    struct Case {
        const char* label;
        std::string content;
        bool bitmap;        // x.bmp exists (a 300 x 400 picture)
        std::string name;   // the menu name when listed
        std::string reason; // why it is left out; "{bmp}" stands for the bitmap's path
    } cases[] = {
        {"plain", "Blue phone\n0 27 61 203 269\n", true, "Blue phone", ""},
        {"byte order mark is no part of the name",
         "\xEF\xBB\xBF"
         "Blue phone\r\n0 27 61 203 269",
         true, "Blue phone", ""},
        {"byte order mark only counts at the start", "A\xEF\xBB\xBF\n0 27 61 203 269", true,
         "A\xEF\xBB\xBF", ""},
        {"smallest int", "Min\n0 -2147483648 0 176 208\n", true, "Min", ""},
        {"largest int", "Max\n0 0 0 176 2147483647\n", true, "Max", ""},
        {"left beyond an int", "Big\n0 99999999999 61 203 269\n", true, "",
         "the left number 99999999999" + range},
        {"bottom one past an int", "Big\n0 0 0 176 2147483648\n", true, "",
         "the bottom number 2147483648" + range},
        {"hexadecimal platform beyond an int", "Big\n0x80000000 0 0 176 208\n", true, "",
         "the platform number 0x80000000" + range},
        {"negative beyond an int", "Big\n0 -2147483649 0 176 208\n", true, "",
         "the left number -2147483649" + range},
        {"rectangle partly outside the bitmap", "Part\n0 200 300 376 508\n", true, "Part", ""},
        {"rectangle wholly outside the bitmap", "Off\n0 300 0 476 208\n", true, "Off", ""},
        {"rectangle above the bitmap", "Above\n0 0 -208 176 0\n", true, "Above", ""},
        {"unreadable number", "Bad\n0 1 two 3 4\n", true, "",
         "the top number after the name line is missing or not a number"},
        {"no line feed", "Just a name", true, "",
         "the first line (the skin's name) does not end in a line feed"},
        {"no bitmap", "Lonely\n0 27 61 203 269\n", false, "",
         "the bitmap {bmp} does not load: cannot open it: No such file or directory"},
    };
    // The loader's answer: a 300 x 400 picture when the file is there.
    const SkinBitmapInfoFn probe = [](const std::string& path) {
        SSkinBitmapInfo info;
        info.bLoads = std::filesystem::exists(path);
        if (info.bLoads) {
            info.nWidth = 300;
            info.nHeight = 400;
        } else {
            info.strError = "cannot open it: No such file or directory";
        }
        return info;
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        CTempFolder dir;
        const std::string file = dir.Write("skins/S60/x.lumetto", c.content);
        const std::string bmp = dir.Path() + "skins/S60/x.bmp";
        if (c.bitmap)
            dir.Write("skins/S60/x.bmp", "BM");
        std::string reason = c.reason;
        if (const std::size_t at = reason.find("{bmp}"); at != std::string::npos)
            reason.replace(at, 5, bmp);

        CSkinCatalog catalog(probe);
        catalog.SetProgramFolder(dir.Path());
        catalog.SetUserSkinRoot("");
        CNames menu;
        catalog.LoadSkinMenu(&menu, 0);
        const std::vector<SLeftOutSkin> leftOut = catalog.LeftOut();
        const std::string list = FormatSkinList(catalog);
        const SSkinCheck check = CheckSkinFile(file, probe);
        const std::string report = FormatSkinCheck(check);
        if (reason.empty()) {
            EXPECT_EQ(menu.names, (std::vector<std::string>{c.name, "<Series60 frame>"}));
            EXPECT_TRUE(leftOut.empty());
            EXPECT_EQ(list.find("Left out"), std::string::npos) << list;
            EXPECT_TRUE(check.Listed()) << report;
            EXPECT_NE(report.find("Name:      " + c.name + "\n"), std::string::npos) << report;
        } else {
            EXPECT_EQ(menu.names, (std::vector<std::string>{"<Series60 frame>"}));
            EXPECT_EQ(leftOut, (std::vector<SLeftOutSkin>{{file, reason}}));
            EXPECT_NE(list.find("  1. <Series60 frame>\n  Left out:\n    " + file + ": " + reason +
                                "\nUIQ skins"),
                      std::string::npos)
                << list;
            EXPECT_NE(report.find("Result:    left out: " + reason + "\n"), std::string::npos)
                << report;
        }
    }
}

// The folder that decides the platform is the one the file lies in, however
// the path names it.
TEST(SkinCheck, FileInTheOtherPlatformsFolderIsNamedAlsoThroughARelativePath) {
    CTempFolder dir;
    dir.Write("skins/UIQ/Small.lumetto", "Small\n0 0 0 176 208\n");
    std::filesystem::create_directories(dir.Path() + "skins/S60");
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(dir.Path() + "skins/UIQ");
    const auto probe = [](const std::string&) { return SSkinBitmapInfo{true, 176, 208, {}}; };
    for (const std::string path : {"Small.lumetto", "./Small.lumetto", "../UIQ/Small.lumetto",
                                   "../S60/../UIQ/./Small.lumetto"}) {
        SCOPED_TRACE(path);
        const std::string report = FormatSkinCheck(CheckSkinFile(path, probe));
        EXPECT_NE(report.find("Warning:   the file lies in the UIQ folder but names another "
                              "platform"),
                  std::string::npos)
            << report;
    }
    std::filesystem::current_path(before);
}

} // namespace
