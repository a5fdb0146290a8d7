#include "platform/ErrorReport.h"

#include "platform/MessagePresenter.h"
#include "platform/SystemError.h"

#include <climits>

namespace {

int ToErrno(std::uint32_t nCode) {
    return nCode > static_cast<std::uint32_t>(INT_MAX) ? INT_MAX : static_cast<int>(nCode);
}

} // namespace

std::string CErrorReport::SystemErrorMessage(std::uint32_t nCode, const std::string& strNote) {
    std::string text = SystemErrorText(ToErrno(nCode));
    if (!strNote.empty())
        text += "\n" + strNote;
    return text;
}

std::string CErrorReport::LastErrorMessage(int nErrno) {
    // Composed without a fixed-size buffer, so a long text is never cut short
    // or written past an end.
    return SystemErrorText(nErrno) + "\n";
}

std::string CErrorReport::PortErrorMessage(std::uint32_t nCode, const std::string& strPortName,
                                           const std::string& strDevice) {
    const int nErrno = ToErrno(nCode);
    std::string advice = PortOpenAdvice(nErrno, strPortName, strDevice);
    if (AdviceReplacesSystemText(nErrno))
        return advice;
    return SystemErrorMessage(nCode, advice);
}

void CErrorReport::Show(std::string strText) {
    m_bErrorShown = true;
    m_strLastText = std::move(strText);
    if (!m_bQuiet)
        ShowMessageBox(m_strLastText, kCaption, MessageIcon::Information);
}

void CErrorReport::ShowSystemError(std::uint32_t nCode, const std::string& strNote) {
    Show(SystemErrorMessage(nCode, strNote));
}

void CErrorReport::ShowLastError() {
    const int err = LastSystemError(); // read before anything else can change it
    Show(LastErrorMessage(err));
}

void CErrorReport::ShowPortError(std::uint32_t nCode, const std::string& strPortName,
                                 const std::string& strDevice) {
    Show(PortErrorMessage(nCode, strPortName, strDevice));
}
