// Message boxes go through one presenter: the GUI shows them, tests record
// them, a run without window prints them to standard error.
#pragma once

#include <string>
#include <utility>

enum class MessageIcon { Information, Warning, Error, Question };

class IMessagePresenter {
public:
    virtual ~IMessagePresenter() = default;
    // Shows the text with an OK button and returns when the user closed it.
    virtual void ShowMessage(const std::string& strText, const std::string& strCaption,
                             MessageIcon eIcon) = 0;
    // Asks a yes/no question; true for yes.
    virtual bool AskYesNo(const std::string& strText, const std::string& strCaption) = 0;
    // Asks for confirmation with OK and Cancel; true for OK. Unless a
    // presenter shows such a box of its own, it is the yes/no question.
    virtual bool AskOkCancel(const std::string& strText, const std::string& strCaption) {
        return AskYesNo(strText, strCaption);
    }
};

// Prints each line of the text to standard error after the program's name
// ("lumetto: text"), the one form of every message the program prints there;
// the caption is left out. Questions are answered with yes.
class CStderrPresenter : public IMessagePresenter {
public:
    explicit CStderrPresenter(std::string strProgram = "lumetto")
        : m_strProgram(std::move(strProgram)) {}
    void ShowMessage(const std::string& strText, const std::string& strCaption,
                     MessageIcon eIcon) override;
    bool AskYesNo(const std::string& strText, const std::string& strCaption) override;

    // The lines ShowMessage prints.
    std::string Format(const std::string& strText) const;

private:
    std::string m_strProgram;
};

// The process's presenter. Until one is installed, a CStderrPresenter serves.
// The presenter is not owned; pass nullptr to go back to standard error.
void SetMessagePresenter(IMessagePresenter* pPresenter);
IMessagePresenter& MessagePresenter();

// Shows a message box through the process's presenter on the UI thread: from
// any other thread the call travels the UI hand-over and this thread waits
// until the box was closed.
void ShowMessageBox(const std::string& strText, const std::string& strCaption,
                    MessageIcon eIcon = MessageIcon::Information);
