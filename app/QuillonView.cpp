#include "app/QuillonView.h"

#include "app/RecordingController.h"
#include "app/ViewOwner.h"
#include "display/ScreenWnd.h"
#include "display/SkinMenu.h"
#include "display/SkinWnd.h"
#include "res/BitmapResources.h"
#include "res/ResourceIds.h"
#include "res/Strings.h"

#include <QFontMetrics>
#include <QPainter>
#include <QScreen>
#include <QTimerEvent>

#include <algorithm>

CQuillonView::CQuillonView(IViewOwner* pOwner, QWidget* pParent)
    : QWidget(pParent), m_pOwner(pOwner), m_pSkinWnd(new CSkinWnd(this, this)),
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

    // The screen window first: a movie that ends at a new size is told
    // after the new picture is shown.
    m_decoder.Screen().AddSink(m_pScreenWnd);
    m_pRecording = std::make_unique<CRecordingController>(m_decoder.Screen(), [this] {
        return CMovieRecording::Skin{m_pSkinWnd->Bitmap(), m_pScreenWnd->ScreenRect()};
    });
    m_pRecording->onMarkChanged = [this] { m_pScreenWnd->RepaintMark(); };
}

CQuillonView::~CQuillonView() {
    m_pRecording.reset();
    // The windows (children) outlive the decoder's model: they let go of it.
    m_decoder.Screen().RemoveSink(m_pScreenWnd);
    m_pScreenWnd->ForgetScreen();
}

void CQuillonView::OnInitialUpdate() {
    m_pOwner->SetDocumentTitle(LoadStringResource(IDS_NO_CONNECTION));
    if (m_bFirstSize) {
        m_bFirstSize = false;
        int cx = 0, cy = 0;
        m_pSkinWnd->GetBitmapSize(cx, cy);
        ResizeToContent(cx, cy);
    }
}

void CQuillonView::OnPortFrame(const std::uint8_t* pPayload, std::uint32_t nLength) {
    const bool wasLive = HasLivePicture();
    // The model tells its sinks: the screen window repaints the rows the
    // payload changed, the recording takes the picture.
    m_decoder.DecodeScreen(pPayload, nLength);
    if (!HasLivePicture())
        return; // nothing to show: no header yet, or a payload that did not fit the kept picture
    if (onFrameShown)
        onFrameShown();
    if (!wasLive && onLivePicture)
        onLivePicture();
}

void CQuillonView::ResetScreen(bool bShowStored) {
    m_pRecording->OnPause();
    m_pScreenWnd->SetBitmapMode(bShowStored);
    m_pScreenWnd->repaint();
    // The picture is kept: a phone that goes on without a header after its
    // pause is shown again where it stopped.
    m_decoder.KeepForResume();
}

bool CQuillonView::ShowsReceivedScreens() const {
    return HasLivePicture();
}

bool CQuillonView::HasLivePicture() const {
    return m_decoder.Screen().IsLive();
}

void CQuillonView::OnConnectionLost() {
    if (onConnectionLost)
        onConnectionLost();
}

void CQuillonView::OnCloseNotice() {
    if (onCloseNotice)
        onCloseNotice();
}

bool CQuillonView::IsRecording() const {
    return m_pRecording && m_pRecording->IsRecording();
}

void CQuillonView::ResizeToContent(int cx, int cy) {
    resize(cx, cy);
    m_pOwner->ResizeToContent(cx, cy);
}

int CQuillonView::CurrentPlatform() const {
    return m_catalog.CurrentPlatform();
}

void CQuillonView::SwitchPlatform(int nPlatform) {
    m_pOwner->RebuildSkinMenu(nPlatform);
    LoadWaitingPicture(nPlatform);
    m_pScreenWnd->SetBitmapMode(true);
    m_decoder.Screen().Hide(); // the idle picture is shown, not the phone's
}

void CQuillonView::SetWaitingText(const std::string& strText) {
    if (strText == m_strWaiting)
        return;
    m_strWaiting = strText;
    LoadWaitingPicture(m_pScreenWnd->BitmapId() == IDB_UIQ_IDLE ? lumetto::kPlatformUIQ
                                                                : lumetto::kPlatformS60);
    if (m_pScreenWnd->IsBitmapMode())
        m_pScreenWnd->update();
}

// The platform's idle picture with the waiting text written into the band
// its generator leaves free under the heading (res/gen/Pictures.cpp).
void CQuillonView::LoadWaitingPicture(int nPlatform) {
    const bool bShown = m_pScreenWnd->IsBitmapMode();
    const int id = nPlatform == lumetto::kPlatformUIQ ? IDB_UIQ_IDLE : IDB_S60_IDLE;
    m_pScreenWnd->LoadResourceBitmap(id);
    m_pScreenWnd->SetBitmapMode(bShown);
    if (m_strWaiting.empty())
        return;
    QImage img = LoadBitmapResource(id).convertToFormat(QImage::Format_RGB32);
    const int w = img.width(), h = img.height();
    const int top = (h > 250 ? h / 2 - 40 : 56) + 78, margin = 6, bottom = h - 16;
    if (w <= 2 * margin || bottom <= top)
        return;
    QPainter dc(&img);
    QFont font = dc.font();
    font.setPixelSize(10);
    dc.setFont(font);
    dc.setPen(QColor(70, 84, 116));
    const QFontMetrics metrics(font);
    // Each line wraps at spaces; a long port path is shortened in its middle.
    QString text;
    for (const QString& line : QString::fromStdString(m_strWaiting).split(QLatin1Char('\n'))) {
        QStringList words = line.split(QLatin1Char(' '));
        for (QString& word : words)
            word = metrics.elidedText(word, Qt::ElideMiddle, w - 2 * margin);
        text += (text.isEmpty() ? QString() : QStringLiteral("\n")) + words.join(QLatin1Char(' '));
    }
    dc.drawText(QRect(margin, top, w - 2 * margin, bottom - top),
                Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap, text);
    dc.end();
    m_pScreenWnd->SetBitmapImage(std::move(img));
}

void CQuillonView::OnZoom() {
    SetZoom(m_nZoom == 2 ? 1 : 2);
}

void CQuillonView::SetZoom(int nZoom) {
    nZoom = std::clamp(nZoom, 1, CPictureWnd::kMaxZoom);
    if (nZoom == m_nZoom)
        return;
    m_nZoom = nZoom;
    m_pScreenWnd->SetZoom(m_nZoom);
}

int CQuillonView::LargestFittingZoom() const {
    const QSize skin = m_pSkinWnd->GetBitmapSize();
    int zoom = 1;
    while (zoom < CPictureWnd::kMaxZoom &&
           m_pOwner->FitsWhole((zoom + 1) * skin.width(), (zoom + 1) * skin.height()))
        ++zoom;
    return zoom;
}

void CQuillonView::OnSelectSkin(int nCommandId) {
    m_catalog.OnSelectSkin(nCommandId);
}

std::string CQuillonView::RecordingMark() const {
    if (!IsRecording() || (!m_bIndicatorInPresentation && m_pOwner->IsPresenting()))
        return {};
    return m_pRecording->Mark();
}

void CQuillonView::SetRecordingIndicator(bool bOn) {
    m_bIndicatorInPresentation = bOn;
    m_pScreenWnd->update();
}
