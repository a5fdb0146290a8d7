// The view: everything that concerns the picture. It owns the skin window and
// the screen window, the skin catalog, the screen decoder with its pictures,
// the zoom factor, and the movie being recorded: an AVI sampled by a 200 ms
// timer, or an MP4 that takes every picture when it is shown.
//
// The serial driver hands it each payload (OnPortFrame) and the end of a
// connection (ResetScreen) on the UI thread, through the UI hand-over.
#pragma once

#include "app/MovieReport.h"
#include "codec/ScreenDecoder.h"
#include "display/PictureHost.h"
#include "display/SkinCatalog.h"
#include "display/SkinDisplay.h"
#include "link/LinkOwner.h"

#include <QBasicTimer>
#include <QElapsedTimer>
#include <QWidget>

#include <functional>
#include <memory>
#include <string>

class CScreenWnd;
class CSkinWnd;
class IViewOwner;
class CMovieRecording;
namespace lumetto {
class CAviRecorder;
}

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

    // ILinkOwner
    void OnPortFrame(const std::uint8_t* pPayload, std::uint32_t nLength) override;
    void ResetScreen(bool bShowStored) override;
    bool ShowsReceivedScreens() const override;
    void OnConnectionLost() override;
    void OnCloseNotice() override;

    // IPictureHost
    void GetScreenFormat(int& nWidth, int& nHeight, int& nFormat) const override;
    bool IsRecording() const override { return m_bRecording; }
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

    // Recording in the format the name's extension asks for (CMovieRecording).
    // An encoded movie takes screens of any size; an AVI's frames have its
    // screen's size: a screen of another size ends it (MovieEnd::SizeChanged,
    // the owner may start the next file) once the AVI is a second old; until
    // then, and for sizes that come and go faster, frames are written only
    // while the screen has the AVI's size. StartRecording shows the program's message when the
    // movie cannot be opened and returns false.
    bool StartRecording(const std::string& strPath);
    void StopRecording();
    // One frame of an AVI movie: the screen window's current picture.
    void OnTimer();
    // Sets the AVI recording period (tests shorten it); 200 ms in the program.
    void SetFramePeriodMs(int nMs) { m_nFramePeriodMs = nMs; }
    // Sets how old an AVI must be before a new screen size ends it (tests
    // change it); 1000 ms in the program.
    void SetAviSizeHoldMs(int nMs) { m_nAviSizeHoldMs = nMs; }
    // MP4 movies: the scale factor (0: the rule for the picture's height), and
    // whether they show the phone in its skin. For the next movie.
    void SetRecordScale(int nScale) { m_nRecordScale = nScale; }
    void SetMoviesWithSkin(bool bOn) { m_bMoviesWithSkin = bOn; }
    bool MoviesWithSkin() const { return m_bMoviesWithSkin; }
    // The AVI movie being recorded, else null.
    const lumetto::CAviRecorder* Recorder() const;
    // Frames in the movie being recorded.
    long long RecordedFrames() const;

    // Whether the screen window shows a received screen now.
    bool HasLivePicture() const;

    // Hooks for the application: a payload left a live picture, the phone
    // sent its closing notice, the device went away.
    std::function<void()> onLivePicture;
    std::function<void()> onCloseNotice;
    std::function<void()> onConnectionLost;
    // A movie ended, by StopRecording or by itself (the phone paused, its
    // screen changed size, a frame could not be written). A movie that ended
    // by itself before its first frame has been removed. On a size change
    // this comes after the new picture is shown.
    std::function<void(const MovieSummary&, MovieEnd)> onMovieEnded;
    // A received screen is on the screen window (its repaint has finished).
    std::function<void()> onFrameShown;

protected:
    void timerEvent(QTimerEvent* pEvent) override;

private:
    MovieSummary EndMovie(bool bRemoveEmpty);
    void LoadWaitingPicture(int nPlatform);
    // Whether a screen of nWidth x nHeight ends the AVI being recorded now.
    bool EndsAvi(int nWidth, int nHeight) const;
    void EndMovieAndTell(MovieEnd eWhy);

    IViewOwner* m_pOwner;
    CSkinWnd* m_pSkinWnd;
    CScreenWnd* m_pScreenWnd;
    CSkinDisplay m_skinDisplay;
    CSkinCatalog m_catalog;
    CScreenDecoder m_decoder;
    bool m_bFirstSize = true;
    int m_nZoom = 1;
    std::unique_ptr<CMovieRecording> m_pMovie;
    bool m_bRecording = false;
    QBasicTimer m_timer;
    QBasicTimer m_markTimer;       // the recording mark's time, once a second
    QElapsedTimer m_recordingTime; // since this movie file began
    bool m_bIndicatorInPresentation = true;
    int m_nFramePeriodMs = 200;
    int m_nAviSizeHoldMs = 1000;
    int m_nRecordScale = 0;
    bool m_bMoviesWithSkin = false;
    std::string m_strWaiting;
};
