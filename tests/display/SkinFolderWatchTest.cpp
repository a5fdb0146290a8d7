// The skin menu watches the skin folders: an edit is seen at the next
// platform switch, and switching decodes nothing that did not change.
#include "display/SkinBitmapInfo.h"
#include "display/SkinMenu.h"

#include "QtTestApp.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QMenu>

#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <functional>
#include <unistd.h>

namespace {

struct CNames : ISkinMenu {
    std::vector<std::string> names;
    void RemoveAllItems() override { names.clear(); }
    void AppendItem(int, const std::string& text) override { names.push_back(text); }
};

// Runs the event loop until `done` holds; false after a generous deadline.
bool WaitFor(const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

// Rewrites a file in place with one write of the same length: one change.
void Overwrite(const std::string& path, const std::string& text) {
    const int fd = ::open(path.c_str(), O_WRONLY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    ::close(fd);
}

TEST(SkinFolderWatch, AnEditShowsAtTheNextSwitchAndSwitchingDecodesNothing) {
    EnsureQtApp();
    CTempFolder dir;
    const std::string s60 = dir.Path() + "skins/S60/";
    dir.Write("skins/S60/a.lumetto", "Alpha\n0 28 62 204 270\n");
    const QImage picture(232, 472, QImage::Format_RGB32);
    ASSERT_TRUE(picture.save(QString::fromStdString(s60 + "a.bmp"), "BMP"));
    std::atomic<int> decodes{0};
    CSkinCatalog catalog([&decodes](const std::string& path) {
        ++decodes;
        return ReadSkinBitmapInfo(path);
    });
    catalog.SetProgramFolder(dir.Path());
    catalog.SetUserSkinRoot("");
    QMenu menu;
    CSkinMenu::For(&menu, &catalog);
    CNames names;
    const auto listed = [&](int platform) {
        catalog.LoadSkinMenu(&names, platform);
        return names.names;
    };
    using Names = std::vector<std::string>;
    EXPECT_EQ(listed(0), (Names{"Alpha", "<Series60 frame>"}));
    for (int i = 0; i < 20; ++i)
        listed(i % 2);
    EXPECT_EQ(decodes, 1);

    // The name edited in place: once the reader has decoded the bitmap again,
    // the very next switch shows it.
    Overwrite(s60 + "a.lumetto", "Bravo");
    ASSERT_TRUE(WaitFor([&] { return decodes == 2; }));
    EXPECT_EQ(listed(1), (Names{"<UIQ frame>"}));
    EXPECT_EQ(listed(0), (Names{"Bravo", "<Series60 frame>"}));

    // A bitmap cut short, a new skin, and the UIQ folder that was missing.
    ASSERT_EQ(::truncate((s60 + "a.bmp").c_str(), 5000), 0);
    dir.Write("skins/S60/b.lumetto", "Charlie\n0 28 62 204 270\n");
    ASSERT_TRUE(picture.save(QString::fromStdString(s60 + "b.bmp"), "BMP"));
    dir.Write("skins/UIQ/c.lumetto", "Delta\n1 28 62 236 382\n");
    ASSERT_TRUE(picture.save(QString::fromStdString(dir.Path() + "skins/UIQ/c.bmp"), "BMP"));
    EXPECT_TRUE(WaitFor([&] { return listed(0) == Names{"Charlie", "<Series60 frame>"}; }));
    EXPECT_TRUE(WaitFor([&] { return listed(1) == Names{"Delta", "<UIQ frame>"}; }));
    const int settled = decodes;
    for (int i = 0; i < 20; ++i)
        listed(i % 2);
    EXPECT_EQ(decodes, settled);
}

} // namespace
