#include "display/SkinCatalog.h"

#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <utility>
#include <vector>

namespace {

struct CMenuRecorder : ISkinMenu {
    std::vector<std::pair<int, std::string>> items;
    void RemoveAllItems() override { items.clear(); }
    void AppendItem(int id, const std::string& text) override { items.emplace_back(id, text); }
    std::vector<std::string> Texts() const {
        std::vector<std::string> t;
        for (const auto& i : items)
            t.push_back(i.second);
        return t;
    }
};

struct CWindowsRecorder : ISkinWindows {
    std::vector<std::string> calls;
    bool fileLoads = true;
    void LoadSkinResource(int id) override { calls.push_back("res " + std::to_string(id)); }
    bool LoadSkinFile(const std::string& path) override {
        calls.push_back("file " + std::filesystem::path(path).filename().string());
        return fileLoads;
    }
    void SetScreenRect(int l, int t, int r, int b) override {
        calls.push_back("rect " + std::to_string(l) + "," + std::to_string(t) + "," +
                        std::to_string(r) + "," + std::to_string(b));
    }
    void Relayout() override { calls.push_back("relayout"); }
};

// A bitmap "loads" when its file exists and is not empty.
SSkinBitmapInfo FileLoads(const std::string& path) {
    std::error_code ec;
    return {std::filesystem::file_size(path, ec) > 0 && !ec, 300, 400, "empty or missing"};
}

class SkinCatalogTest : public ::testing::Test {
protected:
    void SetUp() override {
        catalog.SetProgramFolder(dir.Path());
        catalog.SetWindows(&windows);
    }
    // A valid skin file with its bitmap in the S60 folder.
    void AddSkinFile(const std::string& file, const std::string& name, bool withBitmap = true) {
        dir.Write("skins/S60/" + file, name + "\n0 10 20 186 228\n");
        if (withBitmap)
            dir.Write("skins/S60/" + file.substr(0, file.find('.')) + ".bmp", "BM");
    }

    CTempFolder dir;
    CSkinCatalog catalog{FileLoads};
    CMenuRecorder menu;
    CWindowsRecorder windows;
};

TEST_F(SkinCatalogTest, WithoutSkinFolderOnlyTheBuiltinSkinIsListedAndSelected) {
    for (int platform : {0, 1}) {
        SCOPED_TRACE(platform);
        windows.calls.clear();
        catalog.LoadSkinMenu(&menu, platform);
        ASSERT_EQ(menu.items.size(), 1u);
        EXPECT_EQ(menu.items[0].first, 32783);
        EXPECT_EQ(menu.items[0].second, platform ? "<UIQ frame>" : "<Series60 frame>");
        EXPECT_EQ(catalog.CurrentIndex(), 0);
        EXPECT_FALSE(catalog.IsSkinItemEnabled(32783));
        EXPECT_EQ(catalog.CurrentPlatform(), platform);
        const std::vector<std::string> expected =
            platform ? std::vector<std::string>{"res 143", "rect 0,0,208,320", "relayout"}
                     : std::vector<std::string>{"res 140", "rect 0,0,176,208", "relayout"};
        EXPECT_EQ(windows.calls, expected);
    }
}

TEST_F(SkinCatalogTest, DefaultFileFirstThenTheOthersThenTheBuiltinSkin) {
    AddSkinFile("b.lumetto", "Bravo");
    AddSkinFile("default.lumetto", "Default");
    AddSkinFile("a.lumetto", "Alpha");
    dir.Write("skins/S60/notes.txt", "not a skin");
    catalog.LoadSkinMenu(&menu, 0);
    EXPECT_EQ(menu.Texts(),
              (std::vector<std::string>{"Default", "Alpha", "Bravo", "<Series60 frame>"}));
    for (std::size_t i = 0; i < menu.items.size(); ++i)
        EXPECT_EQ(menu.items[i].first, 32783 + static_cast<int>(i));
    EXPECT_EQ(catalog.CurrentIndex(), 0);
    EXPECT_EQ(windows.calls,
              (std::vector<std::string>{"file default.bmp", "rect 10,20,186,228", "relayout"}));
    // Choosing another skin enables the previous one's item.
    catalog.OnSelectSkin(32785);
    EXPECT_EQ(catalog.CurrentIndex(), 2);
    EXPECT_TRUE(catalog.IsSkinItemEnabled(32783));
    EXPECT_FALSE(catalog.IsSkinItemEnabled(32785));
}

TEST_F(SkinCatalogTest, DefaultFileInOtherLetterCaseIsListedTwice) {
    AddSkinFile("Default.lumetto", "Mixed case");
    catalog.LoadSkinMenu(&menu, 0);
    EXPECT_EQ(menu.Texts(),
              (std::vector<std::string>{"Mixed case", "Mixed case", "<Series60 frame>"}));
}

TEST_F(SkinCatalogTest, SkinsWithoutUsableBitmapOrBadContentAreLeftOut) {
    AddSkinFile("a.lumetto", "No bitmap", false);
    AddSkinFile("b.lumetto", "Good");
    dir.Write("skins/S60/c.lumetto", "Broken\n0 1 2\n");
    dir.Write("skins/S60/c.bmp", "BM");
    dir.Write("skins/S60/d.lumetto", "Empty bitmap\n0 1 2 3 4\n");
    dir.Write("skins/S60/d.bmp", "");
    catalog.LoadSkinMenu(&menu, 0);
    EXPECT_EQ(menu.Texts(), (std::vector<std::string>{"Good", "<Series60 frame>"}));
}

TEST_F(SkinCatalogTest, AtMostFiftySkinsAndThenNoBuiltinSkin) {
    for (int i = 0; i < 55; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "s%02d.lumetto", i);
        AddSkinFile(name, "Skin " + std::to_string(i));
    }
    AddSkinFile("default.lumetto", "Default");
    catalog.LoadSkinMenu(&menu, 0);
    ASSERT_EQ(menu.items.size(), 50u);
    EXPECT_EQ(menu.items.front().second, "Default");
    EXPECT_EQ(menu.items.back().first, 32832);
    EXPECT_EQ(menu.items.back().second, "Skin 48");
    EXPECT_EQ(catalog.SkinCount(), 50);
    EXPECT_EQ(catalog.AddSkin(" ", 0, 0, 0, 176, 208), -1);
    // The files past the fiftieth are noted with the reason, for --list-skins.
    ASSERT_EQ(catalog.LeftOut().size(), 6u);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(catalog.LeftOut()[i],
                  (SLeftOutSkin{dir.Path() + "skins/S60/s" + std::to_string(49 + i) + ".lumetto",
                                "the list is full: it holds at most 50 skins"}));
    }
}

TEST_F(SkinCatalogTest, RebuildingReplacesMenuAndCatalog) {
    AddSkinFile("a.lumetto", "Alpha");
    catalog.LoadSkinMenu(&menu, 0);
    catalog.OnSelectSkin(32784);
    catalog.LoadSkinMenu(&menu, 1);
    EXPECT_EQ(menu.Texts(), (std::vector<std::string>{"<UIQ frame>"}));
    EXPECT_EQ(catalog.SkinCount(), 1);
    EXPECT_EQ(catalog.CurrentIndex(), 0);
    EXPECT_EQ(catalog.CurrentPlatform(), 1);
}

TEST_F(SkinCatalogTest, NoSubmenuDoesNothing) {
    AddSkinFile("a.lumetto", "Alpha");
    catalog.LoadSkinMenu(nullptr, 0);
    EXPECT_EQ(catalog.SkinCount(), 0);
    EXPECT_TRUE(windows.calls.empty());
}

TEST_F(SkinCatalogTest, UnknownIdsSelectNothingAndNoSkinGivesTheUnitRectangle) {
    SRect rc;
    catalog.GetScreenRect(rc);
    EXPECT_EQ(rc, (SRect{0, 0, 1, 1}));
    catalog.OnSelectSkin(32783);
    catalog.OnSelectSkin(40000);
    EXPECT_TRUE(windows.calls.empty());
    EXPECT_EQ(catalog.CurrentSkin(), nullptr);
}

TEST_F(SkinCatalogTest, BitmapThatStopsLoadingShowsTheBuiltinSkinInstead) {
    AddSkinFile("default.lumetto", "Default");
    catalog.LoadSkinMenu(&menu, 0);
    windows.calls.clear();
    windows.fileLoads = false;
    catalog.OnSelectSkin(32783);
    EXPECT_EQ(windows.calls, (std::vector<std::string>{"file default.bmp", "res 140",
                                                       "rect 0,0,176,208", "relayout"}));
    EXPECT_TRUE(catalog.IsShowingFallback());
    SRect rc;
    catalog.GetScreenRect(rc);
    EXPECT_EQ(rc, (SRect{0, 0, 176, 208}));
}

TEST(ProgramFolder, IsTheFolderOfTheRunningProgram) {
    const std::string folder = ProgramFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), '/');
    EXPECT_TRUE(std::filesystem::exists(folder + "test_display_core"));
}

} // namespace
