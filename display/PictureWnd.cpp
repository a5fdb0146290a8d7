#include "display/PictureWnd.h"

#include "codec/ScreenRgb32.h"
#include "display/PictureGeometry.h"
#include "display/SkinBitmapInfo.h"
#include "res/BitmapResources.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

namespace {

// Bitmaps are converted once to a format the painter draws without converting
// them again on every paint.
QImage ForDrawing(QImage img) {
    if (img.isNull())
        return img;
    return img.convertToFormat(QImage::Format_RGB32);
}

// The picture with its plain surround black: the pixels of the corners'
// colour that reach the picture's edge through pixels of that colour. A
// picture whose four corners differ has no plain surround and stays as it is.
QImage WithBlackSurround(const QImage& img) {
    const int w = img.width(), h = img.height();
    if (w <= 0 || h <= 0 || img.format() != QImage::Format_RGB32)
        return img;
    const QRgb bg = img.pixel(0, 0);
    if (img.pixel(w - 1, 0) != bg || img.pixel(0, h - 1) != bg || img.pixel(w - 1, h - 1) != bg)
        return img;
    QImage out = img.copy();
    std::vector<std::pair<int, int>> todo;
    auto visit = [&](int x, int y) {
        auto* row = reinterpret_cast<QRgb*>(out.scanLine(y));
        if (row[x] != bg)
            return;
        row[x] = qRgb(0, 0, 0) == bg ? qRgb(0, 0, 1) : qRgb(0, 0, 0); // never refilled
        todo.emplace_back(x, y);
    };
    for (int x = 0; x < w; ++x) {
        visit(x, 0);
        visit(x, h - 1);
    }
    for (int y = 0; y < h; ++y) {
        visit(0, y);
        visit(w - 1, y);
    }
    while (!todo.empty()) {
        const auto [x, y] = todo.back();
        todo.pop_back();
        if (x > 0)
            visit(x - 1, y);
        if (x + 1 < w)
            visit(x + 1, y);
        if (y > 0)
            visit(x, y - 1);
        if (y + 1 < h)
            visit(x, y + 1);
    }
    return out;
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
    m_bitmap = ForDrawing(std::move(img));
    m_presentBitmap = QImage();
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
    // Read as the skin scan reads it: never from a FIFO or a device.
    SetBitmap(DecodeSkinBitmap(strPath));
    return !m_bitmap.isNull();
}

void CPictureWnd::OnScreenChanged(const CScreenModel& screen, const ScreenChange& change) {
    m_pScreen = &screen;
    const int w = screen.Width(), h = screen.Height();
    if (w <= 0 || h <= 0)
        return;
    if (m_bBitmapMode)
        m_bRepaintAll = true; // the idle picture goes
    m_bBitmapMode = false;
    int first = change.nFirstRow, end = change.nEndRow;
    if (m_drawImage.width() != w || m_drawImage.height() != h) {
        m_bRepaintAll = true;
        m_drawImage = QImage(w, h, QImage::Format_RGB32);
        m_nStaleFirst = m_nStaleEnd = 0; // rows of the old size mean nothing now
        first = 0;
        end = h;
    }
    if (first < end) {
        if (m_nStaleFirst == m_nStaleEnd) {
            m_nStaleFirst = first;
            m_nStaleEnd = end;
        } else {
            m_nStaleFirst = std::min(m_nStaleFirst, first);
            m_nStaleEnd = std::max(m_nStaleEnd, end);
        }
    }
    RepaintChanged(); // those rows only, where the picture is not new
}

void CPictureWnd::RefreshDrawBitmap() {
    // The rows changed since the last paint, once, from the model (unless
    // it no longer holds a picture of the drawing image's size).
    const CScreenDib* pDib = m_pScreen ? m_pScreen->Picture() : nullptr;
    if (m_nStaleFirst != m_nStaleEnd && pDib && pDib->Width() == m_drawImage.width() &&
        pDib->Height() == m_drawImage.height())
        lumetto::ScreenRowsToRgb32(*pDib, m_nStaleFirst, m_nStaleEnd, m_drawImage.bits(),
                                   static_cast<std::size_t>(m_drawImage.bytesPerLine()));
    m_nStaleFirst = m_nStaleEnd = 0;
}

void CPictureWnd::RepaintChanged() {
    const int h = m_drawImage.height();
    if (m_bRepaintAll || m_bBitmapMode || h <= 0) {
        m_bRepaintAll = false;
        repaint();
        return;
    }
    if (m_nStaleFirst == m_nStaleEnd)
        return; // nothing changed
    int first = m_nStaleFirst, end = m_nStaleEnd;
    if (m_bSmooth) {
        // A smoothed pixel blends the picture rows beside it as well.
        first = std::max(first - 1, 0);
        end = std::min(end + 1, h);
    }
    // Picture rows to window rows, outward, so every touched pixel is inside.
    const long long winH = height();
    const int top = static_cast<int>(first * winH / h);
    const int bottom = static_cast<int>((end * winH + h - 1) / h);
    repaint(0, top, width(), bottom - top);
}

void CPictureWnd::RepaintMark() {
    // A longer time may reach further: the rest of the mark's line too.
    if (m_markRect.isEmpty())
        update();
    else
        update(QRect(0, 0, width(), m_markRect.bottom() + 1));
}

void CPictureWnd::SetFreeSize(QSize size, bool bSmooth) {
    m_freeSize = size.isEmpty() ? QSize() : size;
    m_bSmooth = !m_freeSize.isEmpty() && bSmooth;
    m_bRepaintAll = true;
}

void CPictureWnd::GetBitmapSize(int& cx, int& cy) const {
    cx = cy = 0;
    if (m_bBitmapMode) {
        if (!m_bitmap.isNull()) {
            cx = m_bitmap.width();
            cy = m_bitmap.height();
        }
    } else if (!m_drawImage.isNull()) {
        cx = m_drawImage.width();
        cy = m_drawImage.height();
    }
}

QSize CPictureWnd::GetBitmapSize() const {
    int cx = 0, cy = 0;
    GetBitmapSize(cx, cy);
    return QSize(cx, cy);
}

void CPictureWnd::SetScrollY(int y) {
    m_nScrollY = y;
}
void CPictureWnd::SetScrollX(int x) {
    m_nScrollX = x;
}
void CPictureWnd::SetZoom(int z) {
    m_nZoom = std::clamp(z, 1, kMaxZoom);
}

void CPictureWnd::paintEvent(QPaintEvent*) {
    QPainter dc(this);
    const QRect rc = rect();
    if (m_bBitmapMode || m_drawImage.isNull())
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
    dc.setRenderHint(QPainter::SmoothPixmapTransform, m_bSmooth);
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
    if (m_freeSize.isEmpty() || m_bFixedOrigin) {
        DrawScaled(dc, rc, m_bitmap, false);
        return;
    }
    if (m_presentBitmap.isNull())
        m_presentBitmap = WithBlackSurround(m_bitmap);
    DrawScaled(dc, rc, m_presentBitmap, false);
}

void CPictureWnd::DrawScreen(QPainter& dc, const QRect& rc) {
    RefreshDrawBitmap();
    DrawScaled(dc, rc, m_drawImage, false);
    if (const std::string mark = m_pHost ? m_pHost->RecordingMark() : std::string();
        !mark.empty()) {
        // On the window only: the held picture, movies and captures never see it.
        dc.save();
        dc.setPen(QColor(224, 0, 0));
        // Plain red pixels, as the mark has always looked; no smoothing shades.
        // Bold at the size of the classic system font, so it reads over any
        // screen content; it does not grow with the zoom. In presentation it
        // grows with the phone, so it reads from across the room too.
        const int k = m_freeSize.isEmpty() || m_drawImage.width() <= 0
                          ? 1
                          : std::max(1, rc.width() / m_drawImage.width());
        QFont font = dc.font();
        font.setStyleStrategy(QFont::NoAntialias);
        font.setBold(true);
        font.setPixelSize(13 * k);
        dc.setFont(font);
        dc.setBackgroundMode(Qt::TransparentMode);
        dc.drawText(
            QRect(5 * k, 5 * k, std::max(rc.width() - 5 * k, 1), std::max(rc.height() - 5 * k, 1)),
            Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip, QString::fromStdString(mark),
            &m_markRect);
        dc.restore();
    }
}
