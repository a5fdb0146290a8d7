#include "ports/PortSelectDlg.h"

#include "platform/MessagePresenter.h"
#include "ports/PortEnumeration.h"
#include "res/ResourceIds.h"
#include "res/Strings.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRect>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {

// The dialog's layout in dialog units: its template's, 100 units wider so
// that an entry shows what its device is ("COM2 — Maker Product (USB,
// /dev/ttyACM0)") without scrolling; the buttons stay centred.
struct SDlgRect {
    int x, y, cx, cy;
};
constexpr int kWider = 100;
constexpr SDlgRect kDialog = {0, 0, 255 + kWider, 145};
constexpr SDlgRect kList = {30, 29, 194 + kWider, 71};
constexpr SDlgRect kOk = {71 + kWider / 2, 120, 50, 14};
constexpr SDlgRect kCancel = {133 + kWider / 2, 120, 50, 14};
constexpr SDlgRect kGroup = {18, 14, 218 + kWider, 91};

// Pixels per dialog unit for a font: a quarter of the average letter width
// across, an eighth of the line height down.
struct SDlgUnits {
    double dX;
    double dY;

    explicit SDlgUnits(const QFont& font) {
        const QFontMetricsF fm(font);
        const QString letters =
            QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
        dX = fm.horizontalAdvance(letters) / letters.size() / 4.0;
        dY = fm.height() / 8.0;
    }
    int X(int n) const { return static_cast<int>(std::lround(n * dX)); }
    int Y(int n) const { return static_cast<int>(std::lround(n * dY)); }
    QRect Rect(const SDlgRect& r) const { return {X(r.x), Y(r.y), X(r.cx), Y(r.cy)}; }
};

QString FromUtf8(const std::string& s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

// The item data that holds an entry's port name.
constexpr int kPortNameRole = Qt::UserRole;

} // namespace

const char* CPortSelectDlg::EmptyListText() {
    return "No serial port was found.\n"
           "Plug the phone in, pair its Bluetooth serial link, or set LUMETTO_PORTS "
           "(for example LUMETTO_PORTS=\"COM7=/dev/pts/3\"), then open the connection again.";
}

CPortSelectDlg::CPortSelectDlg(QWidget* pParent)
    : QDialog(pParent ? pParent : QApplication::activeWindow(),
              Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                  Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                  Qt::MSWindowsFixedSizeDialogHint) {
    BuildControls();
}

CPortSelectDlg::~CPortSelectDlg() = default;

void CPortSelectDlg::BuildControls() {
    setWindowTitle(QStringLiteral("COM ports"));
    setModal(true);

    const SDlgUnits units(font());
    setFixedSize(units.X(kDialog.cx), units.Y(kDialog.cy));

    // Created in tab order: the list, OK, Cancel; the group box takes no focus.
    m_listPorts = new QListWidget(this);
    m_listPorts->setObjectName(QStringLiteral("IDC_PORT_LIST"));
    m_listPorts->setGeometry(units.Rect(kList));
    m_listPorts->setSortingEnabled(false);
    m_listPorts->setSelectionMode(QAbstractItemView::SingleSelection);
    m_listPorts->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_listPorts->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_listPorts->setFocusPolicy(Qt::StrongFocus);

    m_pOk = new QPushButton(QStringLiteral("OK"), this);
    m_pOk->setObjectName(QStringLiteral("IDOK"));
    m_pOk->setGeometry(units.Rect(kOk));
    m_pOk->setDefault(true);

    m_pCancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_pCancel->setObjectName(QStringLiteral("IDCANCEL"));
    m_pCancel->setGeometry(units.Rect(kCancel));

    m_pGroup = new QGroupBox(QStringLiteral("Select a COM port for connection"), this);
    m_pGroup->setGeometry(units.Rect(kGroup));
    m_pGroup->lower(); // behind the list it frames

    setTabOrder(m_listPorts, m_pOk);
    setTabOrder(m_pOk, m_pCancel);

    // While the list holds no serial port, the list itself says why and
    // what to do.
    m_pEmptyNote = new QLabel(QString::fromLatin1(EmptyListText()));
    m_pEmptyNote->setWordWrap(true);
    m_pEmptyNote->setAlignment(Qt::AlignCenter);
    m_pEmptyNote->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_pEmptyNote->setForegroundRole(QPalette::PlaceholderText);
    auto* pNoteLayout = new QVBoxLayout(m_listPorts->viewport());
    pNoteLayout->setContentsMargins(6, 4, 6, 4);
    pNoteLayout->addWidget(m_pEmptyNote);
    m_pEmptyNote->hide();

    connect(m_pOk, &QPushButton::clicked, this, &CPortSelectDlg::accept);
    connect(m_pCancel, &QPushButton::clicked, this, &CPortSelectDlg::reject);
    connect(m_listPorts, &QListWidget::itemDoubleClicked, this, [this] { OnOK(); });
}

int CPortSelectDlg::DoModal() {
    OnInitDialog();
    return exec() == QDialog::Accepted ? IDOK : IDCANCEL;
}

void CPortSelectDlg::OnInitDialog() {
    PortInfoArray ports;
    if (m_pQuery)
        EnumerateComPorts(ports, *m_pQuery, m_programPorts);
    else
        EnumerateComPorts(ports, m_programPorts);

    m_listPorts->clear();
    int preferred = -1;
    bool bSystemPort = false;
    for (const PortInfo& port : ports) {
        if (preferred < 0 && NamesPort(port, m_strPreferred))
            preferred = m_listPorts->count();
        bSystemPort = bSystemPort || !port.bNamed;
        auto* pItem = new QListWidgetItem(FromUtf8(port.strFriendlyName), m_listPorts);
        pItem->setToolTip(pItem->text());
        pItem->setData(kPortNameRole, FromUtf8(port.strPortName));
    }
    if (m_listPorts->count() > 0)
        m_listPorts->setCurrentRow(std::max(preferred, 0));
    // Below the program's own ports, or alone in an empty list.
    m_pEmptyNote->setAlignment(m_listPorts->count() > 0 ? Qt::AlignHCenter | Qt::AlignBottom
                                                        : Qt::AlignCenter);
    m_pEmptyNote->setVisible(!bSystemPort);
    m_listPorts->setFocus();
}

void CPortSelectDlg::accept() {
    OnOK();
}

void CPortSelectDlg::OnOK() {
    const QList<QListWidgetItem*> selected = m_listPorts->selectedItems();
    if (selected.isEmpty()) {
        m_strPort = "COM";
        ShowMessageBox(LoadStringResource(IDS_PORT_SELECTION_FAILED),
                       LoadStringResource(IDS_APP_TITLE), MessageIcon::Warning);
    } else {
        m_strPort = selected.front()->data(kPortNameRole).toString().toStdString();
    }
    QDialog::accept();
}
