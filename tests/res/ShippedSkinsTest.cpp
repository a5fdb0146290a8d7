// Every skin the program ships passes the skin check cleanly: it is listed,
// its rectangle lies inside its bitmap and is the screen's own size.
#include "display/SkinBitmapInfo.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

TEST(ShippedSkins, AllPassTheSkinCheckWithoutWarnings) {
    const char* src = std::getenv("LUMETTO_SOURCE_DIR");
    const std::filesystem::path root =
        std::string(src ? src : LUMETTO_TEST_SOURCE_DIR) + "/res/skins";
    int count = 0;
    for (const char* platform : {"S60", "UIQ"}) {
        for (const auto& entry : std::filesystem::directory_iterator(root / platform)) {
            if (entry.path().extension() != ".lumetto")
                continue;
            ++count;
            const SSkinCheck check = CheckSkinFile(entry.path().string(), ReadSkinBitmapInfo);
            SCOPED_TRACE(FormatSkinCheck(check));
            EXPECT_TRUE(check.Listed());
            EXPECT_TRUE(check.bRectInside);
            EXPECT_TRUE(check.warnings.empty());
            EXPECT_EQ(check.skin.nPlatform, std::string(platform) == "UIQ" ? 1 : 0);
        }
    }
    EXPECT_GE(count, 3);
}

} // namespace
