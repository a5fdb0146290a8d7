#include "app/AboutDlg.h"

#include "app/MainMenu.h"
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

CShortcutsDlg::CShortcutsDlg(QWidget* pParent) : QDialog(pParent) {
    setWindowTitle(QStringLiteral("Keyboard shortcuts"));
    auto* pGrid = new QGridLayout(this);
    pGrid->setContentsMargins(16, 16, 16, 12);
    pGrid->setHorizontalSpacing(24);
    int row = 0;
    for (const auto& [keys, command] : KeyboardShortcuts()) {
        auto* pKeys = new QLabel(QString::fromStdString(keys), this);
        QFont bold = pKeys->font();
        bold.setBold(true);
        pKeys->setFont(bold);
        pGrid->addWidget(pKeys, row, 0);
        pGrid->addWidget(new QLabel(QString::fromStdString(command), this), row, 1);
        ++row;
    }
    auto* pButtons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    pButtons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    pButtons->button(QDialogButtonBox::Ok)->setDefault(true);
    connect(pButtons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    pGrid->addWidget(pButtons, row, 0, 1, 2);
    setFixedSize(sizeHint());
}

QString CShortcutsDlg::Text() const {
    QString text;
    const auto* pGrid = static_cast<const QGridLayout*>(layout());
    for (int row = 0; row + 1 < pGrid->rowCount(); ++row) {
        const auto* pKeys = qobject_cast<const QLabel*>(pGrid->itemAtPosition(row, 0)->widget());
        const auto* pWhat = qobject_cast<const QLabel*>(pGrid->itemAtPosition(row, 1)->widget());
        text += pKeys->text() + QStringLiteral("  ") + pWhat->text() + QLatin1Char('\n');
    }
    return text;
}
