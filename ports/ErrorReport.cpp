#include "ports/ErrorReport.h"

#include "platform/MessagePresenter.h"
#include "platform/SystemError.h"

#include <cerrno>
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

void CErrorReport::ShowSystemError(std::uint32_t nCode, const std::string& strNote) {
    m_bErrorShown = true;
    ShowMessageBox(SystemErrorMessage(nCode, strNote), kCaption, MessageIcon::Information);
}

void CErrorReport::ShowLastError() {
    const int err = errno; // read before anything else can change it
    m_bErrorShown = true;
    ShowMessageBox(LastErrorMessage(err), kCaption, MessageIcon::Information);
}

void CErrorReport::ShowPortError(std::uint32_t nCode, const std::string& strPortName,
                                 const std::string& strDevice) {
    ShowSystemError(nCode, PortOpenAdvice(ToErrno(nCode), strPortName, strDevice));
}
