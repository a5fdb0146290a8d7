// A window that paints one picture over its whole area, scaled by the zoom:
// either a bitmap (a resource or a file) or the received screen.
//
// The screen window observes the screen model (codec/ScreenModel.h): the
// model holds the picture; the window keeps only its form for drawing, a
// top-down image in the painter's own 32-bit form (ScreenRgb32.h), into which
// the rows a change brought are converted once, when they are painted, and
// which is drawn without any further conversion, without the slack row,
// scaled by whole pixels (no smoothing) unless smoothing is asked for. While
// the owner records a movie, "REC!" is drawn in red over the screen on the
// window only.
#pragma once

#include "codec/ScreenModel.h"
#include "display/PictureHost.h"

#include <QImage>
#include <QWidget>

#include <cstdint>
#include <memory>
#include <string>

class CPictureWnd : public QWidget, public IScreenSink {
public:
    CPictureWnd(IPictureHost* pHost, bool bFixedOrigin, QWidget* pParent = nullptr);
    ~CPictureWnd() override;

    // Shows bitmap resource nId (bitmap mode). -1 only enters bitmap mode.
    // Neither repaints nor re-lays out.
    void LoadResourceBitmap(int nId);
    // Shows a bitmap file (bitmap mode). False if it could not be loaded; the
    // window then has no picture (0 x 0).
    bool LoadFileBitmap(const std::string& strPath);
    // Replaces the bitmap with a picture the caller made (the idle picture
    // with a text on it); the mode stays as it is. Neither repaints nor
    // re-lays out.
    void SetBitmapImage(QImage img) { SetBitmap(std::move(img)); }
    // IScreenSink: a change of the live picture leaves bitmap mode and
    // repaints what it changed (RepaintChanged); the window reads the model's
    // rows when it paints them. Hiding the picture changes nothing here: the
    // owner chooses what the window shows then (SetBitmapMode).
    void OnScreenChanged(const CScreenModel& screen, const ScreenChange& change) override;
    // The model this window reads no longer exists (its owner goes).
    void ForgetScreen() { m_pScreen = nullptr; }

    // Repaints at once the part of the window that the changes since the
    // last paint touched: the rows they brought, or the whole window when
    // the picture is new (another size, or after the idle one).
    void RepaintChanged();

    // The unzoomed size of what the window shows: the bitmap's size in bitmap
    // mode, the screen's (without the slack row) in screen mode; 0 x 0 if none.
    void GetBitmapSize(int& cx, int& cy) const;
    QSize GetBitmapSize() const;
    bool IsBitmapMode() const { return m_bBitmapMode; }
    void SetBitmapMode(bool bBitmapMode) { m_bBitmapMode = bBitmapMode; }

    virtual void SetScrollY(int y);
    virtual void SetScrollX(int x);
    // The zoom factor, 1 (100 %) to kMaxZoom (400 %), whole pixels.
    static constexpr int kMaxZoom = 4;
    virtual void SetZoom(int z);
    virtual void Relayout() {}

    // Presentation: the skin is drawn at a size of its own (any size) instead
    // of zoom x its bitmap, smoothly when bSmooth, else by whole pixels, and
    // the skin's plain surround (the colour of its four corners, where it
    // reaches the edge) is drawn black like the screen around it. An empty
    // size goes back to the zoom. Only stores; CScreenWnd::Present places
    // both windows.
    void SetFreeSize(QSize size, bool bSmooth);
    QSize FreeSize() const { return m_freeSize; }
    // Repaints where the recording mark stands (its time changed), or the
    // whole window when it has not been drawn yet.
    void RepaintMark();
    bool IsSmooth() const { return m_bSmooth; }

    int Zoom() const { return m_nZoom; }
    int ScrollX() const { return m_nScrollX; }
    int ScrollY() const { return m_nScrollY; }
    int BitmapId() const { return m_nBitmapId; }
    // The bitmap shown in bitmap mode (null image if none).
    const QImage& Bitmap() const { return m_bitmap; }

protected:
    void paintEvent(QPaintEvent* pEvent) override;
    // Presses do nothing and show nothing.
    void mousePressEvent(QMouseEvent* pEvent) override;
    void mouseReleaseEvent(QMouseEvent* pEvent) override;
    void mouseDoubleClickEvent(QMouseEvent* pEvent) override;

    void DrawBitmap(QPainter& dc, const QRect& rc);
    void DrawScreen(QPainter& dc, const QRect& rc);
    // Draws picture `img` of W x H scrolled as this window is, flipping it
    // vertically when bFlip is set (pictures held bottom row first).
    void DrawScaled(QPainter& dc, const QRect& rc, const QImage& img, bool bFlip);
    void SetBitmap(QImage img);
    void RefreshDrawBitmap();

    IPictureHost* m_pHost;
    int m_nBitmapId = -1;
    bool m_bBitmapMode = true;
    int m_nZoom = 1;
    QImage m_bitmap;                         // the loaded bitmap, converted once for drawing
    const CScreenModel* m_pScreen = nullptr; // the received screen, once one came
    QImage m_drawImage; // the screen's picture top row first, for drawing; null before one
    // Picture rows (top row 0) of the model not yet in m_drawImage: [first, end).
    int m_nStaleFirst = 0;
    int m_nStaleEnd = 0;
    int m_nScrollY = 0;
    int m_nScrollX = 0;
    const bool m_bFixedOrigin;
    bool m_bRepaintAll = true; // the next RepaintChanged repaints the whole window
    QSize m_freeSize;          // presentation: the skin's size; empty otherwise
    QImage m_presentBitmap;    // m_bitmap with its surround black, made when needed
    bool m_bSmooth = false;
    QRect m_markRect; // where the recording mark was drawn last
};
