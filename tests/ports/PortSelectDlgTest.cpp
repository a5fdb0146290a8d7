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
#include <cstring>
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

// Reports the given DOS device names; each port is shown as its name followed
// by strShownAfter (nothing more when that is empty).
class CListQuery : public IComPortQuery {
public:
    explicit CListQuery(std::vector<std::string> names, std::string strShownAfter = " (/dev/fake)")
        : m_names(std::move(names)), m_strShownAfter(std::move(strShownAfter)) {}
    bool bVersionOk = true;

    bool QueryVersion(std::uint32_t& dwId) override {
        dwId = VER_PLATFORM_WIN32_NT;
        return bVersionOk;
    }
    std::uint32_t LastError() override { return 5; }
    std::uint32_t QueryDosDeviceNames(char* pBuffer, std::uint32_t nCapacity) override {
        std::string s;
        for (const std::string& n : m_names)
            s += n + '\0';
        s += '\0';
        if (s.size() > nCapacity)
            return 0;
        std::memcpy(pBuffer, s.data(), s.size());
        return static_cast<std::uint32_t>(s.size());
    }
    std::string FriendlyName(const std::string& strPortName) override {
        return m_strShownAfter.empty() ? std::string() : strPortName + m_strShownAfter;
    }
    std::vector<std::string> NamedPorts() override { return named; }
    std::vector<std::string> named; // the program's own ports

private:
    std::vector<std::string> m_names;
    std::string m_strShownAfter;
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
    CListQuery query({"COM12", "COM2", "LPT1", "COM1"});
    CPortSelectDlg dlg;
    dlg.SetPortQuery(&query);
    QStringList shown;
    bool bListHasFocus = false;
    const int nResult = Run(dlg, [&] {
        shown = Entries(dlg);
        bListHasFocus = dlg.focusWidget() == dlg.PortList();
        EXPECT_EQ(dlg.PortList()->currentRow(), 0);
        EXPECT_FALSE(dlg.EmptyListNote()->isVisible());
        dlg.OkButton()->click();
    });
    EXPECT_EQ(shown, (QStringList{"COM12 (/dev/fake)", "COM2 (/dev/fake)", "COM1 (/dev/fake)"}));
    EXPECT_TRUE(bListHasFocus);
    EXPECT_EQ(nResult, IDOK);
    EXPECT_EQ(dlg.GetPortName(), "COM12"); // the preselected entry
    EXPECT_EQ(m_presenter.Count(), 0u);
    EXPECT_EQ(dlg.windowTitle(), "COM ports");
}

TEST_F(PortSelectDlgTest, OkTakesTheNameFromTheSelectedEntry) {
    const struct {
        std::vector<std::string> ports;
        const char* szShownAfter;
        int nRow;
        const char* szName;
        bool bMessage;
        std::vector<std::string> named = {};
    } cases[] = {
        {{"COM1", "COM3"}, " (/dev/fake)", 1, "COM3", false},
        {{"COM1", "COM12"}, "", 1, "COM12", false},
        {{"COMX"}, " then COM5", 0, "COM5", false}, // "COMX then COM5"
        {{"COMX"}, "", 0, "COM", true},
        {{"com4"}, "", 0, "COM", true},
        {{"com4"}, " (/dev/fake)", 0, "COM", true},
        // A port of the program's own is taken by its name, COM in it or not.
        {{"COM1"}, " (/dev/fake)", 1, "Demo phone", false, {"Demo phone"}},
        {{"COM1"}, " (/dev/fake)", 1, "Demo COM7", false, {"Demo COM7"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.szName);
        CScopedRecordingPresenter presenter;
        CListQuery query(c.ports, c.szShownAfter);
        query.named = c.named;
        CPortSelectDlg dlg;
        dlg.SetPortQuery(&query);
        const int nResult = Run(dlg, [&] {
            dlg.PortList()->setCurrentRow(c.nRow);
            dlg.OkButton()->click();
        });
        EXPECT_EQ(nResult, IDOK);
        EXPECT_EQ(dlg.GetPortName(), c.szName);
        ASSERT_EQ(presenter.Count(), c.bMessage ? 1u : 0u);
        if (c.bMessage) {
            const auto msg = presenter.Messages().front();
            EXPECT_EQ(msg.strText, "Selection of the communication port has failed");
            EXPECT_EQ(msg.strCaption, "Morvane Lumetto");
            EXPECT_EQ(msg.eIcon, MessageIcon::Warning);
        }
    }
}

TEST_F(PortSelectDlgTest, TheLastPortOpenedIsPreselectedWhileItIsListed) {
    const struct {
        const char* szPreferred; // as remembered: a COM name or a device path
        const char* szShownAfter;
        int nRow;
    } cases[] = {
        {"COM3", " (/dev/fake)", 2},
        {"/dev/ttyACM0", " (/dev/ttyACM0)", 0}, // the first entry naming that device
        {"COM9", " (/dev/fake)", 0},            // gone: the first entry, as without one
        {"COM1", " (/dev/fake)", 1},            // "COM12" does not name it
        {"", " (/dev/fake)", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.szPreferred);
        CListQuery query({"COM12", "COM1", "COM3"}, c.szShownAfter);
        CPortSelectDlg dlg;
        dlg.SetPortQuery(&query);
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

TEST_F(PortSelectDlgTest, AnEmptyListSaysHowToAddAPortAndOkGivesCom) {
    CListQuery query({"LPT1"});
    CPortSelectDlg dlg;
    dlg.SetPortQuery(&query);
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
    EXPECT_EQ(dlg.GetPortName(), "COM");
    ASSERT_EQ(m_presenter.Count(), 1u);
    EXPECT_EQ(m_presenter.Messages().front().strText,
              "Selection of the communication port has failed");
}

TEST_F(PortSelectDlgTest, TheEnumerationErrorPassesOutAndTheDialogNeverShows) {
    CListQuery query({"COM1"});
    query.bVersionOk = false;
    CPortSelectDlg dlg;
    dlg.SetPortQuery(&query);
    try {
        dlg.DoModal();
        ADD_FAILURE() << "no error raised";
    } catch (const std::string& strError) {
        EXPECT_EQ(strError, "Could not get OS version. (err=5)");
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
