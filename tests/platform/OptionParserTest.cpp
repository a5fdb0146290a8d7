// The forms and mistakes every program's command line shares, and the
// option list of --help.
#include "platform/OptionParser.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Read {
    std::string strPort;
    int nCount = 0;
    bool bZoom = false, bHelp = false;
    std::vector<std::string> operands;
};

std::vector<CommandOption> Table(Read& r) {
    return {
        {"--port", "NAME", "open NAME\nat start", StoresText(r.strPort)},
        {"--count", "N", "a count", TakesWholeNumber(r.nCount, 0, 9), "needs a count"},
        {"--zoom", "", "zoom", SetsFlag(r.bZoom)},
        {"--a-very-long-one", "VALUE", "the text follows after one space", StoresText(r.strPort)},
        {"-z", "", "", SetsFlag(r.bZoom)}, // not listed
        {.strName = "--help", .strHelp = "help", .take = SetsFlag(r.bHelp), .bAnswers = true},
    };
}

TEST(OptionParser, ReadsBothFormsAndSaysEachMistake) {
    struct Case {
        std::vector<std::string> args;
        std::string mistake{}; // "" for none
        std::string port{};
        bool zoom = false;
        std::vector<std::string> operands = {};
    };
    const Case cases[] = {
        {{"--port", "-x.avi"}, "", "-x.avi"}, // the next argument, whatever it looks like
        {{"--port=a=b", "--zoom"}, "", "a=b", true},
        {{"f", "--zoom", "-"}, "", "", true, {"f", "-"}},
        {{"-z", "--help", "--bogus"}, "", "", true}, // --help is answered at once
        {{"--port"}, "--port needs a value."},
        {{"--port=", "x"}, "--port needs a value."},
        {{"--port", ""}, "--port needs a value."},
        {{"--count", "10"}, "--count needs a count, not \"10\"."},
        {{"--count=2x"}, "--count needs a count, not \"2x\"."},
        {{"--count"}, "--count needs a count."},
        {{"--zoom=yes"}, "--zoom takes no value."},
        {{"-z=1"}, "-z takes no value."},
        {{"--zom"}, "Unknown option \"--zom\"."},
        {{"--zom=1", "--port"}, "Unknown option \"--zom=1\"."},
        {{"--bogus", "--help"}, "Unknown option \"--bogus\"."},
        {{"a", "b", "c"}, "Only two, not \"c\".", "", false, {"a", "b"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.empty() ? "" : c.args.front());
        Read r;
        COptionParser parser(Table(r));
        parser.QuoteUnusableValues();
        parser.SetOperandHandler([&r](const std::string& arg) {
            if (r.operands.size() == 2)
                return "Only two, not \"" + arg + "\".";
            r.operands.push_back(arg);
            return std::string();
        });
        EXPECT_EQ(parser.Parse(c.args), c.mistake);
        EXPECT_EQ(r.strPort, c.port);
        EXPECT_EQ(r.bZoom, c.zoom);
        EXPECT_EQ(r.operands, c.operands);
    }

    // Without an operand handler a word is an unexpected argument; argv[0] is no
    // argument; an unusable value is said without quotes by default.
    Read r;
    const char* argv[] = {"program", "COM3"};
    EXPECT_EQ(COptionParser(Table(r)).Parse(2, argv), "Unexpected argument \"COM3\".");
    EXPECT_EQ(COptionParser(Table(r)).Parse(1, argv), "");
    EXPECT_EQ(COptionParser(Table(r)).Parse({"--count", "-1"}), "--count needs a count.");
    EXPECT_EQ(WithHelpHint("prog", "Unknown option \"x\"."),
              "Unknown option \"x\".\nSee 'prog --help'.");
}

TEST(OptionParser, HelpListsTheOptionsInColumns) {
    Read r;
    EXPECT_EQ(OptionHelp(Table(r), 16),
              "  --port NAME   open NAME\n"
              "                at start\n"
              "  --count N     a count\n"
              "  --zoom        zoom\n"
              "  --a-very-long-one VALUE the text follows after one space\n"
              "  --help        help\n");
}

} // namespace
