// The guide and --help agree: every option and environment setting that
// lumetto --help lists is described in the README's command line section,
// and every option that section names is one the program takes.
#include "app/CommandLine.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>

namespace {

std::string ReadmeText() {
    const char* src = std::getenv("LUMETTO_SOURCE_DIR");
    std::ifstream in(std::string(src ? src : LUMETTO_TEST_SOURCE_DIR) + "/README.md");
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The README's "## Command line" section, up to the next section of its level.
std::string CommandLineSection(const std::string& readme) {
    const std::size_t start = readme.find("\n## Command line");
    if (start == std::string::npos)
        return std::string();
    const std::size_t end = readme.find("\n## ", start + 1);
    return readme.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

// The names --help lists at the start of its lines: options (--name) and
// environment settings (NAME).
std::set<std::string> HelpNames(const std::regex& pattern) {
    std::set<std::string> names;
    std::istringstream help(CommandLineHelp());
    std::string line;
    std::smatch m;
    while (std::getline(help, line)) {
        if (std::regex_search(line, m, pattern))
            names.insert(m[1]);
    }
    return names;
}

TEST(Readme, DescribesEveryOptionAndSettingOfHelp) {
    const std::string section = CommandLineSection(ReadmeText());
    ASSERT_FALSE(section.empty()) << "README.md has no \"## Command line\" section";
    const std::set<std::string> options = HelpNames(std::regex("^  (--[a-z][a-z0-9-]*)"));
    const std::set<std::string> settings = HelpNames(std::regex("^  ([A-Z][A-Z0-9_]+)\\s"));
    EXPECT_GE(options.size(), 10u);
    EXPECT_GE(settings.size(), 1u);
    for (const std::string& name : options)
        EXPECT_NE(section.find("`" + name), std::string::npos)
            << name
            << " is in lumetto --help but not described in README.md's command line section";
    for (const std::string& name : settings)
        EXPECT_NE(section.find("`" + name), std::string::npos)
            << name
            << " is in lumetto --help but not described in README.md's command line section";
}

TEST(Readme, NamesOnlyOptionsTheProgramTakes) {
    const std::string section = CommandLineSection(ReadmeText());
    const std::regex option("`(--[a-z][a-z0-9-]*)");
    int count = 0;
    for (std::sregex_iterator it(section.begin(), section.end(), option), end; it != end; ++it) {
        const std::string name = (*it)[1];
        // With a value after '=' only the option itself can be unknown.
        const CommandLineResult r = ParseCommandLine({name + "=1"});
        EXPECT_EQ(r.strError.rfind("Unknown option", 0), std::string::npos)
            << "README.md describes " << name << ", which lumetto does not take";
        ++count;
    }
    EXPECT_GT(count, 0);
}

TEST(CheckSkinOption, TakesTheSkinFile) {
    struct Case {
        std::vector<std::string> args;
        bool ok;
        std::string file;
    } cases[] = {
        {{"--check-skin", "Blue.lumetto"}, true, "Blue.lumetto"},
        {{"--check-skin=skins/S60/a b.lumetto"}, true, "skins/S60/a b.lumetto"},
        {{"--check-skin"}, false, ""},
        {{"--check-skin="}, false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.front());
        const CommandLineResult r = ParseCommandLine(c.args);
        EXPECT_EQ(r.bOk, c.ok) << r.strError;
        EXPECT_EQ(r.options.strCheckSkin, c.file);
    }
}

} // namespace
