// The skin check that --check-skin prints.
#include "display/SkinCheck.h"

#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <string>
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
         {"Inside:    no", "Warning:   the rectangle reaches outside the bitmap",
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

} // namespace
