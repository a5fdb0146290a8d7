#include "app/AboutDlg.h"

#include "res/BitmapResources.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

CAboutDlg::CAboutDlg(QWidget* pParent) : QDialog(pParent) {
    setWindowTitle(QStringLiteral("About Morvane Lumetto"));
    auto* pIcon = new QLabel(this);
    pIcon->setPixmap(ApplicationIcon().pixmap(32, 32));
    auto* pVersion = new QLabel(QStringLiteral("Lumetto version 2.0"), this);
    auto* pLine =
        new QLabel(QStringLiteral("Shows your phone's screen live for presentations."), this);
    auto* pButtons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    pButtons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    pButtons->button(QDialogButtonBox::Ok)->setDefault(true);
    connect(pButtons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* pGrid = new QGridLayout(this);
    pGrid->setContentsMargins(16, 16, 16, 12);
    pGrid->setHorizontalSpacing(16);
    pGrid->addWidget(pIcon, 0, 0, 2, 1, Qt::AlignTop);
    pGrid->addWidget(pVersion, 0, 1);
    pGrid->addWidget(pLine, 1, 1);
    pGrid->addWidget(pButtons, 0, 2, 2, 1, Qt::AlignTop);
    setFixedSize(sizeHint());
}
