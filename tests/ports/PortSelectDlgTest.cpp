// The "COM ports" dialog driven without a person on the offscreen platform:
// filling, choosing, the port name on OK, and the ways out.
#include "ports/PortSelectDlg.h"

#include "platform/RecordingPresenter.h"
#include "ports/ComPortQuery.h"

#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

// One application object for the whole run, made before the first test and
// deleted after the last, while the test tool's own objects still live.
class CQtEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        // No person and no display: the offscreen platform, unless one was chosen.
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        m_pApp = new QApplication(m_argc, m_argv);
    }
    void TearDown() override {
        delete m_pApp;
        m_pApp = nullptr;
    }

private:
    int m_argc = 1;
    char m_arg0[24] = "test_port_select_dlg";
    char* m_argv[2] = {m_arg0, nullptr};
    QApplication* m_pApp = nullptr;
};

[[maybe_unused]] ::testing::Environment* const g_pQtEnvironment =
    ::testing::AddGlobalTestEnvironment(new CQtEnvironment);

// Reports the given ports: a name, or "name=device" (a device path shown
// after it).
class CListQuery : public IComPortQuery {
public:
    explicit CListQuery(std::vector<std::string> ports) : m_ports(std::move(ports)) {}
    bool bFails = false;

    PortInfoArray QueryPorts() override {
        if (bFails)
            throw std::string("The serial ports cannot be listed.");
        PortInfoArray ports;
        for (const std::string& entry : m_ports) {
            PortInfo port;
            const std::size_t eq = entry.find('=');
            port.strPortName = entry.substr(0, eq);
            if (eq != std::string::npos)
                port.strDevicePath = entry.substr(eq + 1);
            ports.push_back(port);
        }
        return ports;
    }

private:
    std::vector<std::string> m_ports;
};

class PortSelectDlgTest : public ::testing::Test {
protected:
    // Runs the dialog modally; fnAct runs once it shows and must end it.
    int Run(CPortSelectDlg& dlg, const std::function<void()>& fnAct) {
        bool bStuck = false;
        QTimer::singleShot(0, &dlg, [&] {
            EXPECT_TRUE(dlg.isVisible());
            fnAct();
        });
        QTimer deadline; // should the action not end the dialog
        deadline.setSingleShot(true);
        QObject::connect(&deadline, &QTimer::timeout, &dlg, [&] {
            bStuck = true;
            dlg.done(QDialog::Rejected);
        });
        deadline.start(30000);
        const int nResult = dlg.DoModal();
        EXPECT_FALSE(bStuck) << "the dialog did not end";
        return nResult;
    }

    static QStringList Entries(const CPortSelectDlg& dlg) {
        QStringList texts;
        for (int i = 0; i < dlg.PortList()->count(); ++i)
            texts << dlg.PortList()->item(i)->text();
        return texts;
    }

    static void DoubleClickRow(CPortSelectDlg& dlg, int nRow) {
        QListWidget* pList = dlg.PortList();
        const QRect rect = pList->visualItemRect(pList->item(nRow));
        QTest::mouseClick(pList->viewport(), Qt::LeftButton, {}, rect.center());
        QTest::mouseDClick(pList->viewport(), Qt::LeftButton, {}, rect.center());
    }

    CScopedRecordingPresenter m_presenter;
};

} // namespace

TEST_F(PortSelectDlgTest, ListsThePortsInEnumerationOrderWithTheFirstSelected) {
    CListQuery query({"COM12=/dev/a", "COM2=/dev/b", "LPT1", "COM1"});
    CPortSelectDlg dlg;
    dlg.SetPortQuery(&query);
    dlg.SetProgramPorts({"Demo phone"});
    QStringList shown;
    bool bListHasFocus = false;
    const int nResult = Run(dlg, [&] {
        shown = Entries(dlg);
        bListHasFocus = dlg.focusWidget() == dlg.PortList();
        EXPECT_EQ(dlg.PortList()->currentRow(), 0);
        EXPECT_FALSE(dlg.EmptyListNote()->isVisible());
        dlg.OkButton()->click();
    });
    EXPECT_EQ(shown, (QStringList{"COM12 (/dev/a)", "COM2 (/dev/b)", "COM1", "Demo phone"}));
    EXPECT_TRUE(bListHasFocus);
    EXPECT_EQ(nResult, IDOK);
    EXPECT_EQ(dlg.GetPortName(), "COM12"); // the preselected entry
    EXPECT_EQ(m_presenter.Count(), 0u);
    EXPECT_EQ(dlg.windowTitle(), "COM ports");
}

// The port comes from the entry itself, never from its text: a description
// that holds another COM name, or a port of the program's own, cannot mislead.
TEST_F(PortSelectDlgTest, OkTakesThePortOfTheSelectedEntry) {
    const struct {
        std::vector<std::string> ports;
        int nRow;
        const char* szName;
    } cases[] = {
        {{"COM1=/dev/a", "COM3=/dev/b"}, 1, "COM3"},
        {{"COM1=/dev/COM5"}, 0, "COM1"},
        {{"com0004"}, 0, "COM4"},
        {{"COM123=/dev/pts/3"}, 0, "COM123"},
        {{"COM1"}, 1, "Demo COM7"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.szName);
        CListQuery query(c.ports);
        CPortSelectDlg dlg;
        dlg.SetPortQuery(&query);
        dlg.SetProgramPorts({"Demo COM7"});
        const int nResult = Run(dlg, [&] {
            dlg.PortList()->setCurrentRow(c.nRow);
            dlg.OkButton()->click();
        });
        EXPECT_EQ(nResult, IDOK);
        EXPECT_EQ(dlg.GetPortName(), c.szName);
    }
    EXPECT_EQ(m_presenter.Count(), 0u);
}

TEST_F(PortSelectDlgTest, TheLastPortOpenedIsPreselectedWhileItIsListed) {
    const struct {
        const char* szPreferred; // as remembered: a COM name, a device path, a port's own name
        int nRow;
    } cases[] = {
        {"COM3", 2},       {"com03", 2}, {"/dev/ttyACM0", 1}, // the entry of that device
        {"COM9", 0}, // gone: the first entry, as without one
        {"COM1", 1}, // "COM12" does not name it
        {"Demo phone", 3}, {"", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.szPreferred);
        CListQuery query({"COM12=/dev/a", "COM1=/dev/ttyACM0", "COM3=/dev/b"});
        CPortSelectDlg dlg;
        dlg.SetPortQuery(&query);
        dlg.SetProgramPorts({"Demo phone"});
        dlg.SetPreferredPort(c.szPreferred);
        dlg.OnInitDialog();
        EXPECT_EQ(dlg.PortList()->currentRow(), c.nRow);
    }
}

TEST_F(PortSelectDlgTest, ADoubleClickOnAnEntryIsOk) {
    CListQuery query({"COM1", "COM3"});
    CPortSelectDlg dlg;
    dlg.SetPortQuery(&query);
    EXPECT_EQ(Run(dlg, [&] { DoubleClickRow(dlg, 1); }), IDOK);
    EXPECT_EQ(dlg.GetPortName(), "COM3");
}

TEST_F(PortSelectDlgTest, EnterInTheListIsOk) {
    CListQuery query({"COM1", "COM3"});
    CPortSelectDlg dlg;
    dlg.SetPortQuery(&query);
    EXPECT_EQ(Run(dlg,
                  [&] {
                      QTest::keyClick(dlg.PortList(), Qt::Key_Down);
                      QTest::keyClick(dlg.PortList(), Qt::Key_Return);
                  }),
              IDOK);
    EXPECT_EQ(dlg.GetPortName(), "COM3");
}

TEST_F(PortSelectDlgTest, EscapeCancelAndTheCloseBoxLeaveTheNameEmpty) {
    const std::function<void(CPortSelectDlg&)> ways[] = {
        [](CPortSelectDlg& dlg) { QTest::keyClick(dlg.PortList(), Qt::Key_Escape); },
        [](CPortSelectDlg& dlg) { dlg.CancelButton()->click(); },
        [](CPortSelectDlg& dlg) { dlg.close(); },
    };
    int nWay = 0;
    for (const auto& fnWay : ways) {
        SCOPED_TRACE(nWay++);
        CListQuery query({"COM1", "COM3"});
        CPortSelectDlg dlg;
        dlg.SetPortQuery(&query);
        EXPECT_EQ(Run(dlg, [&] { fnWay(dlg); }), IDCANCEL);
        EXPECT_EQ(dlg.GetPortName(), "");
    }
    EXPECT_EQ(m_presenter.Count(), 0u);
}

// Without a serial port the list says how to add one, also below the
// program's own ports; OK on an empty list gives "COM" and says it failed.
TEST_F(PortSelectDlgTest, WithoutASerialPortTheListSaysHowToAddOne) {
    const struct {
        std::vector<std::string> programPorts;
        const char* szName;
        std::size_t nMessages;
    } cases[] = {
        {{}, "COM", 1},
        {{"Demo phone"}, "Demo phone", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.szName);
        CScopedRecordingPresenter presenter;
        CListQuery query({"LPT1"});
        CPortSelectDlg dlg;
        dlg.SetPortQuery(&query);
        dlg.SetProgramPorts(c.programPorts);
        bool bNoteShown = false;
        QString note;
        const int nResult = Run(dlg, [&] {
            bNoteShown = dlg.EmptyListNote()->isVisible();
            note = dlg.EmptyListNote()->text();
            dlg.OkButton()->click();
        });
        EXPECT_TRUE(bNoteShown);
        EXPECT_TRUE(note.contains("No serial port was found"));
        EXPECT_TRUE(note.contains("LUMETTO_PORTS=\"COM7=/dev/pts/3\""));
        EXPECT_EQ(nResult, IDOK);
        EXPECT_EQ(dlg.GetPortName(), c.szName);
        ASSERT_EQ(presenter.Count(), c.nMessages);
        if (c.nMessages > 0) {
            const auto msg = presenter.Messages().front();
            EXPECT_EQ(msg.strText, "Selection of the communication port has failed");
            EXPECT_EQ(msg.strCaption, "Morvane Lumetto");
            EXPECT_EQ(msg.eIcon, MessageIcon::Warning);
        }
    }
}

TEST_F(PortSelectDlgTest, TheQuerysErrorPassesOutAndTheDialogNeverShows) {
    CListQuery query({"COM1"});
    query.bFails = true;
    CPortSelectDlg dlg;
    dlg.SetPortQuery(&query);
    try {
        dlg.DoModal();
        ADD_FAILURE() << "no error raised";
    } catch (const std::string& strError) {
        EXPECT_EQ(strError, "The serial ports cannot be listed.");
    }
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(m_presenter.Count(), 0u);
}

TEST_F(PortSelectDlgTest, ControlsFollowTheTemplatesProportions) {
    CPortSelectDlg dlg;
    const QSize size = dlg.size();
    // 255 x 145 dialog units, each more than a pixel at any readable font size.
    EXPECT_GT(size.width(), 255);
    EXPECT_GT(size.height(), 145);
    EXPECT_EQ(dlg.minimumSize(), dlg.maximumSize()); // not resizable
    const QRect list = dlg.PortList()->geometry();
    const QRect ok = dlg.OkButton()->geometry();
    const QRect cancel = dlg.CancelButton()->geometry();
    EXPECT_TRUE(QRect(QPoint(0, 0), size).contains(list));
    EXPECT_TRUE(QRect(QPoint(0, 0), size).contains(cancel));
    EXPECT_LT(list.bottom(), ok.top());
    EXPECT_LT(ok.right(), cancel.left());
    EXPECT_EQ(ok.top(), cancel.top());
    EXPECT_TRUE(dlg.OkButton()->isDefault());
}
