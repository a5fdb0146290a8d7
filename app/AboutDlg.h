// The About box: "About Morvane Lumetto" with the icon, the version and OK.
#pragma once

#include <QDialog>

class CAboutDlg : public QDialog {
public:
    static constexpr int IDD = 100;
    explicit CAboutDlg(QWidget* pParent = nullptr);
};
