// Where the skin catalog reads skins from: beside the program, or the
// installed folder, then the user's own folder.
#include "display/SkinCatalog.h"
#include "display/SkinCheck.h"

#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace {

struct CMenuTexts : ISkinMenu {
    std::vector<std::string> texts;
    void RemoveAllItems() override { texts.clear(); }
    void AppendItem(int, const std::string& text) override { texts.push_back(text); }
};

SSkinBitmapInfo FileLoads(const std::string& path) {
    std::error_code ec;
    return {std::filesystem::file_size(path, ec) > 0 && !ec, 300, 400, "empty or missing"};
}

// An installed tree: <root>/prefix/bin/ holds the program, the installed skins
// lie in <root>/prefix/share/lumetto/skins/, the user's in <root>/home/skins/.
class SkinFoldersTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directories(dir.Path() + "prefix/bin");
        catalog.SetProgramFolder(dir.Path() + "prefix/bin");
        catalog.SetUserSkinRoot(dir.Path() + "home/skins");
    }
    // A valid skin file and its bitmap; `folder` is relative to the temporary root.
    void Skin(const std::string& folder, const std::string& base, const std::string& name,
              int platform = 0) {
        dir.Write(folder + "/" + base + ".lumetto",
                  name + "\n" + std::to_string(platform) + " 1 2 177 210\n");
        dir.Write(folder + "/" + base + ".bmp", "BM");
    }
    std::vector<std::string> Load(int platform = 0) {
        catalog.LoadSkinMenu(&menu, platform);
        return menu.texts;
    }

    CTempFolder dir;
    CSkinCatalog catalog{FileLoads};
    CMenuTexts menu;
};

const std::string kInstalled = "prefix/share/lumetto/skins/S60";
const std::string kUser = "home/skins/S60";

TEST_F(SkinFoldersTest, InstalledSkinsThenTheUsersEachFolderWithItsDefaultFirst) {
    Skin(kInstalled, "b", "Installed B");
    Skin(kInstalled, "default", "Installed default");
    Skin(kUser, "a", "User A");
    Skin(kUser, "default", "User default");
    EXPECT_EQ(Load(), (std::vector<std::string>{"Installed default", "Installed B", "User default",
                                                "User A", "<Series60 frame>"}));
    EXPECT_EQ(catalog.CurrentIndex(), 0);
    EXPECT_EQ(catalog.CurrentSkin()->m_strBitmapPath, dir.Path() + kInstalled + "/default.bmp");
    EXPECT_EQ(catalog.SkinFolder(0), dir.Path() + kInstalled + "/");
}

TEST_F(SkinFoldersTest, SkinsBesideTheProgramTakeThePlaceOfTheInstalledOnes) {
    Skin(kInstalled, "default", "Installed");
    Skin("prefix/bin/skins/S60", "default", "Beside the program");
    Skin(kUser, "mine", "Mine");
    EXPECT_EQ(Load(), (std::vector<std::string>{"Beside the program", "Mine", "<Series60 frame>"}));
    // An empty "skins" folder beside the program still counts: nothing is installed there.
    std::filesystem::remove_all(dir.Path() + "prefix/bin/skins/S60");
    EXPECT_EQ(Load(), (std::vector<std::string>{"Mine", "<Series60 frame>"}));
}

TEST_F(SkinFoldersTest, UserSkinOfTheSameNameComesLater) {
    Skin(kInstalled, "default", "Graphite");
    Skin(kUser, "default", "Graphite");
    EXPECT_EQ(Load(), (std::vector<std::string>{"Graphite", "Graphite", "<Series60 frame>"}));
    EXPECT_EQ(catalog.Skin(1)->m_strBitmapPath, dir.Path() + kUser + "/default.bmp");
}

TEST_F(SkinFoldersTest, EachPlatformReadsItsOwnFolders) {
    Skin(kInstalled, "default", "S60 installed");
    Skin("prefix/share/lumetto/skins/UIQ", "default", "UIQ installed", 1);
    Skin(kUser, "x", "S60 mine");
    Skin("home/skins/UIQ", "x", "UIQ mine", 1);
    EXPECT_EQ(Load(1), (std::vector<std::string>{"UIQ installed", "UIQ mine", "<UIQ frame>"}));
    EXPECT_EQ(Load(0), (std::vector<std::string>{"S60 installed", "S60 mine", "<Series60 frame>"}));
}

TEST_F(SkinFoldersTest, UserFolderThatIsTheInstalledFolderIsReadOnce) {
    // A program installed with the prefix ~/.local reads its skins from the
    // user's folder; through a link or the same path it is one folder.
    Skin(kInstalled, "default", "Only once");
    std::filesystem::create_directories(dir.Path() + "home");
    std::filesystem::create_directory_symlink(dir.Path() + "prefix/share/lumetto/skins",
                                              dir.Path() + "home/skins");
    EXPECT_EQ(Load(), (std::vector<std::string>{"Only once", "<Series60 frame>"}));
    catalog.SetUserSkinRoot(dir.Path() + "prefix/bin/../share/lumetto/skins/");
    EXPECT_EQ(Load(), (std::vector<std::string>{"Only once", "<Series60 frame>"}));
}

TEST_F(SkinFoldersTest, FiftySkinsInAllTheInstalledOnesFirst) {
    for (int i = 0; i < 45; ++i)
        Skin(kInstalled, "i" + std::to_string(100 + i), "Installed " + std::to_string(i));
    for (int i = 0; i < 10; ++i)
        Skin(kUser, "u" + std::to_string(i), "User " + std::to_string(i));
    const std::vector<std::string> texts = Load();
    ASSERT_EQ(texts.size(), 50u);
    EXPECT_EQ(texts[44], "Installed 44");
    EXPECT_EQ(texts[45], "User 0");
    EXPECT_EQ(texts[49], "User 4");
}

TEST_F(SkinFoldersTest, NoUserFolderReadsOnlyTheProgramsSkins) {
    Skin(kInstalled, "default", "Installed");
    Skin(kUser, "default", "Mine");
    catalog.SetUserSkinRoot("");
    EXPECT_EQ(catalog.UserSkinFolder(0), "");
    EXPECT_EQ(Load(), (std::vector<std::string>{"Installed", "<Series60 frame>"}));
}

TEST_F(SkinFoldersTest, SkinListNamesTheFoldersAndTheSkinsInMenuOrder) {
    Skin(kInstalled, "default", "Installed");
    Skin(kUser, "mine", "Mine");
    const std::string root = dir.Path();
    EXPECT_EQ(FormatSkinList(catalog),
              "S60 skins, read from " + root + kInstalled + "/ then " + root + kUser + "/:\n" +
                  "  1. Installed  (" + root + kInstalled + "/default.bmp)\n" + "  2. Mine  (" +
                  root + kUser + "/mine.bmp)\n" + "  3. <Series60 frame>\n" +
                  "UIQ skins, read from " + root + "prefix/share/lumetto/skins/UIQ/ then " + root +
                  "home/skins/UIQ/:\n" + "  1. <UIQ frame>\n");
}

// Sets an environment variable for one scope and puts the old value back.
class CEnvSetting {
public:
    CEnvSetting(const char* name, const char* value) : m_name(name) {
        if (const char* old = std::getenv(name))
            m_old = old;
        if (value)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }
    ~CEnvSetting() {
        if (m_old)
            ::setenv(m_name, m_old->c_str(), 1);
        else
            ::unsetenv(m_name);
    }

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

TEST(UserSkinRoot, FollowsTheDataHomeSettingElseTheHomeFolder) {
    struct Case {
        const char* dataHome;
        const char* home;
        std::string expected;
    } cases[] = {
        {"/data", "/home/ann", "/data/lumetto/skins/"},
        {nullptr, "/home/ann", "/home/ann/.local/share/lumetto/skins/"},
        {"", "/home/ann", "/home/ann/.local/share/lumetto/skins/"},
        // A relative data home is not a valid setting and is ignored.
        {"relative/dir", "/home/ann", "/home/ann/.local/share/lumetto/skins/"},
        {nullptr, nullptr, ""},
        {nullptr, "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.dataHome ? c.dataHome : "(unset)") + " / " +
                     (c.home ? c.home : "(unset)"));
        CEnvSetting dataHome("XDG_DATA_HOME", c.dataHome);
        CEnvSetting home("HOME", c.home);
        EXPECT_EQ(UserSkinRoot(), c.expected);
    }
}

TEST(InstalledSkinRoot, LiesBesideTheProgramsFolderUnderShare) {
    EXPECT_EQ(InstalledSkinRoot("/usr/bin/"), "/usr/share/lumetto/skins/");
    EXPECT_EQ(InstalledSkinRoot("/opt/lumetto/bin"), "/opt/lumetto/share/lumetto/skins/");
    EXPECT_EQ(InstalledSkinRoot(""), "");
}

} // namespace
