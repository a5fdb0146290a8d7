// The view: everything that concerns the picture. It owns the skin window and
// the screen window, the skin catalog, the screen decoder with the screen
// model it writes (codec/ScreenModel.h), the zoom factor, and the recording
// (CRecordingController). The screen window and the recording observe the
// model as its sinks.
//
// The serial driver hands it each payload (OnPortFrame) and the end of a
// connection (ResetScreen) on the UI thread, through the UI hand-over.
#pragma once

#include "codec/ScreenDecoder.h"
#include "display/PictureHost.h"
#include "display/SkinCatalog.h"
#include "display/SkinDisplay.h"
#include "link/LinkOwner.h"

#include <QWidget>

#include <functional>
#include <memory>
#include <string>

class CScreenWnd;
class CSkinWnd;
class IViewOwner;
class CRecordingController;

class CQuillonView : public QWidget,
                     public IPictureHost,
                     public ILinkOwner,
                     public IScreenPlatformHost {
public:
    explicit CQuillonView(IViewOwner* pOwner, QWidget* pParent = nullptr);
    ~CQuillonView() override;

    // Sets the title "No connection" and sizes the main window to the skin.
    void OnInitialUpdate();

    CSkinWnd* SkinWindow() const { return m_pSkinWnd; }
    CScreenWnd* ScreenWindow() const { return m_pScreenWnd; }
    CSkinCatalog& Catalog() { return m_catalog; }
    CSkinDisplay& SkinDisplay() { return m_skinDisplay; }
    const CScreenDecoder& Decoder() const { return m_decoder; }
    // The phone's screen: the picture, whether it is live, its observers.
    CScreenModel& Screen() { return m_decoder.Screen(); }
    const CScreenModel& Screen() const { return m_decoder.Screen(); }
    CRecordingController& Recording() { return *m_pRecording; }
    const CRecordingController& Recording() const { return *m_pRecording; }

    // ILinkOwner
    void OnPortFrame(const std::uint8_t* pPayload, std::uint32_t nLength) override;
    void ResetScreen(bool bShowStored) override;
    bool ShowsReceivedScreens() const override;
    void OnConnectionLost() override;
    void OnCloseNotice() override;

    // IPictureHost
    bool IsRecording() const override;
    // "REC!" and the time recorded (m:ss); none in presentation when the
    // indicator is turned off there.
    std::string RecordingMark() const override;
    // View > Show recording indicator: whether presentation shows the mark.
    void SetRecordingIndicator(bool bOn);
    void ResizeToContent(int cx, int cy) override;

    // IScreenPlatformHost
    int CurrentPlatform() const override;
    void SwitchPlatform(int nPlatform) override;

    // The text the waiting picture shows under its heading: what is going
    // on and what to do (lines split by '\n'). Kept across platform switches.
    void SetWaitingText(const std::string& strText);
    const std::string& WaitingText() const { return m_strWaiting; }

    // Zoom 200%: 200 %, or back to 100 % from there.
    void OnZoom();
    // Any whole zoom factor from 1 to 4 (100 % to 400 %).
    void SetZoom(int nZoom);
    int Zoom() const { return m_nZoom; }
    // The largest zoom at which the main window shows the whole skin on its
    // screen (1 when even 100 % does not fit).
    int LargestFittingZoom() const;
    void OnSelectSkin(int nCommandId);

    // Whether the screen window shows a received screen now.
    bool HasLivePicture() const;

    // Hooks for the application: a payload left a live picture, the phone
    // sent its closing notice, the device went away.
    std::function<void()> onLivePicture;
    std::function<void()> onCloseNotice;
    std::function<void()> onConnectionLost;
    // A received screen is on the screen window (its repaint has finished).
    std::function<void()> onFrameShown;

private:
    void LoadWaitingPicture(int nPlatform);

    IViewOwner* m_pOwner;
    CSkinWnd* m_pSkinWnd;
    CScreenWnd* m_pScreenWnd;
    CSkinDisplay m_skinDisplay;
    CSkinCatalog m_catalog;
    CScreenDecoder m_decoder;
    bool m_bFirstSize = true;
    int m_nZoom = 1;
    std::unique_ptr<CRecordingController> m_pRecording;
    bool m_bIndicatorInPresentation = true;
    std::string m_strWaiting;
};
