// The command lines of lumetto-phone and lumetto-dump, run as a user runs them.
#include "tests/support/ChildProcess.h"
#include "tests/support/PtyLine.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

using testsupport::CChildProcess;
using testsupport::CPtyLine;

namespace {

// A mistake gets exactly two lines on standard error: what is wrong, then the
// hint; nothing on standard output, and exit status 2.
TEST(ToolCommandLine, MistakesGetOneLineAndTheHint) {
    struct Case {
        const char* program;
        std::vector<std::string> args;
        const char* what; // the first line, after "<program>: "
    };
    const Case cases[] = {
        {"lumetto-phone", {}, "Say where to send the stream: --port PATH, --out FILE or --pty."},
        {"lumetto-phone", {"--pty", "--colour"}, "Unknown option \"--colour\"."},
        {"lumetto-phone", {"--pty", "--fps=fast"}, "--fps needs a number from 0 to 10000."},
        {"lumetto-phone", {"--pty", "--format", "16"}, "--format is 8 or 12."},
        {"lumetto-phone", {"--out="}, "--out needs a path."},
        {"lumetto-phone", {"--pty=yes"}, "--pty takes no value."},
        {"lumetto-phone", {"--version=2"}, "--version takes no value."},
        {"lumetto-phone", {"--pty", "--out", "x.bin"}, "Give only one of --port, --out and --pty."},
        {"lumetto-dump",
         {},
         "Say which capture to read: FILE, - for standard input, or --port NAME."},
        {"lumetto-dump", {"--in", "a.bin"}, "Unknown option \"--in\"."},
        {"lumetto-dump", {"a.bin", "--out"}, "--out needs a folder."},
        {"lumetto-dump", {"--out=", "a.bin"}, "--out needs a folder."},
        {"lumetto-dump",
         {"a.bin", "b.bin"},
         "Give one capture to read, not \"a.bin\" and \"b.bin\"."},
        {"lumetto-dump", {"--help=all"}, "--help takes no value."},
        {"lumetto-dump",
         {"--port", "COM3", "a.bin"},
         "Give a capture to read or --port, not both."},
        {"lumetto-dump", {"--save", "s.bin", "a.bin"}, "--save and --time-limit go with --port."},
        {"lumetto-dump",
         {"--port=COM3", "--time-limit=0"},
         "--time-limit needs a whole number of seconds."},
    };
    for (const Case& c : cases) {
        CChildProcess child(c.program, c.args);
        std::string out;
        for (std::string line = child.ReadLine(); !line.empty(); line = child.ReadLine())
            out += line + "\n";
        EXPECT_EQ(child.Wait(), 2) << c.program << " " << c.what;
        EXPECT_EQ(out, "") << c.program << " " << c.what;
        EXPECT_EQ(child.Stderr(),
                  std::string(c.program) + ": " + c.what + "\nSee '" + c.program + " --help'.\n");
    }
}

// --version answers on standard output; values after '=' or as the next
// argument are alike.
TEST(ToolCommandLine, VersionAndValuesAfterEquals) {
    for (const char* program : {"lumetto-phone", "lumetto-dump"}) {
        CChildProcess child(program, {"--version"});
        EXPECT_EQ(child.ReadLine().rfind(std::string(program) + ", Lumetto version 2.", 0), 0u);
        EXPECT_EQ(child.Wait(), 0) << child.Stderr();
        EXPECT_EQ(child.Stderr(), "");
    }
    CChildProcess phone("lumetto-phone", {"--out=-", "--frames=2", "--rate=0", "--fps=0"});
    EXPECT_EQ(phone.Wait(), 0) << phone.Stderr();
    EXPECT_NE(phone.Stderr().find("2 frames"), std::string::npos) << phone.Stderr();
}

// A live capture through the serial driver prints, frame by frame as they
// arrive, the lines a capture file gives, keeps the raw bytes with --save,
// and ends with the summary on Ctrl+C.
TEST(ToolCommandLine, DumpReadsALivePortFrameForFrame) {
    CTempFolder dir;
    const std::string stream = dir.File("stream.bin");
    CChildProcess phone("lumetto-phone",
                        {"--out=" + stream, "--frames=4", "--rate=0", "--fps=0", "--close"});
    ASSERT_EQ(phone.Wait(), 0) << phone.Stderr();
    std::ifstream in(stream, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    CChildProcess fromFile("lumetto-dump", {stream});
    ASSERT_EQ(fromFile.Wait(), 0) << fromFile.Stderr();
    const std::string expected = fromFile.Stdout();
    ASSERT_NE(expected.find("closing notice"), std::string::npos) << expected;

    CPtyLine line(CPtyLine::Options{true, true});
    CChildProcess live("lumetto-dump", {"--port", line.Path(), "--save", dir.File("saved.bin")});
    ASSERT_TRUE(live.WaitForError("Ctrl+C ends the capture")) << live.Stderr();
    ASSERT_TRUE(line.Write(bytes));
    // Every line before the summary arrives while the capture still runs.
    const std::string beforeSummary = expected.substr(0, expected.find("summary:"));
    std::string got;
    while (got.size() < beforeSummary.size()) {
        const std::string next = live.ReadLine();
        ASSERT_FALSE(next.empty()) << got;
        got += next + "\n";
    }
    EXPECT_EQ(got, beforeSummary);
    live.Signal(SIGINT);
    EXPECT_EQ(live.Wait(), 0) << live.Stderr();
    EXPECT_EQ(got + live.Stdout(), expected);
    std::ifstream saved(dir.File("saved.bin"), std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(saved), std::istreambuf_iterator<char>()),
              bytes);
}

// lumetto-dump fails when there is nothing to inspect: a file that cannot
// be opened (no summary then), and an input without a single frame.
TEST(ToolCommandLine, DumpFailsWithoutFrames) {
    const struct {
        const char* file;
        const char* out;  // the start of standard output
        const char* said; // standard error
    } cases[] = {
        {"/nonexistent/capture.bin", "",
         "lumetto-dump: Cannot open \"/nonexistent/capture.bin\": No such file or directory.\n"},
        {"/dev/null", "summary: 0 bytes, 0 screen frames",
         "lumetto-dump: no frame was found in \"/dev/null\": is it a capture of the phone's "
         "byte stream?\n"},
    };
    for (const auto& c : cases) {
        CChildProcess dump("lumetto-dump", {c.file});
        const std::string out = dump.ReadLine();
        EXPECT_EQ(dump.Wait(), 1) << c.file;
        EXPECT_EQ(out.rfind(c.out, 0), 0u) << out;
        EXPECT_EQ(dump.Stderr(), c.said);
    }
}

} // namespace
