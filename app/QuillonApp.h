// The application object: owns the serial port driver for the whole run,
// builds the main window, and handles the connection, recording, capture and
// About commands.
#pragma once

#include "app/CommandLine.h"
#include "app/LastScreen.h"
#include "app/MovieReport.h"
#include "app/NoticeSink.h"
#include "link/SerialPort.h"

#include <QObject>

#include <functional>
#include <memory>
#include <optional>
#include <string>

class CMainFrame;
class CQuillonView;
class CQtHandOverPump;
class CDemoPhone;
class CReconnector;
class CQtMessagePresenter;
class CSettings;
class CTimeLimit;
class CViewChoices;
class IMessagePresenter;
class IFileDialogs;
class CQtSignalWatcher;
struct UiState;

class CQuillonApp : public QObject, public INoticeSink {
public:
    CQuillonApp();
    ~CQuillonApp() override;

    // Builds the main window and starts as the options say: the "COM ports"
    // dialog, or the port of --port, or the built-in phone of --demo. False
    // when the program cannot start (the reason was shown).
    bool InitInstance(const CommandLineOptions& options);
    // Ends the run: finishes a recording, saves --capture, closes the port
    // and destroys the windows. Returns the program's exit status.
    int ExitInstance();

    // Commands (the menu and keyboard route them here after their rule):
    // runs the command's row of the command table, or selects a skin.
    void OnCommand(int nCommandId);
    void OnOpenConnection();
    void OnCloseConnection();
    void OnRecordMovie();
    void OnStopRecording();
    void OnCaptureScreen();
    void OnCopyScreen();
    void OnQuickCapture();
    void OnAppAbout();
    // The caption: the port, "<port> - reconnecting", "<port> - waiting for
    // the phone", or "No connection"; the waiting picture says the same.
    void SetConnectionTitle(bool bConnected, bool bReconnecting = false);

    // Opens a port by name and starts monitoring it; shows the driver's
    // errors unless bQuiet. Used by the dialog, --port, --demo and the
    // reconnection. The demo's phone (CDemoPhone::kPortName) is started
    // first when it does not run yet.
    bool OpenPort(const std::string& strPortName, bool bQuiet = false);
    // Opens a port the user chose (the dialog, --port); when no device
    // answers to the name yet, waits for it (unless --no-reconnect) and
    // returns true.
    bool OpenOrWaitForPort(const std::string& strPortName);

    // INoticeSink: over the picture, or on standard error without a window.
    void ShowNotice(const std::string& strText, NoticeKind eKind = NoticeKind::Info) override;

    // Ends the program as Exit does, without the exit question.
    void Quit(int nStatus = 0);

    CMainFrame* MainWindow() const { return m_pMainFrame.get(); }
    // The remembered choices (read at start, written as they change).
    CSettings& Settings();
    // The attempts to open a lost connection again; null before the first loss.
    const CReconnector* Reconnection() const { return m_pReconnector.get(); }
    CQuillonView* View() const;
    // The View choices (zoom, skins, presentation); only while the window is.
    CViewChoices& ViewChoices() { return *m_pViewChoices; }
    // The serial port driver, for the whole run.
    const CSerialPort& Serial() const { return m_serial; }

    // What a test puts in place of the desktop's, before InitInstance; what
    // is left empty stays the desktop's.
    struct Seams {
        std::string strSettingsFile;             // instead of the user's settings
        std::string strProgramFolder;            // whose "skins" folder is read
        IMessagePresenter* pPresenter = nullptr; // message boxes (not owned)
        IFileDialogs* pFileDialogs = nullptr;    // the save dialogs (not owned)
        // The "COM ports" dialog: the chosen name, or nothing for Cancel.
        std::function<std::optional<std::string>()> fnChoosePort;
        std::optional<CSerialPort::Timing> linkTiming; // the link's waits
    };
    Seams& TestSeams() { return m_seams; }

private:
    // The steps of InitInstance: the message presenter, the hand-over and the
    // checks that may refuse the run (false, said); the main window and the
    // hooks of its frame and view; the options applied to them, the time
    // limit and the signals; the connection the options ask for.
    bool PrepareRun();
    void BuildMainWindow();
    void ApplyOptions();
    void ConnectAtStart();
    // Starts the demo's phone unless it runs; false (told unless bQuiet) when
    // it cannot start.
    bool StartDemoPhone(bool bQuiet);
    UiState CurrentUiState();
    void OnConnectionLost();
    void OnCloseNotice();
    bool AskToClose();
    void OnLivePicture();
    void OnTimeLimit();
    IFileDialogs& FileDialogs();
    std::optional<std::string> ChoosePort();
    bool SaveScreenshot(const CScreenDib& dib, const std::string& strPath);
    bool SaveLastScreen(const std::string& strPath);
    bool TakeSnapshot();
    const CScreenDib* LivePicture() const;
    CReconnector& Reconnector();
    void StartRecordOption();
    void OnMovieEnded(const MovieSummary& s, MovieEnd eWhy, bool fromOption);

    CSerialPort m_serial;
    Seams m_seams;
    CommandLineOptions m_options;
    std::unique_ptr<CSettings> m_pSettings;
    std::unique_ptr<CQtHandOverPump> m_pPump;
    std::unique_ptr<CQtMessagePresenter> m_pPresenter;
    std::unique_ptr<IFileDialogs> m_pOwnFileDialogs;
    CLastScreen m_lastScreen; // for --capture at the end (outlives the window's model)
    std::unique_ptr<CMainFrame> m_pMainFrame;
    std::unique_ptr<CViewChoices> m_pViewChoices;
    std::unique_ptr<CDemoPhone> m_pDemo;
    std::unique_ptr<CReconnector> m_pReconnector;
    std::unique_ptr<CQtSignalWatcher> m_pSignalWatcher; // SIGINT, SIGTERM: Quit(0)
    std::unique_ptr<CTimeLimit> m_pTimeLimit;
    std::unique_ptr<CScreenDib> m_pSnapshot; // the screen as Capture screen found it
    bool m_bEverLive = false;                // a picture of the phone was shown
    bool m_bPhoneClosed = false;             // the phone sent its closing notice
    bool m_bWaitedForPort = false;           // a chosen port did not exist yet and was waited for
    int m_nExitStatus = 0;
    bool m_bEnded = false;
};
