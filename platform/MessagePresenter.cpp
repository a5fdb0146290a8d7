#include "platform/MessagePresenter.h"

#include "platform/HandOver.h"

#include <atomic>
#include <cstdio>

namespace {

std::atomic<IMessagePresenter*> g_pPresenter{nullptr};

} // namespace

std::string CStderrPresenter::Format(const std::string& strText) const {
    // Line ends at the end are dropped; blank lines inside the text go too.
    std::string out;
    std::size_t pos = 0;
    while (pos < strText.size()) {
        std::size_t end = strText.find('\n', pos);
        if (end == std::string::npos)
            end = strText.size();
        std::string line = strText.substr(pos, end - pos);
        while (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty())
            out += m_strProgram + ": " + line + "\n";
        pos = end + 1;
    }
    if (out.empty())
        out = m_strProgram + ":\n";
    return out;
}

void CStderrPresenter::ShowMessage(const std::string& strText, const std::string& /*strCaption*/,
                                   MessageIcon /*eIcon*/) {
    std::fputs(Format(strText).c_str(), stderr);
    std::fflush(stderr);
}

bool CStderrPresenter::AskYesNo(const std::string& strText, const std::string& strCaption) {
    ShowMessage(strText + " (yes)", strCaption, MessageIcon::Question);
    return true;
}

void SetMessagePresenter(IMessagePresenter* pPresenter) {
    g_pPresenter = pPresenter;
}

IMessagePresenter& MessagePresenter() {
    static CStderrPresenter fallback;
    IMessagePresenter* p = g_pPresenter.load();
    return p ? *p : fallback;
}

void ShowMessageBox(const std::string& strText, const std::string& strCaption, MessageIcon eIcon) {
    UiHandOver().Call([&] { MessagePresenter().ShowMessage(strText, strCaption, eIcon); });
}
