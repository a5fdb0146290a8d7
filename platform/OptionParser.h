// A program's command line, read against its table of options.
//
// Each program (lumetto, lumetto-phone, lumetto-dump) keeps its own table: a
// row an option, with its name, the name of its value or none for a flag,
// its --help text and what takes the value. The parser gives all of them the
// same forms and the same mistakes:
//
//   --name value     the value is the next argument, whatever it looks like
//                    (--record -x.avi records into "-x.avi")
//   --name=value     the value after the first '='
//   --flag           a flag takes no value: "--zoom=yes" is a mistake
//   word, -          an operand (an argument without a leading dash, or "-")
//
// A mistake is one sentence ("Unknown option \"--x\".", "--port needs a
// value."); the program prints it after its name, with the hint line
// WithHelpHint adds, and ends with exit status 2.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <utility>
#include <vector>

// One row of a program's option table.
struct CommandOption {
    std::string strName{};  // "--port"
    std::string strValue{}; // the value's name in --help ("NAME"); empty: a flag
    std::string strHelp{};  // its text in --help, lines split by '\n'; empty: not listed
    // Takes the value ("" for a flag); false when the option cannot use it.
    std::function<bool(const std::string& strValue)> take{};
    // Said after the name when the value is missing or cannot be used.
    std::string strWants = "needs a value";
    // Answered at once (--help, --version): the arguments after it are not read.
    bool bAnswers = false;
};

// take for a flag: sets bFlag.
std::function<bool(const std::string&)> SetsFlag(bool& bFlag);
// take for a value used as it is: stores it in strInto.
std::function<bool(const std::string&)> StoresText(std::string& strInto);
// take for a whole number from nMin to nMax: stores it in n.
template <class T>
std::function<bool(const std::string&)> TakesWholeNumber(T& n, long long nMin, long long nMax);

class COptionParser {
public:
    // Takes an operand; returns what is wrong with it, or "" when nothing is.
    using OperandHandler = std::function<std::string(const std::string& strArg)>;

    explicit COptionParser(std::vector<CommandOption> options) : m_options(std::move(options)) {}

    // Operands go to fn. Without a handler an operand is an unexpected argument.
    void SetOperandHandler(OperandHandler fn) { m_fnOperand = std::move(fn); }
    // The mistake for a value the option cannot use quotes it:
    // '--screen needs a screen number ..., not "0".'
    void QuoteUnusableValues() { m_bQuoteValues = true; }

    // Reads the arguments after the program's name in order, handing each
    // value to its option, up to the first mistake or an option that is
    // answered at once. Returns the mistake, "" when there is none.
    std::string Parse(const std::vector<std::string>& args) const;
    std::string Parse(int argc, const char* const* argv) const;

private:
    const CommandOption* Find(const std::string& strName) const;

    std::vector<CommandOption> m_options;
    OperandHandler m_fnOperand;
    bool m_bQuoteValues = false;
};

// The --help lines of the listed options: "  --name VALUE", padded to
// nColumn (with one space at least), then the help text, each further line
// of it indented to nColumn.
std::string OptionHelp(const std::vector<CommandOption>& options, std::size_t nColumn);

// The mistake followed by the hint line: "<mistake>\nSee '<program> --help'."
std::string WithHelpHint(const std::string& strProgram, const std::string& strMistake);

// A whole number from nMin to nMax, written as nothing but its digits (and a
// leading '-').
bool ReadWholeNumber(const std::string& strText, long long nMin, long long nMax, long long& n);
// A finite number (strtod's forms) and nothing after it.
bool ReadNumber(const std::string& strText, double& d);

template <class T>
std::function<bool(const std::string&)> TakesWholeNumber(T& n, long long nMin, long long nMax) {
    return [&n, nMin, nMax](const std::string& strValue) {
        long long v = 0;
        if (!ReadWholeNumber(strValue, nMin, nMax, v))
            return false;
        n = static_cast<T>(v);
        return true;
    };
}
