#include "display/SkinFile.h"

#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

namespace {

struct SParseCase {
    const char* label;
    std::string content;
    bool valid;
    std::string name;
    int platform, left, top, right, bottom;
};

TEST(SkinFile, ReadsNameAndIntegersAsTheFileGivesThem) {
    const std::string longName(100, 'N');
    const SParseCase cases[] = {
        {"plain", "Blue phone\n0 27 61 203 269\n", true, "Blue phone", 0, 27, 61, 203, 269},
        {"C literals", "Lit\n0 010 0x10 186 224", true, "Lit", 0, 8, 16, 186, 224},
        {"signs and upper-case hex", "S\n+1 -5 0X1f 0 -0x10", true, "S", 1, -5, 31, 0, -16},
        {"any white space", "W\n\t1\n\n2  3\r\n4\t5 trailing words", true, "W", 1, 2, 3, 4, 5},
        {"CRLF name line", "Dos name\r\n1 2 3 4 5\r\n", true, "Dos name", 1, 2, 3, 4, 5},
        {"inner carriage return kept", "a\rb\n1 2 3 4 5", true, "a\rb", 1, 2, 3, 4, 5},
        {"long name cut to 64", longName + "\n0 1 2 3 4", true, longName.substr(0, 64), 0, 1, 2, 3,
         4},
        {"15 characters a number", "L\n0000000000000001 2 3 4", true, "L", 0, 1, 2, 3, 4},
        {"octal stops at 8", "O\n09 1 2 3", true, "O", 0, 9, 1, 2, 3},
        {"empty name", "\n1 2 3 4 5", true, "", 1, 2, 3, 4, 5},
        {"no line feed", "Name only 0 1 2 3 4", false, "", 0, 0, 0, 0, 0},
        {"missing integer", "M\n0 1 2 3", false, "", 0, 0, 0, 0, 0},
        {"malformed integer", "M\n0 1 two 3 4", false, "", 0, 0, 0, 0, 0},
        {"sign without digits", "M\n0 1 - 3 4", false, "", 0, 0, 0, 0, 0},
        {"empty file", "", false, "", 0, 0, 0, 0, 0},
    };
    CTempFolder dir;
    for (const SParseCase& c : cases) {
        SCOPED_TRACE(c.label);
        const auto skin = ReadSkinFile(dir.Write("case.lumetto", c.content));
        ASSERT_EQ(skin.has_value(), c.valid);
        if (!c.valid)
            continue;
        EXPECT_EQ(skin->strName, c.name);
        EXPECT_EQ(skin->nPlatform, c.platform);
        EXPECT_EQ(skin->nLeft, c.left);
        EXPECT_EQ(skin->nTop, c.top);
        EXPECT_EQ(skin->nRight, c.right);
        EXPECT_EQ(skin->nBottom, c.bottom);
    }
}

TEST(SkinFile, MissingFileGivesNothingAndIsNotCreated) {
    CTempFolder dir;
    EXPECT_FALSE(ReadSkinFile(dir.Path() + "none.lumetto"));
    EXPECT_FALSE(std::filesystem::exists(dir.Path() + "none.lumetto"));
}

TEST(SkinFile, BitmapIsNamedAfterTheFileUpToItsFirstDot) {
    EXPECT_EQ(SkinBitmapPath("/p/skins/S60/Blue.lumetto"), "/p/skins/S60/Blue.bmp");
    EXPECT_EQ(SkinBitmapPath("/p/skins/S60/Blue.dark.lumetto"), "/p/skins/S60/Blue.bmp");
    // A dot in a folder name does not cut the path.
    EXPECT_EQ(SkinBitmapPath("/opt/lumetto-2.0/skins/S60/Blue.lumetto"),
              "/opt/lumetto-2.0/skins/S60/Blue.bmp");
}

} // namespace
