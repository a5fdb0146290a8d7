#include "platform/AnsweredOptions.h"

#include <iostream>
#include <utility>

CAnsweredOptions::CAnsweredOptions(std::string strProgram, std::function<std::string()> fnUsage,
                                   std::string strVersion)
    : m_strProgram(std::move(strProgram)), m_fnUsage(std::move(fnUsage)),
      m_strVersion(std::move(strVersion)) {}

void CAnsweredOptions::AddRowsTo(std::vector<CommandOption>& options) {
    options.insert(options.end(),
                   {
                       {.strName = "--help",
                        .strHelp = "show this text",
                        .take = SetsFlag(m_bHelp),
                        .bAnswers = true},
                       {.strName = "-h", .take = SetsFlag(m_bHelp), .bAnswers = true},
                       {.strName = "--version",
                        .strHelp = "show the version",
                        .take = SetsFlag(m_bVersion),
                        .bAnswers = true},
                   });
}

bool CAnsweredOptions::Outcome(const std::string& strMistake, std::string& message,
                               bool& bAnswered) const {
    // An option answered at once ends the reading, so no mistake of the
    // parser comes with it; the program's own checks do not count then.
    bAnswered = m_bHelp || m_bVersion;
    if (bAnswered)
        message = m_bHelp ? m_fnUsage() : m_strVersion;
    else if (!strMistake.empty())
        message = m_strProgram + ": " + WithHelpHint(m_strProgram, strMistake);
    return !bAnswered && strMistake.empty();
}

int CAnsweredOptions::Print(const std::string& message, bool bAnswered) {
    if (bAnswered) {
        std::cout << message;
        return 0;
    }
    std::cerr << message << "\n";
    return 2;
}
