// Shows messages as Qt message boxes, owned by the application's active
// window (or the window given).
#pragma once

#include "platform/MessagePresenter.h"

class QWidget;

class CQtMessagePresenter : public IMessagePresenter {
public:
    explicit CQtMessagePresenter(QWidget* pOwner = nullptr) : m_pOwner(pOwner) {}
    void SetOwner(QWidget* pOwner) { m_pOwner = pOwner; }

    void ShowMessage(const std::string& strText, const std::string& strCaption,
                     MessageIcon eIcon) override;
    bool AskYesNo(const std::string& strText, const std::string& strCaption) override;
    bool AskOkCancel(const std::string& strText, const std::string& strCaption) override;

private:
    QWidget* Owner() const;
    QWidget* m_pOwner;
};
