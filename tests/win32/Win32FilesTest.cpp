// The Win32 backend's files and texts: pictures replace a file in one step,
// movies grow in place through positioned writes, names travel as UTF-16,
// and error texts come from the system.
#include "media/AviLayout.h"
#include "media/AviRecorder.h"
#include "platform/OutputFile.h"
#include "platform/SystemError.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <windows.h>

namespace {

std::string ReadAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::filesystem::path Utf8Path(const std::string& s) {
    return std::filesystem::path(std::u8string(s.begin(), s.end()));
}

TEST(Win32Files, ReplacingWritesTheWholeContentUnderAUtf16Name) {
    CTempFolder dir;
    // Letters outside any ANSI code page: only the UTF-16 calls keep them.
    const std::string path = dir.Path() + "Bildschirm \xc3\xa4 \xe2\x82\xac \xce\xa9.bmp";
    std::string error;
    ASSERT_TRUE(lumetto::WriteFileReplacing(path, "first", 5, error)) << error;
    ASSERT_TRUE(lumetto::WriteFileReplacing(path, {{"sec", 3}, {"ond!", 4}}, error)) << error;
    EXPECT_EQ(ReadAll(Utf8Path(path)), "second!");
    // Nothing is left beside it: the temporary name was moved over the target.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Dir()),
                            std::filesystem::directory_iterator()),
              1);

    EXPECT_FALSE(lumetto::WriteFileReplacing(dir.Path(), "x", 1, error));
    EXPECT_NE(error.find("is a folder"), std::string::npos) << error;
    EXPECT_FALSE(lumetto::WriteFileReplacing("NUL", "x", 1, error));
    EXPECT_NE(error.find("is not a regular file"), std::string::npos) << error;
}

TEST(Win32Files, InPlaceFileTakesPositionedWritesAndIsCutBack) {
    CTempFolder dir;
    const std::string path = dir.File("movie.bin");
    std::string error, resolved, text;
    bool bCreated = false;
    int hFile = lumetto::OpenOutputInPlace(path, resolved, bCreated, error);
    ASSERT_GE(hFile, 0) << error;
    EXPECT_TRUE(bCreated);
    const lumetto::OutputPiece body[] = {{"BODY", 4}, {"\n\r\n", 3}};
    const lumetto::OutputPiece head[] = {{"HEAD", 4}};
    ASSERT_TRUE(lumetto::WriteOutputAt(hFile, 4, body, 2, text)) << text;
    ASSERT_TRUE(lumetto::WriteOutputAt(hFile, 0, head, 1, text)) << text;
    ASSERT_TRUE(lumetto::WriteOutputAt(hFile, 11, head, 1, text)) << text;
    ASSERT_TRUE(lumetto::TruncateOutput(hFile, 13));
    ASSERT_TRUE(lumetto::CloseOutput(hFile, text)) << text;
    // Binary: the line ends pass unchanged.
    EXPECT_EQ(ReadAll(path), "HEADBODY\n\r\nHE");

    // An existing file is opened again and emptied, not created.
    hFile = lumetto::OpenOutputInPlace(path, resolved, bCreated, error);
    ASSERT_GE(hFile, 0) << error;
    EXPECT_FALSE(bCreated);
    ASSERT_TRUE(lumetto::CloseOutput(hFile, text)) << text;
    EXPECT_EQ(ReadAll(path), "");
}

TEST(Win32Files, MovieHeaderIsRewrittenInPlace) {
    CTempFolder dir;
    const std::string path = dir.File("movie.avi");
    const int w = 176, h = 208;
    const std::size_t frameBytes = static_cast<std::size_t>(w * 3) * h;
    std::string picture(frameBytes, '\x5a');
    lumetto::CAviRecorder rec;
    ASSERT_TRUE(rec.Open(path, w, h)) << rec.GetLastError();
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(
            rec.WriteFrame(reinterpret_cast<const std::uint8_t*>(picture.data()), picture.size()))
            << rec.GetLastError();
    ASSERT_TRUE(rec.Close()) << rec.GetLastError();
    const std::string file = ReadAll(path);
    ASSERT_GT(file.size(), lumetto::avi::kHeaderSize + 3 * (8 + frameBytes));
    EXPECT_EQ(file.substr(0, 4), "RIFF");
    EXPECT_EQ(file.substr(8, 4), "AVI ");
    // The header written last, at the start of the file, counts all three frames.
    std::uint32_t riffSize = 0;
    std::memcpy(&riffSize, file.data() + 4, 4);
    EXPECT_EQ(riffSize, file.size() - 8);
    std::uint32_t totalFrames = 0;
    std::memcpy(&totalFrames, file.data() + lumetto::avi::kAvihData + 16, 4);
    EXPECT_EQ(totalFrames, 3u);
}

TEST(Win32Texts, ErrorTextsComeFromTheSystem) {
    // FormatMessage's text, without the line break and full stop it ends
    // in (Windows: "The system cannot find the file specified"; Wine: "File
    // not found").
    const std::string text = SystemErrorText(ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(text.empty());
    EXPECT_EQ(text.find_first_of("\r\n"), std::string::npos) << text;
    EXPECT_NE(text.back(), '.') << text;
    EXPECT_EQ(text.find("Unknown error"), std::string::npos) << text;
    EXPECT_EQ(SystemErrorText(0x7fff0001).rfind("Unknown error ", 0), 0u);
}

} // namespace
