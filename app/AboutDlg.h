// The About box: "About Morvane Lumetto" with the icon, the version and OK.
#pragma once

#include <QDialog>

class CAboutDlg : public QDialog {
public:
    explicit CAboutDlg(QWidget* pParent = nullptr);
};

// Help > Keyboard shortcuts: the keys and their commands, and OK.
class CShortcutsDlg : public QDialog {
public:
    explicit CShortcutsDlg(QWidget* pParent = nullptr);
    // The table's text as shown, a row a line: "Ctrl+O  Open connection...".
    QString Text() const;
};
