// The modal "COM ports" dialog in which the user picks the serial port for a
// new connection to the phone.
//
// Run it with DoModal(), never with exec(): the port list is filled in
// DoModal() before the dialog shows, and an error of the enumeration passes
// out of DoModal() to the caller (a std::string, see EnumerateComPorts):
//
//     CPortSelectDlg dlg;
//     try {
//         if (dlg.DoModal() == IDCANCEL)
//             return;
//     } catch (const std::string& strError) {
//         ShowMessageBox(strError, "Morvane Lumetto", MessageIcon::Warning);
//         return;
//     }
//     Open(dlg.GetPortName());
#pragma once

#include "ports/DialogResult.h"

#include <QDialog>
#include <string>
#include <vector>

class IComPortQuery;
class QGroupBox;
class QLabel;
class QListWidget;
class QPushButton;

class CPortSelectDlg : public QDialog {
public:
    // Without a parent the application's active window owns the dialog.
    explicit CPortSelectDlg(QWidget* pParent = nullptr);
    ~CPortSelectDlg() override;

    // Fills the list, shows the dialog and returns IDOK or IDCANCEL when it
    // ended. Throws what the enumeration throws; the dialog does not show then.
    int DoModal();

    // The chosen port name, "COM" and digits, or the name of a program's own
    // port (the demo's phone); "COM" when OK found no entry chosen. Meaningful
    // after IDOK.
    std::string GetPortName() const { return m_strPort; }

    // The query the list is filled from; nullptr (the default) asks the running
    // system. Not owned.
    void SetPortQuery(IComPortQuery* pQuery) { m_pQuery = pQuery; }

    // Ports of the program's own (the demo's phone), listed last by name.
    void SetProgramPorts(std::vector<std::string> names) { m_programPorts = std::move(names); }

    // The port to select when the list is filled (the last one opened): a
    // COM name or a device path. Without it, or when no entry names it, the
    // first entry is selected.
    void SetPreferredPort(std::string strPort) { m_strPreferred = std::move(strPort); }

    // Fills the list from the enumeration, selects the preferred entry (or
    // the first) and puts the focus on the list. DoModal() calls it; tests that show the dialog
    // without DoModal() call it themselves.
    void OnInitDialog();

    // OK: takes the selected entry's port name (message 61408 when no entry
    // is selected) and ends the dialog with IDOK. The OK button, Enter and a
    // double click on an entry all come here.
    void OnOK();

    QListWidget* PortList() const { return m_listPorts; }
    QPushButton* OkButton() const { return m_pOk; }
    QPushButton* CancelButton() const { return m_pCancel; }
    // The note shown inside the list while it holds no serial port.
    QLabel* EmptyListNote() const { return m_pEmptyNote; }

    // The note's text.
    static const char* EmptyListText();

protected:
    void accept() override;

private:
    void BuildControls();

    QListWidget* m_listPorts = nullptr;
    std::string m_strPort;
    std::string m_strPreferred;

    QGroupBox* m_pGroup = nullptr;
    QPushButton* m_pOk = nullptr;
    QPushButton* m_pCancel = nullptr;
    QLabel* m_pEmptyNote = nullptr;
    IComPortQuery* m_pQuery = nullptr;
    std::vector<std::string> m_programPorts;
};
