#include "platform/qt/QtMessagePresenter.h"

#include <QApplication>
#include <QMessageBox>
#include <QString>

namespace {

QMessageBox::Icon ToQt(MessageIcon eIcon) {
    switch (eIcon) {
    case MessageIcon::Warning:
        return QMessageBox::Warning;
    case MessageIcon::Error:
        return QMessageBox::Critical;
    case MessageIcon::Question:
        return QMessageBox::Question;
    case MessageIcon::Information:
        break;
    }
    return QMessageBox::Information;
}

QString Text(const std::string& s) {
    QString t = QString::fromLocal8Bit(s.data(), static_cast<qsizetype>(s.size()));
    while (t.endsWith(QLatin1Char('\n')) || t.endsWith(QLatin1Char('\r')))
        t.chop(1);
    return t;
}

} // namespace

QWidget* CQtMessagePresenter::Owner() const {
    if (m_pOwner)
        return m_pOwner;
    return QApplication::activeWindow();
}

void CQtMessagePresenter::ShowMessage(const std::string& strText, const std::string& strCaption,
                                      MessageIcon eIcon) {
    QMessageBox box(ToQt(eIcon), Text(strCaption), Text(strText), QMessageBox::Ok, Owner());
    box.exec();
}

bool CQtMessagePresenter::AskYesNo(const std::string& strText, const std::string& strCaption) {
    QMessageBox box(QMessageBox::Question, Text(strCaption), Text(strText),
                    QMessageBox::Yes | QMessageBox::No, Owner());
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

bool CQtMessagePresenter::AskOkCancel(const std::string& strText, const std::string& strCaption) {
    QMessageBox box(QMessageBox::Question, Text(strCaption), Text(strText),
                    QMessageBox::Ok | QMessageBox::Cancel, Owner());
    box.setDefaultButton(QMessageBox::Ok);
    return box.exec() == QMessageBox::Ok;
}
