#include "display/PictureWnd.h"

#include "display/PictureGeometry.h"
#include "res/BitmapResources.h"

#include <QFile>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cstring>

namespace {

// Bitmaps are converted once to a format the painter draws without converting
// them again on every paint.
QImage ForDrawing(QImage img) {
    if (img.isNull())
        return img;
    return img.convertToFormat(QImage::Format_RGB32);
}

} // namespace

CPictureWnd::CPictureWnd(IPictureHost* pHost, bool bFixedOrigin, QWidget* pParent)
    : QWidget(pParent), m_pHost(pHost), m_bFixedOrigin(bFixedOrigin) {
    // The window paints its whole area itself; nothing is erased first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
}

CPictureWnd::~CPictureWnd() = default;

void CPictureWnd::SetBitmap(QImage img) {
    m_pBitmap = ForDrawing(std::move(img));
}

void CPictureWnd::LoadResourceBitmap(int nId) {
    m_bBitmapMode = true;
    if (nId == -1)
        return;
    m_nBitmapId = nId;
    SetBitmap(LoadBitmapResource(nId));
}

bool CPictureWnd::LoadFileBitmap(const std::string& strPath) {
    m_bBitmapMode = true;
    SetBitmap(QImage(QFile::decodeName(strPath.c_str())));
    return !m_pBitmap.isNull();
}

void CPictureWnd::SetScreenData(const std::uint8_t* pBits) {
    int w = 0, h = 0, fmt = 0;
    if (m_pHost)
        m_pHost->GetScreenFormat(w, h, fmt);
    // No picture or no sensible size: keep showing what the window shows.
    if (!pBits || w <= 0 || h <= 0 || w > lumetto::kMaxScreenSide || h > lumetto::kMaxScreenSide)
        return;
    m_bBitmapMode = false;
    if (!m_hDib || m_hDib->Width() != w || m_hDib->Height() != h) {
        m_hDrawBitmap = QImage();
        m_hDib = std::make_unique<CScreenDib>(w, h);
        // The drawing image reads the held bytes in place: the picture rows
        // only, so the slack row is never drawn.
        m_hDrawBitmap = QImage(m_hDib->Bits(), w, h, static_cast<qsizetype>(m_hDib->Stride()),
                               QImage::Format_BGR888);
    }
    std::memcpy(m_hDib->Bits(), pBits, m_hDib->Stride() * static_cast<std::size_t>(h));
}

void CPictureWnd::GetBitmapSize(int& cx, int& cy) const {
    cx = cy = 0;
    if (m_bBitmapMode) {
        if (!m_pBitmap.isNull()) {
            cx = m_pBitmap.width();
            cy = m_pBitmap.height();
        }
    } else if (m_hDib) {
        cx = m_hDib->Width();
        cy = m_hDib->Height();
    }
}

QSize CPictureWnd::GetBitmapSize() const {
    int cx = 0, cy = 0;
    GetBitmapSize(cx, cy);
    return QSize(cx, cy);
}

const CScreenDib* CPictureWnd::GetScreenBitmap() const {
    return (m_hDib && !m_bBitmapMode) ? m_hDib.get() : nullptr;
}

void CPictureWnd::MakeScreenCopy() {
    m_hDibCopy.reset();
    if (!m_hDib)
        return;
    m_hDibCopy = std::make_unique<CScreenDib>(*m_hDib);
}

void CPictureWnd::SetScrollY(int y) {
    m_nScrollY = y;
}
void CPictureWnd::SetScrollX(int x) {
    m_nScrollX = x;
}
void CPictureWnd::SetZoom(int z) {
    m_nZoom = std::clamp(z, 1, 2);
}

void CPictureWnd::paintEvent(QPaintEvent*) {
    QPainter dc(this);
    const QRect rc = rect();
    if (m_bBitmapMode || !m_hDib)
        DrawBitmap(dc, rc);
    else
        DrawScreen(dc, rc);
}

void CPictureWnd::mousePressEvent(QMouseEvent* pEvent) {
    pEvent->accept();
}
void CPictureWnd::mouseReleaseEvent(QMouseEvent* pEvent) {
    pEvent->accept();
}
void CPictureWnd::mouseDoubleClickEvent(QMouseEvent* pEvent) {
    pEvent->accept();
}

void CPictureWnd::DrawScaled(QPainter& dc, const QRect& rc, const QImage& img, bool bFlip) {
    const SSkinBlit blit =
        m_bFixedOrigin ? SkinBlit(img.width(), img.height(), rc.width(), rc.height(), 0, 0, 1)
                       : SkinBlit(img.width(), img.height(), rc.width(), rc.height(), m_nScrollX,
                                  m_nScrollY, m_nZoom);
    // Whatever the picture does not cover is white, like the built-in skins.
    if (blit.IsEmpty() || blit.dst.Width() < rc.width() || blit.dst.Height() < rc.height())
        dc.fillRect(rc, Qt::white);
    if (blit.IsEmpty())
        return;

    dc.save();
    dc.setRenderHint(QPainter::SmoothPixmapTransform, false);
    const QRect dst(blit.dst.left, blit.dst.top, blit.dst.Width(), blit.dst.Height());
    if (bFlip) {
        // The picture is held bottom row first: picture row y is image row
        // height - 1 - y. Mirror the drawing instead of the picture.
        const QRect src(blit.src.left, img.height() - blit.src.bottom, blit.src.Width(),
                        blit.src.Height());
        dc.translate(0, dst.top() + dst.bottom() + 1);
        dc.scale(1, -1);
        dc.drawImage(dst, img, src);
    } else {
        const QRect src(blit.src.left, blit.src.top, blit.src.Width(), blit.src.Height());
        dc.drawImage(dst, img, src);
    }
    dc.restore();
}

void CPictureWnd::DrawBitmap(QPainter& dc, const QRect& rc) {
    DrawScaled(dc, rc, m_pBitmap, false);
}

void CPictureWnd::DrawScreen(QPainter& dc, const QRect& rc) {
    DrawScaled(dc, rc, m_hDrawBitmap, true);
    if (m_pHost && m_pHost->IsRecording()) {
        // On the window only: the held picture, movies and captures never see it.
        dc.save();
        dc.setPen(QColor(224, 0, 0));
        // Plain red pixels, as the mark has always looked; no smoothing shades.
        QFont font = dc.font();
        font.setStyleStrategy(QFont::NoAntialias);
        dc.setFont(font);
        dc.setBackgroundMode(Qt::TransparentMode);
        dc.drawText(QRect(5, 5, std::max(rc.width() - 5, 1), std::max(rc.height() - 5, 1)),
                    Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip, QStringLiteral("REC!"));
        dc.restore();
    }
}
