// --help (also -h) and --version of a program that answers them at once, and
// how its command line ends when the program does not run: the usage or the
// version on standard output with exit status 0, or the mistake, after the
// program's name and followed by the hint line, on standard error with exit
// status 2.
#pragma once

#include "platform/OptionParser.h"

#include <functional>
#include <string>
#include <vector>

class CAnsweredOptions {
public:
    CAnsweredOptions(std::string strProgram, std::function<std::string()> fnUsage,
                     std::string strVersion);
    CAnsweredOptions(const CAnsweredOptions&) = delete;
    CAnsweredOptions& operator=(const CAnsweredOptions&) = delete;

    // Adds the rows of --help, -h and --version at the end of the program's
    // table; they note which was given, so this object outlives the parser.
    void AddRowsTo(std::vector<CommandOption>& options);

    // After reading, with the mistake found ("" for none): false with
    // `message` the text to print and bAnswered set after --help or
    // --version, or false with `message` the whole mistake text; true when
    // the program runs.
    bool Outcome(const std::string& strMistake, std::string& message, bool& bAnswered) const;

    // Prints what Outcome left in `message` where it belongs; returns the
    // program's exit status.
    static int Print(const std::string& message, bool bAnswered);

private:
    std::string m_strProgram;
    std::function<std::string()> m_fnUsage;
    std::string m_strVersion;
    bool m_bHelp = false;
    bool m_bVersion = false;
};
