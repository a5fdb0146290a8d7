// Remembered choices across runs of the whole program: what one run chose
// the next run shows; a garbled file or a skin that went away gives today's
// defaults, and the command line wins over the file.
#include "app/Settings.h"
#include "app/PresentationMode.h"
#include "app/WindowPlacement.h"
#include "display/SkinWnd.h"
#include "res/ResourceIds.h"
#include "tests/app/PhoneLine.h"

#include <QScreen>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sys/stat.h>

namespace fs = std::filesystem;
using namespace reliability;
using testsupport::WaitFor;

namespace {

// The shipped S60 skins in a program folder of the test's own.
void CopyShippedSkins(const CTempFolder& dir) {
    const char* src = std::getenv("LUMETTO_SOURCE_DIR");
    const fs::path from = fs::path(src ? src : ".") / "res/skins/S60";
    fs::create_directories(dir.Dir() / "skins/S60");
    for (const auto& entry : fs::directory_iterator(from))
        fs::copy_file(entry.path(), dir.Dir() / "skins/S60" / entry.path().filename());
}

// A run of the program on the shared folder (skins and settings file).
struct CRun : CProgram {
    explicit CRun(const CTempFolder& shared, const CommandLineOptions& options = {}) {
        app.TestSeams().strProgramFolder = shared.Path();
        app.TestSeams().strSettingsFile = shared.File("lumetto.conf");
        bChoosePort = false;
        EXPECT_TRUE(app.InitInstance(options));
        EXPECT_TRUE(WaitFor([this] { return nChooserCalls == 1; }));
    }
    std::string SkinFile() {
        const CSkinEntry* skin = View()->Catalog().CurrentSkin();
        return skin ? fs::path(skin->m_strBitmapPath).filename().string() : "";
    }
    bool OnTop() {
        return app.MainWindow()->windowFlags().testFlag(Qt::WindowStaysOnTopHint) &&
               app.MainWindow()->StayOnTop();
    }
};

int SkinIndex(CProgram& p, const std::string& name) {
    const CSkinCatalog& c = p.View()->Catalog();
    for (int i = 0; i < c.SkinCount(); ++i)
        if (fs::path(c.Skin(i)->m_strBitmapPath).filename() == name)
            return i;
    return -1;
}

} // namespace

TEST(Settings, ChoicesComeBackInTheNextRunAndAVanishedSkinGivesTheFirst) {
    CTempFolder shared;
    CopyShippedSkins(shared);
    std::string port;
    {
        CRun first(shared);
        EXPECT_EQ(first.SkinFile(), "default.bmp");
        EXPECT_EQ(first.View()->Zoom(), 1);
        first.bChoosePort = true;
        ASSERT_TRUE(first.Run(ID_FILE_OPEN_CONNECTION));
        port = first.phone.Path();
        const int silver = SkinIndex(first, "Silver.bmp");
        ASSERT_GT(silver, 0);
        ASSERT_TRUE(first.Run(ID_SKIN_FIRST + silver));
        ASSERT_TRUE(first.Run(ID_VIEW_ZOOM));
        ASSERT_TRUE(first.Run(ID_VIEW_FILL_SCREEN));
        ASSERT_TRUE(first.Run(ID_VIEW_STAY_ON_TOP));
        first.app.MainWindow()->move(37, 1); // the zoomed skin is nearly as tall as the screen
        first.app.ExitInstance();
    }
    {
        CRun second(shared);
        EXPECT_EQ(second.SkinFile(), "Silver.bmp");
        EXPECT_EQ(second.View()->Zoom(), 2);
        EXPECT_EQ(second.View()->SkinWindow()->size(), QSize(464, 944));
        EXPECT_TRUE(second.app.MainWindow()->Presentation().Fill());
        EXPECT_TRUE(second.OnTop());
        EXPECT_EQ(second.app.MainWindow()->pos(), QPoint(37, 1));
        EXPECT_EQ(second.app.Settings().LastPort(), port); // the dialog preselects it
        // A UIQ phone: that platform has no choice of its own yet.
        second.bChoosePort = true;
        ASSERT_TRUE(second.Run(ID_FILE_OPEN_CONNECTION));
        const Picture uiq(208 * 320, 0x0F0);
        second.phone.Write(ScreenFrame(uiq, nullptr, 208, 320));
        ASSERT_TRUE(second.Shows(uiq, 208, 320));
        EXPECT_EQ(second.View()->Catalog().CurrentIndex(), 0);
        second.app.ExitInstance();
    }
    // The chosen skin is gone: the first skin, as without a remembered one.
    fs::remove(shared.Dir() / "skins/S60/Silver.bmp");
    fs::remove(shared.Dir() / "skins/S60/Silver.lumetto");
    CRun third(shared);
    EXPECT_EQ(third.SkinFile(), "default.bmp");
    EXPECT_EQ(third.View()->Zoom(), 2);
    EXPECT_TRUE(third.OnTop());
}

TEST(Settings, AGarbledFileGivesTheDefaultsAndTheCommandLineWins) {
    CTempFolder shared;
    CopyShippedSkins(shared);
    {
        std::ofstream out(shared.File("lumetto.conf"), std::ios::binary);
        out << std::string("\0\xff\xfe[view\n", 8) << "zoom=banana\nfillScreen=maybe\n"
            << "[view]\nstayOnTop=@Variant(\\0\\0\\0\\x7f)\nzoom=7\n"
            << "[window]\nx=99999\ny=-99999\n"
            << "[skins]\ns60=/no/such/skin.bmp\nuiq=" << std::string(5000, 'x') << "\n"
            << "[connection]\nlastPort=@ByteArray(\\xff)\n";
    }
    CommandLineOptions options;
    options.bZoom = true;
    CRun run(shared, options);
    EXPECT_EQ(run.SkinFile(), "default.bmp");
    EXPECT_EQ(run.View()->Zoom(), 2); // --zoom
    EXPECT_FALSE(run.app.MainWindow()->Presentation().Fill());
    EXPECT_FALSE(run.OnTop());
    // Kept on the screen.
    const QRect window = run.app.MainWindow()->frameGeometry();
    EXPECT_TRUE(run.app.MainWindow()->screen()->availableGeometry().contains(window.topLeft()))
        << window.x() << "," << window.y();
}

// A FIFO at the settings file's name is never opened (reading it would
// block the start): the run keeps its choices to itself and leaves the FIFO.
TEST(Settings, AFifoAtTheFileNameNeitherBlocksNorIsReplaced) {
    CTempFolder dir;
    const std::string fifo = dir.File("lumetto.conf");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    {
        CSettings settings(fifo);
        EXPECT_EQ(settings.Zoom(), 1);
        settings.SetZoom(2);
        EXPECT_EQ(settings.Zoom(), 2);
        EXPECT_TRUE(settings.Sync());
    }
    EXPECT_TRUE(fs::is_fifo(fifo));
}

TEST(Settings, WindowPositionStaysOnTheScreensThereAreNow) {
    const std::vector<SWorkArea> two = {{0, 0, 1920, 1050}, {1920, 0, 1280, 1024}};
    const struct {
        int x, y;
        std::pair<int, int> want;
    } cases[] = {
        {100, 80, {100, 80}},      // on the first screen
        {2000, 500, {2000, 500}},  // on the second
        {1800, 100, {1800, 100}},  // across both, shown whole: where it was
        {1800, 900, {1920, 724}},  // across both, its foot below: onto the second
        {5000, 300, {2900, 300}},  // right of all screens: onto the nearest, inside it
        {-400, -300, {0, 0}},      // above and left of all
        {3100, 1000, {2900, 724}}, // mostly on the second, sticking out
        // Whatever a settings file holds: no sum overflows, the nearest corner.
        {2147483647, 2147483647, {2900, 724}},
        {-2147483647 - 1, -2147483647 - 1, {0, 0}},
        {2147483647, 10, {2900, 10}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(KeepInsideScreens(c.x, c.y, 300, 300, two), c.want) << c.x << "," << c.y;
    // Larger than the screen: its top-left corner stays on it.
    EXPECT_EQ(KeepInsideScreens(50, 50, 3000, 2000, {{0, 0, 1920, 1050}}), std::make_pair(0, 0));
}

// Settings files the user did not expect: what the next run reads, what the
// file is afterwards, and what standard error said (each once).
TEST(Settings, FilesOutOfTheOrdinaryAreReadAndWrittenSafely) {
    const std::string odd =
        std::string("/dev/serial/by-id/caf\xe9-phone", 27); // Latin-1, not UTF-8
    struct Case {
        const char* name;
        // Makes the file (or what stands at its name); returns the name to use.
        std::function<std::string(CTempFolder&)> make;
        std::string port;     // written, then read by the next run
        std::string readBack; // what the next run reads
        const char* said;     // a part of the one line on standard error; "" for none
    };
    const Case cases[] = {
        {"a port path that is not UTF-8", [](CTempFolder& d) { return d.File("lumetto.conf"); },
         odd, odd, ""},
        {"a link into a dotfiles folder, written through",
         [](CTempFolder& d) {
             d.Write("dotfiles/lumetto.conf", "[view]\nzoom=2\n");
             fs::create_symlink(d.File("dotfiles/lumetto.conf"), d.File("lumetto.conf"));
             return d.File("lumetto.conf");
         },
         "/dev/ttyACM0", "/dev/ttyACM0", ""},
        {"a sparse file of 1 GiB: not read, not replaced",
         [](CTempFolder& d) {
             d.Write("lumetto.conf", "[connection]\nlastPort=/dev/ttyUSB9\n");
             fs::resize_file(d.File("lumetto.conf"), std::uintmax_t(1) << 30);
             return d.File("lumetto.conf");
         },
         "/dev/ttyACM0", "", "is larger than 1 MiB, so it was not read"},
        {"a folder that cannot be made (a file stands at its name)",
         [](CTempFolder& d) {
             d.Write("config", "not a folder");
             return d.File("config/lumetto.conf");
         },
         "/dev/ttyACM0", "", "The settings cannot be saved to "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CTempFolder dir;
        const std::string file = c.make(dir);
        const bool bLink = fs::is_symlink(file);
        const auto before = fs::exists(file) ? fs::file_size(file) : 0;
        std::vector<std::string> notices;
        testing::internal::CaptureStderr();
        {
            CSettings first(file);
            first.SetUnsavedHandler([&](const std::string& text) { notices.push_back(text); });
            first.SetLastPort(c.port);
            first.SetMovieFolder("/tmp");
            first.Sync();
        }
        const std::string err = testing::internal::GetCapturedStderr();
        if (*c.said) {
            EXPECT_NE(err.find(c.said), std::string::npos) << err;
            EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
        } else {
            EXPECT_EQ(err, "");
        }
        // Only a file that cannot be written raises the notice.
        EXPECT_EQ(notices.size(), std::string(c.said).rfind("The settings", 0) == 0 ? 1u : 0u);
        testing::internal::CaptureStderr();
        EXPECT_EQ(CSettings(file).LastPort(), c.readBack);
        testing::internal::GetCapturedStderr();
        EXPECT_EQ(fs::is_symlink(file), bLink);
        if (bLink) { // the dotfiles' file holds the new choice beside its old ones
            EXPECT_EQ(CSettings(dir.File("dotfiles/lumetto.conf")).Zoom(), 2);
        }
        if (before > static_cast<std::uintmax_t>(CSettings::kMaxFileSize)) {
            EXPECT_EQ(fs::file_size(file), before);
        }
    }
}
