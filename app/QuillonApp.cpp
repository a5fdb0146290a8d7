#include "app/QuillonApp.h"

#include "app/AboutDlg.h"
#include "app/AppText.h"
#include "app/DemoPhone.h"
#include "app/FileDialogs.h"
#include "app/MainFrame.h"
#include "app/QuillonView.h"
#include "app/Reconnector.h"
#include "app/RecordingController.h"
#include "app/Settings.h"
#include "app/TimeLimit.h"
#include "app/ViewChoices.h"
#include "display/FrameClient.h"
#include "display/ScreenWnd.h"
#include "media/MovieEncoder.h"
#include "media/MovieFormat.h"
#include "platform/ErrorReport.h"
#include "platform/MessagePresenter.h"
#include "platform/SystemError.h"
#include "platform/qt/QtHandOverPump.h"
#include "platform/qt/QtMessagePresenter.h"
#include "platform/qt/QtSignalWatcher.h"
#include "ports/PortSelectDlg.h"
#include "res/ResourceIds.h"
#include "res/Strings.h"

#include <QCoreApplication>
#include <QTimer>

#include <utility>

CQuillonApp::CQuillonApp() = default;

CQuillonApp::~CQuillonApp() {
    ExitInstance();
}

CSettings& CQuillonApp::Settings() {
    if (!m_pSettings) {
        m_pSettings = std::make_unique<CSettings>(m_seams.strSettingsFile);
        // Standard error has it already; a window shows it too.
        m_pSettings->SetUnsavedHandler([this](const std::string& strText) {
            if (!m_options.bNoWindow && !m_bEnded)
                ShowNotice(strText, NoticeKind::Error);
        });
    }
    return *m_pSettings;
}

CQuillonView* CQuillonApp::View() const {
    return m_pMainFrame ? m_pMainFrame->GetActiveView() : nullptr;
}

bool CQuillonApp::InitInstance(const CommandLineOptions& options) {
    m_options = options;
    if (!PrepareRun())
        return false;
    BuildMainWindow();
    ApplyOptions();
    // Connect once the event loop runs, so the window is up first.
    QTimer::singleShot(0, this, [this] { ConnectAtStart(); });
    return true;
}

bool CQuillonApp::PrepareRun() {
    if (m_seams.pPresenter)
        SetMessagePresenter(m_seams.pPresenter);
    if (m_seams.linkTiming)
        m_serial.SetTimingForTests(*m_seams.linkTiming);
    if (m_options.bNoWindow && m_options.strPort.empty() && !m_options.bDemo) {
        ShowMessageBox("Without a window the port cannot be chosen in the \"COM ports\" dialog: "
                       "give it with --port NAME (or use --demo).",
                       AppTitle(), MessageIcon::Error);
        return false;
    }
    QCoreApplication::setOrganizationName(QStringLiteral("Vistorel PC-side"));
    QCoreApplication::setApplicationName(QStringLiteral("Lumetto"));

    m_pPump = std::make_unique<CQtHandOverPump>();
    if (!m_seams.pPresenter && !m_options.bNoWindow) {
        m_pPresenter = std::make_unique<CQtMessagePresenter>();
        SetMessagePresenter(m_pPresenter.get());
    }
    return true;
}

void CQuillonApp::BuildMainWindow() {
    m_pMainFrame = std::make_unique<CMainFrame>();
    CMainFrame* pFrame = m_pMainFrame.get();
    m_pViewChoices = std::make_unique<CViewChoices>(Settings(), *pFrame);
    pFrame->SetSkinsRebuiltHandler(
        [this](int nPlatform) { m_pViewChoices->OnSkinsRebuilt(nPlatform); });
    if (m_pPresenter)
        m_pPresenter->SetOwner(pFrame);
    pFrame->SetCommandHandler([this](int id) { OnCommand(id); });
    pFrame->SetCloseHandler([this] { return AskToClose(); });
    pFrame->SetStateProvider([this] { return CurrentUiState(); });

    CQuillonView* pView = pFrame->GetActiveView();
    pView->onLivePicture = [this] { OnLivePicture(); };
    pView->Recording().onMovieEnded = [this](const MovieSummary& s, MovieEnd e, bool bOfRun) {
        OnMovieEnded(s, e, bOfRun);
    };
    if (!m_options.strCapture.empty())
        pView->Screen().AddSink(&m_lastScreen); // --capture saves the last picture shown
    pView->onConnectionLost = [this] { OnConnectionLost(); };
    pView->onCloseNotice = [this] { OnCloseNotice(); };
}

void CQuillonApp::ApplyOptions() {
    CMainFrame* pFrame = m_pMainFrame.get();
    CQuillonView* pView = pFrame->GetActiveView();
    CRecordingController& rec = pView->Recording();
    rec.SetRecordScale(m_options.nRecordScale);
    rec.SetMoviesWithSkin(m_options.nRecordSkin >= 0 ? m_options.nRecordSkin == 1
                                                     : Settings().MoviesWithSkin());
    pFrame->SetProgramTitle(m_options.strWindowTitle);
    if (!m_seams.strProgramFolder.empty())
        pView->Catalog().SetProgramFolder(m_seams.strProgramFolder);
    // The first layout counts the frame the window had last time.
    if (const auto frame = Settings().WindowFrame(); frame && !m_options.bNoWindow)
        pFrame->Client()->SetFrameGuess(QPoint(frame->first, frame->second));
    pView->OnInitialUpdate();
    SetConnectionTitle(false);
    pView->ScreenWindow()->Relayout();
    m_serial.SetOwnerView(pView);
    pFrame->RebuildSkinMenu(lumetto::kPlatformS60);
    m_pViewChoices->ApplyAtStart(m_options);
    if (!m_options.bNoWindow)
        pFrame->show();

    rec.StartOptionRun(m_options.strRecord);
    if (lumetto::IsEncodedMovie(lumetto::MovieFormatOf(m_options.strRecord)))
        lumetto::PreloadMovieEncoder(); // before the first picture comes

    if (m_options.dTimeLimit > 0)
        m_pTimeLimit =
            std::make_unique<CTimeLimit>(m_options.dTimeLimit, [this] { OnTimeLimit(); });
    m_pSignalWatcher = std::make_unique<CQtSignalWatcher>([this] { Quit(0); });
}

void CQuillonApp::ConnectAtStart() {
    if (m_options.bDemo) {
        if (!OpenPort(CDemoPhone::kPortName) && m_options.bNoWindow)
            Quit(1);
    } else if (!m_options.strPort.empty()) {
        if (OpenOrWaitForPort(m_options.strPort))
            Settings().SetLastPort(m_options.strPort);
        else if (m_options.bNoWindow)
            Quit(1);
    } else if (!m_options.bNoWindow) {
        OnOpenConnection();
    }
}

UiState CQuillonApp::CurrentUiState() {
    UiState s;
    s.bPortOpen = m_serial.IsOpen();
    s.bReconnecting = m_pReconnector && m_pReconnector->IsActive();
    if (CQuillonView* v = View()) {
        s.bLivePicture = v->HasLivePicture();
        s.bRecording = v->IsRecording();
        s.nZoom = v->Zoom();
        s.nFitZoom = v->LargestFittingZoom();
        s.nCurrentSkin = v->Catalog().CurrentIndex();
    }
    s.bMoviesWithSkin = View() ? View()->Recording().MoviesWithSkin() : Settings().MoviesWithSkin();
    s.bRecordingIndicator = Settings().RecordingIndicator();
    return s;
}

void CQuillonApp::OnConnectionLost() {
    // A phone that hangs up right after its closing notice has ended the
    // run as asked. With --no-reconnect the driver has told the user, and
    // without a window nothing is left to do.
    const bool bEnded = m_bPhoneClosed && m_options.bExitOnClose;
    if (bEnded || m_options.bNoReconnect) {
        SetConnectionTitle(false);
        if (m_options.bNoWindow)
            Quit(bEnded ? 0 : 1);
        return;
    }
    // The port stays chosen and is opened again once it is back.
    Reconnector().Start(m_serial.CurrentPortName(), m_serial.LossReason());
    SetConnectionTitle(false, true);
    ShowNotice("Reconnecting to " + m_serial.CurrentPortName());
}

void CQuillonApp::OnCloseNotice() {
    m_bPhoneClosed = true;
    if (m_options.bExitOnClose)
        QTimer::singleShot(0, this, [this] { Quit(0); });
}

int CQuillonApp::ExitInstance() {
    if (m_bEnded)
        return m_nExitStatus;
    m_bEnded = true;
    m_pTimeLimit.reset();
    if (CQuillonView* pView = View()) {
        // --capture saves the last picture shown, even when the phone paused since.
        const std::string& capture = m_options.strCapture;
        if (!capture.empty() && !m_bEverLive)
            ShowMessageBox("No picture came from the phone, so the screenshot \"" + capture +
                               "\" was not saved.",
                           AppTitle(), MessageIcon::Warning);
        if (!capture.empty() && (!m_bEverLive || !SaveLastScreen(capture)))
            m_nExitStatus = 1;
        pView->Recording().Stop();
        if (!m_options.strRecord.empty() && !m_bEverLive) {
            ShowMessageBox("No picture came from the phone, so nothing was recorded into \"" +
                               m_options.strRecord + "\".",
                           AppTitle(), MessageIcon::Warning);
            m_nExitStatus = 1;
        }
    }
    // The view goes first: the driver then ends without writing to the phone.
    m_serial.SetOwnerView(nullptr);
    m_serial.Close(true);
    m_pDemo.reset();
    if (m_pViewChoices && !m_options.bNoWindow)
        m_pViewChoices->SaveWindowPosition();
    m_pViewChoices.reset();
    if (m_pSettings)
        m_pSettings->Sync();
    m_pMainFrame.reset();
    SetMessagePresenter(nullptr);
    m_pPresenter.reset();
    m_pPump.reset();
    m_pSignalWatcher.reset();
    return m_nExitStatus;
}

void CQuillonApp::Quit(int nStatus) {
    if (nStatus != 0)
        m_nExitStatus = nStatus;
    if (m_pMainFrame)
        m_pMainFrame->CloseWithoutAsking();
    QCoreApplication::exit(m_nExitStatus);
}

std::optional<std::string> CQuillonApp::ChoosePort() {
    if (m_seams.fnChoosePort)
        return m_seams.fnChoosePort();
    CPortSelectDlg dlg(m_pMainFrame.get());
    dlg.SetProgramPorts({CDemoPhone::kPortName}); // always there to try the program
    dlg.SetPreferredPort(Settings().LastPort());
    try {
        if (dlg.DoModal() != IDOK)
            return std::nullopt;
    } catch (const std::string& strError) {
        ShowMessageBox(strError, AppTitle(), MessageIcon::Warning);
        return std::nullopt;
    }
    return dlg.GetPortName();
}

void CQuillonApp::OnOpenConnection() {
    // Choosing Open connection ends the attempts to reopen a lost port.
    const bool bWasReconnecting = m_pReconnector && m_pReconnector->Stop();
    const auto name = ChoosePort();
    if (!name || !View()) {
        if (bWasReconnecting)
            SetConnectionTitle(false);
        return;
    }
    if (OpenOrWaitForPort(*name))
        Settings().SetLastPort(*name);
}

bool CQuillonApp::OpenOrWaitForPort(const std::string& strPortName) {
    if (m_options.bNoReconnect || strPortName == CDemoPhone::kPortName)
        return OpenPort(strPortName);
    if (OpenPort(strPortName, true))
        return true;
    // Any other failure (no permission, a busy port) is told at once, as
    // before: waiting would not mend it. The quiet open kept its text.
    if (m_serial.LastOpenErrorCode() != kSystemNotFound) {
        if (m_serial.LastOpenError().empty())
            return OpenPort(strPortName);
        ShowMessageBox(m_serial.LastOpenError(), CErrorReport::kCaption, MessageIcon::Information);
        SetConnectionTitle(false);
        return false;
    }
    // A phone not plugged in yet: the port is tried every second, as a lost
    // one is, until it appears or the user closes the connection.
    m_bWaitedForPort = true;
    Reconnector().WaitForDevice(strPortName);
    SetConnectionTitle(false, true);
    if (!m_options.bNoWindow) // standard error has the reconnector's line
        ShowNotice("Waiting for the phone on " + strPortName + ": plug it in");
    return true;
}

bool CQuillonApp::OpenPort(const std::string& strPortName, bool bQuiet) {
    CQuillonView* pView = View();
    if (!pView)
        return false;
    if (strPortName == CDemoPhone::kPortName && !StartDemoPhone(bQuiet))
        return false;
    // A lost connection is told in a box only when it is not opened again.
    m_serial.SetLossReport(m_options.bNoReconnect);
    if (!m_serial.Open(pView, strPortName, bQuiet)) {
        if (!bQuiet)
            SetConnectionTitle(false);
        return false;
    }
    SetConnectionTitle(true);
    m_serial.StartMonitor();
    return true;
}

bool CQuillonApp::StartDemoPhone(bool bQuiet) {
    if (m_pDemo)
        return true;
    auto pDemo = std::make_unique<CDemoPhone>();
    std::string path, error;
    if (!pDemo->Start(lumetto::kPlatformS60, path, error)) {
        if (!bQuiet)
            ShowMessageBox(error, AppTitle(), MessageIcon::Error);
        return false;
    }
    m_pDemo = std::move(pDemo);
    return true;
}

CReconnector& CQuillonApp::Reconnector() {
    if (!m_pReconnector)
        m_pReconnector = std::make_unique<CReconnector>(
            [this](const std::string& strPort) { return OpenPort(strPort, true); });
    return *m_pReconnector;
}

void CQuillonApp::OnCloseConnection() {
    // Ctrl+C is this command: a movie is not ended by a copy habit unasked.
    if (CQuillonView* pView = View();
        pView && pView->IsRecording() &&
        !MessagePresenter().AskOkCancel("Close the connection and end the recording?", AppTitle()))
        return;
    if (m_pReconnector)
        m_pReconnector->Stop();
    if (!m_serial.Close(true)) {
        ShowMessageBox(FormatStringResource(IDS_CANNOT_CLOSE_PORT, m_serial.CurrentPortName()),
                       AppTitle(), MessageIcon::Information);
        return;
    }
    if (m_pMainFrame) {
        SetConnectionTitle(false);
        View()->ScreenWindow()->Relayout();
    }
}

void CQuillonApp::SetConnectionTitle(bool bConnected, bool bReconnecting) {
    if (!m_pMainFrame)
        return;
    const std::string port = m_serial.CurrentPortName();
    const bool bWaiting = bReconnecting && m_pReconnector && m_pReconnector->IsWaitingForDevice();
    std::string strTitle = LoadStringResource(IDS_NO_CONNECTION);
    if (bConnected || bReconnecting)
        strTitle =
            FormatStringResource(IDS_PORT_TITLE, port) + (bWaiting ? " - waiting for the phone"
                                                          : bReconnecting ? " - reconnecting"
                                                                          : "");
    m_pMainFrame->Document().SetTitle(strTitle);
    // The waiting picture says what is going on and what to do.
    if (bWaiting)
        View()->SetWaitingText("Waiting for " + port +
                               " to appear.\nPlug in the phone or turn on its Bluetooth link.");
    else if (bReconnecting)
        View()->SetWaitingText("Reconnecting to " + port +
                               "...\nCheck the phone's cable or Bluetooth link.");
    else if (bConnected)
        View()->SetWaitingText("Connected to " + port + ".\nStart the sender on the phone.");
    else
        View()->SetWaitingText("No connection.\nOpen one from the File menu, then start the "
                               "sender on the phone.");
}

void CQuillonApp::OnTimeLimit() {
    // A phone that was waited for and never came: the run did not do what
    // it was asked.
    if (m_bWaitedForPort && !m_bEverLive) {
        PrintLine("no picture came from " + m_serial.CurrentPortName() + " before the time limit");
        Quit(1);
        return;
    }
    Quit(0);
}

void CQuillonApp::OnAppAbout() {
    CAboutDlg dlg(m_pMainFrame.get());
    dlg.exec();
}

bool CQuillonApp::AskToClose() {
    CQuillonView* pView = View();
    if (pView && pView->HasLivePicture() &&
        !MessagePresenter().AskOkCancel(LoadStringResource(IDS_CONFIRM_EXIT), AppTitle()))
        return false;
    if (pView)
        pView->Recording().Stop();
    return true;
}
