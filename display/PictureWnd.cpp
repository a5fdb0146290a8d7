#include "display/PictureWnd.h"

#include "display/PictureGeometry.h"
#include "display/SkinBitmapInfo.h"
#include "res/BitmapResources.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define LUMETTO_X86 1
#endif

namespace {

// One row of 24-bit blue-green-red pixels to the painter's own 32-bit form
// (blue, green, red, 0xFF in memory), which it draws without converting.
void RowToRgb32Scalar(const std::uint8_t* s, std::uint8_t* d, int n) {
    for (int i = 0; i < n; ++i, s += 3, d += 4) {
        d[0] = s[0];
        d[1] = s[1];
        d[2] = s[2];
        d[3] = 0xFF;
    }
}

#ifdef LUMETTO_X86
__attribute__((target("ssse3"))) void RowToRgb32Ssse3(const std::uint8_t* s, std::uint8_t* d,
                                                      int n) {
    // 4 pixels (12 bytes) of a 16-byte load become 16 bytes; the load never
    // reaches past the row's last pixel.
    const __m128i spread = _mm_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
    const __m128i alpha = _mm_set1_epi32(static_cast<int>(0xFF000000u));
    int i = 0;
    for (; i + 6 <= n; i += 4, s += 12, d += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d),
                         _mm_or_si128(_mm_shuffle_epi8(v, spread), alpha));
    }
    RowToRgb32Scalar(s, d, n - i);
}

const bool kHasSsse3 = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("ssse3") != 0;
}();
#endif

void RowToRgb32(const std::uint8_t* s, std::uint8_t* d, int n) {
#ifdef LUMETTO_X86
    if (kHasSsse3) {
        RowToRgb32Ssse3(s, d, n);
        return;
    }
#endif
    RowToRgb32Scalar(s, d, n);
}

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
    m_pBitmap = ForDrawing(std::move(img));
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
    return !m_pBitmap.isNull();
}

void CPictureWnd::SetScreenData(const std::uint8_t* pBits, int nFirstRow, int nRows) {
    int w = 0, h = 0, fmt = 0;
    if (m_pHost)
        m_pHost->GetScreenFormat(w, h, fmt);
    // No picture or no sensible size: keep showing what the window shows.
    if (!pBits || w <= 0 || h <= 0 || w > lumetto::kMaxScreenSide || h > lumetto::kMaxScreenSide)
        return;
    if (m_bBitmapMode)
        m_bRepaintAll = true; // the idle picture goes
    m_bBitmapMode = false;
    if (!m_hDib || m_hDib->Width() != w || m_hDib->Height() != h) {
        m_bRepaintAll = true;
        m_hDib = std::make_unique<CScreenDib>(w, h);
        m_hDrawBitmap = QImage(w, h, QImage::Format_RGB32);
        nFirstRow = 0;
        nRows = h;
        m_nStaleFirst = m_nStaleEnd = 0; // rows of the old size mean nothing now
    }
    if (nRows < 0 || nFirstRow < 0 || nFirstRow > h || nRows > h - nFirstRow) {
        nFirstRow = 0;
        nRows = h;
    }
    if (nRows == 0)
        return;
    // Picture row y is held at row h - 1 - y: the range is one block.
    const std::size_t stride = m_hDib->Stride();
    const std::size_t offset = stride * static_cast<std::size_t>(h - nFirstRow - nRows);
    std::memcpy(m_hDib->Bits() + offset, pBits + offset, stride * static_cast<std::size_t>(nRows));
    if (m_nStaleFirst == m_nStaleEnd) {
        m_nStaleFirst = nFirstRow;
        m_nStaleEnd = nFirstRow + nRows;
    } else {
        m_nStaleFirst = std::min(m_nStaleFirst, nFirstRow);
        m_nStaleEnd = std::max(m_nStaleEnd, nFirstRow + nRows);
    }
}

void CPictureWnd::RefreshDrawBitmap() {
    // The held picture, bottom row first, into the drawing image top row
    // first: the rows received since the last paint, once. The slack row is
    // never drawn.
    if (m_nStaleFirst == m_nStaleEnd || !m_hDib)
        return;
    const int w = m_hDib->Width(), h = m_hDib->Height();
    const std::size_t stride = m_hDib->Stride();
    const std::uint8_t* src =
        m_hDib->Bits() + stride * static_cast<std::size_t>(h - 1 - m_nStaleFirst);
    for (int y = m_nStaleFirst; y < m_nStaleEnd; ++y, src -= stride)
        RowToRgb32(src, m_hDrawBitmap.scanLine(y), w);
    m_nStaleFirst = m_nStaleEnd = 0;
}

void CPictureWnd::RepaintChanged() {
    const int h = m_hDib ? m_hDib->Height() : 0;
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
    m_nZoom = std::clamp(z, 1, kMaxZoom);
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
        DrawScaled(dc, rc, m_pBitmap, false);
        return;
    }
    if (m_presentBitmap.isNull())
        m_presentBitmap = WithBlackSurround(m_pBitmap);
    DrawScaled(dc, rc, m_presentBitmap, false);
}

void CPictureWnd::DrawScreen(QPainter& dc, const QRect& rc) {
    RefreshDrawBitmap();
    DrawScaled(dc, rc, m_hDrawBitmap, false);
    if (const std::string mark = m_pHost ? m_pHost->RecordingMark() : std::string();
        !mark.empty()) {
        // On the window only: the held picture, movies and captures never see it.
        dc.save();
        dc.setPen(QColor(224, 0, 0));
        // Plain red pixels, as the mark has always looked; no smoothing shades.
        // Bold at the size of the classic system font, so it reads over any
        // screen content; it does not grow with the zoom. In presentation it
        // grows with the phone, so it reads from across the room too.
        const int k = m_freeSize.isEmpty() || m_hDrawBitmap.width() <= 0
                          ? 1
                          : std::max(1, rc.width() / m_hDrawBitmap.width());
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
