#include "media/BmpWriter.h"

#include "codec/ScreenFormat.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

namespace {

Bytes ReadAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

std::uint32_t Le32(const Bytes& b, std::size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (std::uint32_t(b[at + 3]) << 24);
}

} // namespace

TEST(BmpWriter, HeaderFieldsForEveryScreenSize) {
    struct Case {
        int width, rows;
        std::uint32_t image, file;
    };
    for (const Case& c : {Case{176, 209, 110352, 110406}, Case{208, 321, 200304, 200358},
                          Case{175, 4, 528 * 4, 528 * 4 + 54}}) {
        const auto h = lumetto::MakeBmpHeader(c.width, c.rows);
        const Bytes b(h.begin(), h.end());
        EXPECT_EQ(b[0], 'B');
        EXPECT_EQ(b[1], 'M');
        EXPECT_EQ(Le32(b, 2), c.file);
        EXPECT_EQ(Le32(b, 6), 0u);
        EXPECT_EQ(Le32(b, 10), 54u);
        EXPECT_EQ(Le32(b, 14), 40u);
        EXPECT_EQ(Le32(b, 18), std::uint32_t(c.width));
        EXPECT_EQ(Le32(b, 22), std::uint32_t(c.rows));
        EXPECT_EQ(Le32(b, 26), 1u | (24u << 16)); // planes, bits per pixel
        EXPECT_EQ(Le32(b, 30), 0u);
        EXPECT_EQ(Le32(b, 34), c.image);
        EXPECT_EQ(Le32(b, 38), 10000u);
        EXPECT_EQ(Le32(b, 42), 10000u);
        EXPECT_EQ(Le32(b, 46), 0u);
        EXPECT_EQ(Le32(b, 50), 0u);
    }
}

TEST(BmpWriter, FileIsHeaderAndPixelsAndReplacesAnOldFile) {
    CTempFolder dir;
    const fs::path file = dir.Dir() / "shot.bmp";
    std::ofstream(file) << std::string(500000, 'x'); // an older, larger file
    Bytes pixels(lumetto::ScreenImageSize(176, 208));
    for (std::size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = static_cast<std::uint8_t>(i * 31);
    std::string error;
    ASSERT_TRUE(lumetto::WriteBmpFile(file.string(), 176, 209, pixels.data(), error)) << error;
    const Bytes b = ReadAll(file);
    ASSERT_EQ(b.size(), 110406u);
    EXPECT_EQ(Bytes(b.begin() + 54, b.end()), pixels);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Dir()), fs::directory_iterator()), 1);
}

TEST(BmpWriter, FailureLeavesNothingUnderTheName) {
    CTempFolder dir;
    std::string error;
    const Bytes pixels(lumetto::ScreenImageSize(176, 208), 0);
    EXPECT_FALSE(lumetto::WriteBmpFile((dir.Dir() / "no/such/dir/x.bmp").string(), 176, 209,
                                       pixels.data(), error));
    EXPECT_NE(error.find("Cannot create"), std::string::npos);

    // A file size limit makes the write fail half-way: in a child process, so
    // the limit and its signal stay there.
    const fs::path file = dir.Dir() / "full.bmp";
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        rlimit lim{4096, 4096};
        ::setrlimit(RLIMIT_FSIZE, &lim);
        std::string err;
        const bool ok = lumetto::WriteBmpFile(file.string(), 176, 209, pixels.data(), err);
        ::_exit(!ok && err.find("Cannot write") != std::string::npos ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_FALSE(fs::exists(file));
    EXPECT_TRUE(fs::is_empty(dir.Dir()));
}
