#include "app/QuillonView.h"

#include "app/MainFrame.h"
#include "display/ScreenWnd.h"
#include "display/SkinMenu.h"
#include "display/SkinWnd.h"
#include "media/AviRecorder.h"
#include "platform/MessagePresenter.h"
#include "res/ResourceIds.h"
#include "res/Strings.h"

#include <QTimerEvent>

CQuillonView::CQuillonView(CMainFrame* pFrame, QWidget* pParent)
    : QWidget(pParent), m_pFrame(pFrame), m_pSkinWnd(new CSkinWnd(this, this)),
      m_pScreenWnd(new CScreenWnd(this, this)), m_skinDisplay(m_pSkinWnd, m_pScreenWnd),
      m_catalog(SkinBitmapLoads), m_decoder(this) {
    m_catalog.SetWindows(&m_skinDisplay);

    // The screen window lies above the skin window: it shows the phone's
    // screen inside the skin picture.
    SRect rc;
    m_catalog.GetScreenRect(rc);
    m_pScreenWnd->SetScreenRect(rc.left, rc.top, rc.right, rc.bottom);
    m_pScreenWnd->LoadResourceBitmap(IDB_S60_IDLE);
    m_pSkinWnd->move(0, 0);
    m_pSkinWnd->resize(0, 0);
    m_pSkinWnd->LoadResourceBitmap(IDB_S60_FRAME);
    m_pScreenWnd->SetSkinWindow(m_pSkinWnd);
    m_pSkinWnd->lower();
    m_pScreenWnd->raise();
}

CQuillonView::~CQuillonView() {
    StopRecording();
}

void CQuillonView::OnInitialUpdate() {
    m_pFrame->Document().SetTitle(LoadStringResource(IDS_NO_CONNECTION));
    if (m_bFirstSize) {
        m_bFirstSize = false;
        int cx = 0, cy = 0;
        m_pSkinWnd->GetBitmapSize(cx, cy);
        ResizeToContent(cx, cy);
    }
}

void CQuillonView::OnPortFrame(const std::uint8_t* pPayload, std::uint32_t nLength) {
    m_decoder.DecodeScreen(pPayload, nLength);
    if (!m_decoder.HasPicture())
        return; // nothing to show: no header since the last reset
    const bool wasLive = HasLivePicture();
    if (m_bRecording && (m_decoder.PictureWidth() != m_nRecordWidth ||
                         m_decoder.PictureHeight() != m_nRecordHeight)) {
        // The movie has one picture size: finish it and go on showing.
        StopRecordingWithMessage("The phone's screen size changed, so the recording was "
                                 "stopped. The movie is complete up to that moment.");
    }
    // Only the rows the payload changed travel; the window holds the rest.
    m_pScreenWnd->SetScreenData(m_decoder.ScreenBits(), m_decoder.ChangedRowFirst(),
                                m_decoder.ChangedRowCount());
    m_pScreenWnd->repaint();
    if (onFrameShown)
        onFrameShown();
    if (!wasLive && onLivePicture)
        onLivePicture();
}

void CQuillonView::ResetScreen(bool bShowStored) {
    StopRecording();
    m_pScreenWnd->SetBitmapMode(bShowStored);
    m_pScreenWnd->repaint();
    m_decoder.FreeBuffers();
}

bool CQuillonView::ShowsReceivedScreens() const {
    return HasLivePicture();
}

bool CQuillonView::HasLivePicture() const {
    return m_pScreenWnd->GetScreenBitmap() != nullptr;
}

void CQuillonView::OnConnectionLost() {
    if (onConnectionLost)
        onConnectionLost();
}

void CQuillonView::OnCloseNotice() {
    if (onCloseNotice)
        onCloseNotice();
}

void CQuillonView::GetScreenFormat(int& nWidth, int& nHeight, int& nFormat) const {
    m_decoder.GetScreenFormat(nWidth, nHeight, nFormat);
    if (m_decoder.HasPicture()) {
        // The picture held is what the windows copy and draw.
        nWidth = m_decoder.PictureWidth();
        nHeight = m_decoder.PictureHeight();
    }
}

void CQuillonView::ResizeToContent(int cx, int cy) {
    resize(cx, cy);
    m_pFrame->ResizeToContent(cx, cy);
}

int CQuillonView::CurrentPlatform() const {
    return m_catalog.CurrentPlatform();
}

void CQuillonView::SwitchPlatform(int nPlatform) {
    m_pFrame->RebuildSkinMenu(nPlatform);
    m_pScreenWnd->LoadResourceBitmap(nPlatform == lumetto::kPlatformUIQ ? IDB_UIQ_IDLE
                                                                        : IDB_S60_IDLE);
}

void CQuillonView::OnZoom() {
    m_nZoom = m_nZoom == 1 ? 2 : 1;
    m_pScreenWnd->SetZoom(m_nZoom);
}

void CQuillonView::OnSelectSkin(int nCommandId) {
    m_catalog.OnSelectSkin(nCommandId);
}

bool CQuillonView::StartRecording(const std::string& strPath) {
    if (m_pRecorder) {
        m_pRecorder->Close();
        m_pRecorder.reset();
    }
    m_pRecorder = std::make_unique<lumetto::CAviRecorder>();
    int w = 0, h = 0, f = 0;
    GetScreenFormat(w, h, f);
    if (w <= 0 || h <= 0 || !m_pRecorder->Open(strPath, w, h)) {
        const std::string why = m_pRecorder->GetLastError();
        StopRecording();
        std::string text = LoadStringResource(IDS_VIDEO_NOT_STARTED);
        if (!why.empty())
            text += "\n\n" + why;
        ShowMessageBox(text, LoadStringResource(IDS_APP_TITLE), MessageIcon::Information);
        return false;
    }
    m_nRecordWidth = w;
    m_nRecordHeight = h;
    m_timer.start(m_nFramePeriodMs, Qt::PreciseTimer, this);
    m_bRecording = true;
    m_pScreenWnd->update();
    return true;
}

void CQuillonView::StopRecording() {
    m_timer.stop();
    if (m_pRecorder) {
        m_pRecorder->Close();
        m_pRecorder.reset();
    }
    if (m_bRecording) {
        m_bRecording = false;
        m_pScreenWnd->update();
    }
}

void CQuillonView::StopRecordingWithMessage(const std::string& strMessage) {
    StopRecording();
    if (onRecordingStopped)
        onRecordingStopped(strMessage);
    else
        ShowMessageBox(strMessage, LoadStringResource(IDS_APP_TITLE), MessageIcon::Warning);
}

void CQuillonView::OnTimer() {
    const CScreenDib* pDib = m_pScreenWnd->GetScreenBitmap();
    if (!m_pRecorder || !pDib)
        return;
    if (!m_pRecorder->WriteFrame(pDib->Bits(), pDib->ImageSize()))
        StopRecordingWithMessage("The recording was stopped: " + m_pRecorder->GetLastError() +
                                 "\nThe movie plays up to the last frame written.");
}

void CQuillonView::timerEvent(QTimerEvent* pEvent) {
    if (pEvent->timerId() == m_timer.timerId())
        OnTimer();
    else
        QWidget::timerEvent(pEvent);
}
