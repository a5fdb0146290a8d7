#include "platform/MessagePresenter.h"

#include "platform/HandOver.h"

#include <atomic>
#include <cstdio>

namespace {

std::atomic<IMessagePresenter*> g_pPresenter{nullptr};

} // namespace

void CStderrPresenter::ShowMessage(const std::string& strText, const std::string& strCaption,
                                   MessageIcon /*eIcon*/) {
    std::string line = strCaption + ": " + strText;
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.pop_back();
    std::fprintf(stderr, "%s\n", line.c_str());
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
