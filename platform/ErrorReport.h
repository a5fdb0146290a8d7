// Shows the system's text for a failed system call in a message box captioned
// "Application Error", and remembers that it did.
//
// One object lives for one operation of its owner, on one thread; the owner
// judges a whole sequence of calls by ErrorShown(). Boxes raised off the UI
// thread travel the UI hand-over and block the calling thread until closed.
// A quiet report shows nothing: it only remembers the text it would have
// shown (for an attempt the user did not ask for, such as a reconnection).
#pragma once

#include <cstdint>
#include <string>

class CErrorReport {
public:
    static constexpr const char* kCaption = "Application Error";

    explicit CErrorReport(bool bQuiet = false) : m_bQuiet(bQuiet) {}

    // Shows the system text for the error number nCode; strNote, when given,
    // is added on a line of its own.
    void ShowSystemError(std::uint32_t nCode, const std::string& strNote = {});
    // Shows the system text for the calling thread's last system error
    // (LastSystemError()), followed by a line feed.
    void ShowLastError();
    // Shows the text for a failed open of a serial port, with advice on how
    // to get access or that another program holds the port.
    void ShowPortError(std::uint32_t nCode, const std::string& strPortName,
                       const std::string& strDevice);

    bool ErrorShown() const { return m_bErrorShown; }
    // The text of the last report, shown or, when quiet, not.
    const std::string& LastText() const { return m_strLastText; }

    // The box texts, as the operations above compose them.
    static std::string SystemErrorMessage(std::uint32_t nCode, const std::string& strNote = {});
    static std::string LastErrorMessage(int nErrno);
    // A file that is no serial port is said in plain words, not with the
    // system's "Inappropriate ioctl for device".
    static std::string PortErrorMessage(std::uint32_t nCode, const std::string& strPortName,
                                        const std::string& strDevice);

private:
    void Show(std::string strText);

    bool m_bQuiet = false;
    bool m_bErrorShown = false;
    std::string m_strLastText;
};
