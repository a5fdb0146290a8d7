// Where the program's output files land: every kind of target a user (or
// another user) can put at the chosen name, for the writer that replaces a
// file (pictures) and the opener that writes in place (movies).
#include "platform/OutputFile.h"

#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <future>
#include <iterator>
#include <set>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

const std::string kContent = "the new content\n";

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteText(const std::string& path, const std::string& text, mode_t mode) {
    std::ofstream(path, std::ios::binary) << text;
    ::chmod(path.c_str(), mode);
}

std::set<std::string> Names(const fs::path& dir) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir))
        names.insert(entry.path().filename().string());
    return names;
}

mode_t ModeOf(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_mode : 0;
}

mode_t NewFileMode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// What one row sets up in its folder.
struct Target {
    std::string path;       // the name given to the writer
    std::string written;    // where the content must land; empty when refused
    mode_t mode = 0;        // permissions the written file has
    std::string kept;       // a file, FIFO or device that must stay as it was
    std::string keptText;   // its content, for a file
    bool linkStays = false; // the given name is a symlink and stays one
};

Target Lands(std::string path, std::string written, mode_t mode) {
    Target t;
    t.path = std::move(path);
    t.written = std::move(written);
    t.mode = mode;
    return t;
}

Target Refused(std::string path) {
    Target t;
    t.path = std::move(path);
    return t;
}

struct TargetCase {
    const char* name;
    Target (*make)(const CTempFolder& dir, const CTempFolder& outside);
    const char* refusal; // part of the message when refused, else nullptr
};

const TargetCase kCases[] = {
    {"NewFile",
     [](const CTempFolder& dir, const CTempFolder&) {
         return Lands(dir.File("new.bmp"), dir.File("new.bmp"), NewFileMode());
     },
     nullptr},
    {"ExistingFileKeepsItsMode",
     [](const CTempFolder& dir, const CTempFolder&) {
         WriteText(dir.File("old.bmp"), std::string(5000, 'o'), 0640);
         return Lands(dir.File("old.bmp"), dir.File("old.bmp"), 0640);
     },
     nullptr},
    {"SymlinkToAFileWritesTheFile",
     [](const CTempFolder& dir, const CTempFolder& outside) {
         WriteText(outside.File("real.bmp"), std::string(5000, 'r'), 0640);
         fs::create_symlink(outside.File("real.bmp"), dir.File("link.bmp"));
         Target t = Lands(dir.File("link.bmp"), outside.File("real.bmp"), 0640);
         t.linkStays = true;
         return t;
     },
     nullptr},
    {"DanglingSymlinkCreatesItsTarget",
     [](const CTempFolder& dir, const CTempFolder&) {
         fs::create_symlink("made.bmp", dir.File("dangling.bmp"));
         Target t = Lands(dir.File("dangling.bmp"), dir.File("made.bmp"), NewFileMode());
         t.linkStays = true;
         return t;
     },
     nullptr},
    {"LongestNames",
     [](const CTempFolder& dir, const CTempFolder&) {
         const std::string name = std::string(250, 'n') + ".bmp";
         return Lands(dir.File(name), dir.File(name), NewFileMode());
     },
     nullptr},
    {"PlantedSymlinksAtTemporaryNames",
     [](const CTempFolder& dir, const CTempFolder& outside) {
         WriteText(outside.File("decoy"), "decoy", 0644);
         for (const std::string& planted :
              {"shot.bmp.part" + std::to_string(::getpid()), std::string("shot.bmp.tmp"),
               std::string(".shot.bmp.swp")})
             fs::create_symlink(outside.File("decoy"), dir.File(planted));
         Target t = Lands(dir.File("shot.bmp"), dir.File("shot.bmp"), NewFileMode());
         t.kept = outside.File("decoy");
         t.keptText = "decoy";
         return t;
     },
     nullptr},
    {"Fifo",
     [](const CTempFolder& dir, const CTempFolder&) {
         ::mkfifo(dir.File("f.avi").c_str(), 0644);
         Target t = Refused(dir.File("f.avi"));
         t.kept = t.path;
         return t;
     },
     "is not a regular file"},
    {"Folder",
     [](const CTempFolder& dir, const CTempFolder&) {
         fs::create_directory(dir.File("folder"));
         return Refused(dir.File("folder"));
     },
     "is a folder"},
    {"DeviceNode",
     [](const CTempFolder&, const CTempFolder&) {
         Target t = Refused("/dev/null");
         t.kept = "/dev/null";
         return t;
     },
     "is not a regular file"},
    {"SymlinkToADevice",
     [](const CTempFolder& dir, const CTempFolder&) {
         fs::create_symlink("/dev/null", dir.File("null.avi"));
         Target t = Refused(dir.File("null.avi"));
         t.kept = "/dev/null";
         t.linkStays = true;
         return t;
     },
     "is not a regular file"},
};

void PrintTo(const TargetCase& c, std::ostream* os) {
    *os << c.name;
}

enum class Way { Replacing, InPlace };

// Writes kContent to the target one way; true when the writer accepted it.
bool WriteOneWay(Way way, const std::string& path, std::string& error) {
    if (way == Way::Replacing)
        return lumetto::WriteFileReplacing(path, kContent.data(), kContent.size(), error);
    const int fd = lumetto::OpenOutputInPlace(path, error);
    if (fd < 0)
        return false;
    const int flags = ::fcntl(fd, F_GETFL);
    EXPECT_EQ(flags & O_NONBLOCK, 0) << "writes block as usual";
    EXPECT_EQ(flags & O_ACCMODE, O_WRONLY);
    EXPECT_NE(::fcntl(fd, F_GETFD) & FD_CLOEXEC, 0);
    EXPECT_EQ(::write(fd, kContent.data(), kContent.size()), ssize_t(kContent.size()));
    ::close(fd);
    return true;
}

class OutputTargets : public ::testing::TestWithParam<std::tuple<TargetCase, Way>> {};

TEST_P(OutputTargets, LandWhereTheNameLeadsOrAreRefused) {
    const auto& [c, way] = GetParam();
    CTempFolder dir, outside;
    const Target t = c.make(dir, outside);
    const std::set<std::string> before = Names(dir.Dir());
    const bool keptIsFifo = !t.kept.empty() && S_ISFIFO(ModeOf(t.kept));
    const bool keptIsDevice = !t.kept.empty() && S_ISCHR(ModeOf(t.kept));

    // A writer that blocks (in open() on a FIFO, say) fails the test
    // instead of hanging it.
    auto run = std::async(std::launch::async, [&, way = way] {
        std::string error;
        const bool ok = WriteOneWay(way, t.path, error);
        return std::make_pair(ok, error);
    });
    if (run.wait_for(std::chrono::seconds(60)) != std::future_status::ready) {
        ADD_FAILURE() << "writing to " << t.path << " blocks";
        std::fflush(nullptr);
        std::_Exit(1);
    }
    const auto [ok, error] = run.get();

    std::set<std::string> expected = before;
    if (c.refusal) {
        EXPECT_FALSE(ok);
        EXPECT_NE(error.find(c.refusal), std::string::npos) << error;
        EXPECT_NE(error.find("\"" + t.path + "\""), std::string::npos) << error;
    } else {
        ASSERT_TRUE(ok) << error;
        EXPECT_EQ(ReadText(t.written), kContent);
        EXPECT_EQ(ModeOf(t.written) & 07777, t.mode);
        if (fs::path(t.written).parent_path() == dir.Dir())
            expected.insert(fs::path(t.written).filename().string());
    }
    EXPECT_EQ(Names(dir.Dir()), expected) << "no other file appears, none is left behind";
    if (t.linkStays) {
        EXPECT_TRUE(fs::is_symlink(t.path));
    }
    if (!t.keptText.empty()) {
        EXPECT_EQ(ReadText(t.kept), t.keptText);
    }
    if (keptIsFifo) {
        EXPECT_TRUE(S_ISFIFO(ModeOf(t.kept)));
    }
    if (keptIsDevice) {
        EXPECT_TRUE(S_ISCHR(ModeOf(t.kept)));
    }
}

INSTANTIATE_TEST_SUITE_P(Targets, OutputTargets,
                         ::testing::Combine(::testing::ValuesIn(kCases),
                                            ::testing::Values(Way::Replacing, Way::InPlace)),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param).name) +
                                    (std::get<1>(info.param) == Way::Replacing ? "_Replacing"
                                                                               : "_InPlace");
                         });

} // namespace
