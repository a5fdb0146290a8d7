// The main window under a real window manager (openbox on Xvfb), as a user
// starts and leaves it: the place it had comes back to the pixel, frame and
// title bar included, across restarts and presentation mode cycles, and
// leaving presentation leaves no full-screen state behind. Skipped where
// Xvfb, openbox or the X tools are missing (scripts/deps.sh test brings them).
#include "tests/support/ChildProcess.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <unistd.h>

using testsupport::CChildProcess;

namespace {

std::string FindTool(const std::string& strName) {
    const char* path = std::getenv("PATH");
    std::stringstream folders(path ? path : "/usr/bin");
    for (std::string folder; std::getline(folders, folder, ':');)
        if (const std::string p = folder + "/" + strName; ::access(p.c_str(), X_OK) == 0)
            return p;
    return {};
}

// Waits until pred holds, looking again every 50 ms, at most 30 s. A key
// pressed while the window manager moved the focus may be lost: retry, when
// given, presses it again every 5 s (only keys that cannot undo what was
// asked).
bool WaitUntil(const std::function<bool()>& pred, const std::function<void()>& retry = {}) {
    const auto start = std::chrono::steady_clock::now();
    auto next = start + std::chrono::seconds(5);
    while (!pred()) {
        const auto now = std::chrono::steady_clock::now();
        if (now > start + std::chrono::seconds(30))
            return false;
        if (retry && now > next) {
            retry();
            next = now + std::chrono::seconds(5);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
}

struct SFrame {
    int x = 0, y = 0;   // the frame's top-left corner on the root window
    int width = 0;      // the client's width
    bool bFull = false; // the window manager holds it full screen
    bool operator==(const SFrame&) const = default;
};

// A display of its own with openbox on it.
class CDesktop {
public:
    bool Start(const std::string& strScreen = "1920x1080x24") {
        const std::string xvfb = FindTool("Xvfb"), openbox = FindTool("openbox");
        m_xdotool = FindTool("xdotool");
        m_xwininfo = FindTool("xwininfo");
        m_xprop = FindTool("xprop");
        if (xvfb.empty() || openbox.empty() || m_xdotool.empty() || m_xwininfo.empty() ||
            m_xprop.empty())
            return false;
        // Xvfb names the display it took on the descriptor given.
        m_pServer = std::make_unique<CChildProcess>(
            xvfb, std::vector<std::string>{"-displayfd", "1", "-screen", "0", strScreen,
                                           "-nolisten", "tcp"});
        const std::string number = m_pServer->ReadLine();
        if (number.empty())
            return false;
        m_strDisplay = ":" + number;
        m_pWm = std::make_unique<CChildProcess>(
            openbox, std::vector<std::string>{}, Env(),
            CChildProcess::Streams{CChildProcess::Output::Discard, CChildProcess::Output::Discard});
        // openbox is up once it owns the screen's window manager selection.
        return WaitUntil([&] {
            return Tool(m_xprop, {"-root", "_NET_SUPPORTING_WM_CHECK"}).find("window id") !=
                   std::string::npos;
        });
    }
    std::vector<std::string> Env(std::vector<std::pair<std::string, const char*>> more = {}) const {
        more.emplace_back("DISPLAY", m_strDisplay.c_str());
        more.emplace_back("QT_QPA_PLATFORM", nullptr);
        return testsupport::Environment(more);
    }
    std::string Tool(const std::string& strTool, const std::vector<std::string>& args) const {
        CChildProcess p(strTool, args, Env());
        return p.Wait() == 0 ? p.Stdout() : std::string();
    }
    std::string Window() const {
        const std::string ids = Tool(m_xdotool, {"search", "--name", "Morvane Lumetto"});
        return ids.substr(0, ids.find('\n'));
    }
    // The main window's frame as the window manager shows it, once framed.
    std::optional<SFrame> Frame() const {
        const std::string id = Window();
        if (id.empty())
            return std::nullopt;
        const std::string info = Tool(m_xwininfo, {"-id", id});
        const std::string props = Tool(m_xprop, {"-id", id, "_NET_FRAME_EXTENTS", "_NET_WM_STATE"});
        auto number = [&](const std::string& text, const std::string& key) {
            const std::size_t at = text.find(key);
            return at == std::string::npos ? -1 : std::atoi(text.c_str() + at + key.size());
        };
        SFrame f;
        f.x = number(info, "Absolute upper-left X:");
        f.y = number(info, "Absolute upper-left Y:");
        f.width = number(info, "Width:");
        f.bFull = props.find("_NET_WM_STATE_FULLSCREEN") != std::string::npos;
        int left = 0, top = 0;
        if (const std::size_t at = props.find("_NET_FRAME_EXTENTS(CARDINAL) = ");
            at != std::string::npos) {
            std::sscanf(props.c_str() + at, "_NET_FRAME_EXTENTS(CARDINAL) = %d, %*d, %d", &left,
                        &top);
        } else if (!f.bFull) {
            return std::nullopt; // not framed yet
        }
        f.x -= left;
        f.y -= top;
        return f;
    }
    // The frame's outer rectangle: left, top, right, bottom (exclusive).
    std::optional<std::array<int, 4>> Outer() const {
        const std::string id = Window();
        if (id.empty())
            return std::nullopt;
        const std::string info = Tool(m_xwininfo, {"-id", id, "-frame"});
        const std::string props = Tool(m_xprop, {"-id", id, "_NET_FRAME_EXTENTS"});
        int e[4] = {};
        if (std::sscanf(props.c_str(), "_NET_FRAME_EXTENTS(CARDINAL) = %d, %d, %d, %d", &e[0],
                        &e[1], &e[2], &e[3]) != 4)
            return std::nullopt;
        const auto inner = Tool(m_xwininfo, {"-id", id});
        auto number = [&](const std::string& key) {
            const std::size_t at = inner.find(key);
            return at == std::string::npos ? 0 : std::atoi(inner.c_str() + at + key.size());
        };
        const int x = number("Absolute upper-left X:"), y = number("Absolute upper-left Y:");
        return std::array<int, 4>{x - e[0], y - e[2], x + number("Width:") + e[1],
                                  y + number("Height:") + e[3]};
    }
    void Key(const std::string& strKey) const {
        Tool(m_xdotool, {"windowactivate", "--sync", Window(), "key", "--clearmodifiers", strKey});
    }

private:
    std::unique_ptr<CChildProcess> m_pServer;
    std::unique_ptr<CChildProcess> m_pWm;
    std::string m_strDisplay;
    std::string m_xdotool, m_xwininfo, m_xprop;
};

std::string ReadFile(const std::string& strPath) {
    std::ifstream in(strPath);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

} // namespace

TEST(WindowManager, TheWindowStaysWhereItWasAcrossRestartsAndPresentation) {
    CDesktop desktop;
    if (!desktop.Start())
        GTEST_SKIP() << "needs Xvfb, openbox, xdotool, xwininfo and xprop";
    CTempFolder dir;
    std::filesystem::create_directories(dir.File("lumetto"));
    const std::string conf = dir.File("lumetto/lumetto.conf");
    const std::string dirPath = dir.Path();
    const auto env = desktop.Env({{"XDG_CONFIG_HOME", dirPath.c_str()}});

    // Near the top edge, and somewhere in the middle; written by hand at
    // first (no frame widths), then by the program itself.
    for (const auto& [x, y] : {std::pair{600, 300}, std::pair{37, 0}}) {
        std::ofstream(conf) << "[window]\nx=" << x << "\ny=" << y << "\n";
        const SFrame want{x, y, 0, false};
        std::optional<SFrame> seen;
        auto at = [&] {
            seen = desktop.Frame();
            if (seen)
                seen->width = 0;
            return seen == want;
        };
        auto last = [&] {
            return seen ? std::to_string(seen->x) + "," + std::to_string(seen->y) +
                              (seen->bFull ? " full screen" : "")
                        : std::string("no window");
        };
        auto hints = [&] {
            return desktop.Tool(FindTool("xprop"), {"-id", desktop.Window(), "_MOTIF_WM_HINTS"});
        };
        for (int run = 1; run <= 5; ++run) {
            CChildProcess lumetto("lumetto", {"--demo"}, env);
            ASSERT_TRUE(WaitUntil(at))
                << "run " << run << " of " << x << "," << y << ": " << last();
            if (run == 5) {
                // Presentation mode and back, five times.
                for (int cycle = 1; cycle <= 5; ++cycle) {
                    desktop.Key("F11");
                    ASSERT_TRUE(WaitUntil([&] {
                        const auto f = desktop.Frame();
                        return f && f->x == 0 && f->y == 0 && f->width == 1920;
                    })) << "cycle "
                        << cycle;
                    desktop.Key("Escape");
                    ASSERT_TRUE(WaitUntil(at, [&] { desktop.Key("Escape"); }))
                        << "cycle " << cycle << " of " << x << "," << y << ": " << last() << " "
                        << hints();
                }
            }
            ASSERT_EQ(lumetto.Stop(), 0) << lumetto.Stderr();
            const std::string saved = ReadFile(conf);
            EXPECT_NE(saved.find("x=" + std::to_string(x) + "\n"), std::string::npos) << saved;
            EXPECT_NE(saved.find("y=" + std::to_string(y) + "\n"), std::string::npos) << saved;
        }
    }
}

// Zoom on a small screen: the window, frame and title bar included, lies
// inside the screen, with scroll bars for what does not fit.
TEST(WindowManager, AZoomedWindowFitsASmallScreenWhole) {
    CDesktop desktop;
    if (!desktop.Start("1024x768x24"))
        GTEST_SKIP() << "needs Xvfb, openbox, xdotool, xwininfo and xprop";
    for (const int zoom : {2, 3, 4}) {
        CTempFolder dir;
        std::filesystem::create_directories(dir.File("lumetto"));
        std::ofstream(dir.File("lumetto/lumetto.conf")) << "[view]\nzoom=" << zoom << "\n";
        const std::string dirPath = dir.Path();
        CChildProcess lumetto("lumetto", {"--demo"},
                              desktop.Env({{"XDG_CONFIG_HOME", dirPath.c_str()}}));
        std::optional<std::array<int, 4>> outer;
        // Inside once laid out with its frame; a window still too tall never is.
        EXPECT_TRUE(WaitUntil([&] {
            outer = desktop.Outer();
            return outer && (*outer)[0] >= 0 && (*outer)[1] >= 0 && (*outer)[2] <= 1024 &&
                   (*outer)[3] <= 768 && (*outer)[3] - (*outer)[1] > 700;
        })) << "zoom "
            << zoom << ": " << (outer ? (*outer)[1] : -1) << " to " << (outer ? (*outer)[3] : -1);
        EXPECT_EQ(lumetto.Stop(), 0) << lumetto.Stderr();
    }
}
