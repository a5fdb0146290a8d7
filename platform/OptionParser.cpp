#include "platform/OptionParser.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>

std::function<bool(const std::string&)> SetsFlag(bool& bFlag) {
    return [&bFlag](const std::string&) { return bFlag = true; };
}

std::function<bool(const std::string&)> StoresText(std::string& strInto) {
    return [&strInto](const std::string& strValue) {
        strInto = strValue;
        return true;
    };
}

const CommandOption* COptionParser::Find(const std::string& strName) const {
    for (const CommandOption& option : m_options)
        if (option.strName == strName)
            return &option;
    return nullptr;
}

std::string COptionParser::Parse(const std::vector<std::string>& args) const {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg.size() < 2 || arg[0] != '-') {
            if (!m_fnOperand)
                return "Unexpected argument \"" + arg + "\".";
            if (std::string mistake = m_fnOperand(arg); !mistake.empty())
                return mistake;
            continue;
        }
        const std::size_t eq = arg.find('=');
        const std::string name = arg.substr(0, eq);
        const CommandOption* option = Find(name);
        if (!option)
            return "Unknown option \"" + arg + "\".";
        std::string value;
        if (eq != std::string::npos)
            value = arg.substr(eq + 1);
        if (option->strValue.empty()) {
            if (eq != std::string::npos)
                return name + " takes no value.";
        } else {
            if (eq == std::string::npos && i + 1 < args.size())
                value = args[++i];
            if (value.empty())
                return name + " " + option->strWants + ".";
        }
        if (!option->take(value))
            return name + " " + option->strWants +
                   (m_bQuoteValues ? ", not \"" + value + "\"." : std::string("."));
        if (option->bAnswers)
            break;
    }
    return {};
}

std::string COptionParser::Parse(int argc, const char* const* argv) const {
    return Parse(std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc));
}

std::string OptionHelp(const std::vector<CommandOption>& options, std::size_t nColumn) {
    std::string text;
    for (const CommandOption& option : options) {
        if (option.strHelp.empty())
            continue;
        std::string line = "  " + option.strName;
        if (!option.strValue.empty())
            line += " " + option.strValue;
        line.resize(std::max(line.size() + 1, nColumn), ' ');
        for (const char c : option.strHelp)
            line += c == '\n' ? "\n" + std::string(nColumn, ' ') : std::string(1, c);
        text += line + "\n";
    }
    return text;
}

std::string WithHelpHint(const std::string& strProgram, const std::string& strMistake) {
    return strMistake + "\nSee '" + strProgram + " --help'.";
}

bool ReadWholeNumber(const std::string& strText, long long nMin, long long nMax, long long& n) {
    const char* end = strText.data() + strText.size();
    const auto [p, ec] = std::from_chars(strText.data(), end, n);
    return ec == std::errc() && p == end && n >= nMin && n <= nMax;
}

bool ReadNumber(const std::string& strText, double& d) {
    char* end = nullptr;
    d = std::strtod(strText.c_str(), &end);
    return !strText.empty() && *end == '\0' && std::isfinite(d);
}
