// The main window's client area on Qt: the view at the top left, with the
// main window's own horizontal and vertical scroll bars beside it, shown only
// when the zoomed skin does not fit the desktop's work area.
//
// ResizeToContent sizes the top-level window (fixed size: the user cannot
// resize it) for a content of cx x cy, centres it in the work area, and
// scrolls the phone's screen into the middle of the page. The scroll bars
// speak the scroll codes of CFrameLayout; dragging a thumb moves nothing
// until it is released.
#pragma once

#include "display/FrameLayout.h"

#include <QWidget>

#include <functional>
#include <optional>
#include <vector>

class QScrollBar;
class CSkinWnd;
class CScreenWnd;

class CFrameClient : public QWidget {
public:
    explicit CFrameClient(QWidget* pParent = nullptr);

    // The view (the parent of the picture windows); it becomes a child.
    void SetView(QWidget* pView);
    void SetPictureWindows(CSkinWnd* pSkinWnd, CScreenWnd* pScreenWnd);

    void ResizeToContent(int cx, int cy);
    // Whether a content of cx x cy fits the work area whole, frame and
    // title bar included, without scroll bars.
    bool FitsWhole(int cx, int cy) const;
    // Presentation: the view lies at rcView on a black client of any size,
    // without scroll bars. Nothing goes back to the window's own layout; the
    // next ResizeToContent sizes it again.
    void SetPresentationArea(std::optional<QRect> rcView);
    bool InPresentation() const { return m_presentation.has_value(); }
    // The part of the client the picture shows: all of it in presentation,
    // else the page beside the scroll bars.
    QRect VisibleArea() const;
    void OnHScroll(int nCode, int nPos);
    void OnVScroll(int nCode, int nPos);

    // The work area and decoration sizes of the window's screen and style;
    // tests may fix them.
    SWorkArea WorkArea() const;
    SSystemMeasures Measures() const;
    void OverrideWorkArea(std::optional<SWorkArea> work) { m_workOverride = work; }
    void OverrideMeasures(std::optional<SSystemMeasures> sm) { m_measuresOverride = sm; }
    // The window manager's frame as it was last time (the client's offset
    // from the frame's corner), for the layouts made before the window
    // manager has framed the window this time.
    void SetFrameGuess(QPoint clientOffset) { m_frameGuess = clientOffset; }
    // Runs fn once the window manager has framed the window (at once when it
    // has), after the layout took the real frame in. A window that gets no
    // frame within 3 s (no window manager) runs it then.
    void WhenFramed(std::function<void()> fn);

    const CFrameLayout& Layout() const { return m_layout; }
    QScrollBar* HorizontalBar() const { return m_pHBar; }
    QScrollBar* VerticalBar() const { return m_pVBar; }

protected:
    void resizeEvent(QResizeEvent* pEvent) override;
    void paintEvent(QPaintEvent* pEvent) override;

private:
    void ConnectBar(QScrollBar* pBar, bool bHorizontal);
    bool IsFramed() const;
    void WatchForFrame(int nTriesLeft);
    void PlaceChildren();

    CFrameLayout m_layout;
    QWidget* m_pView = nullptr;
    CSkinWnd* m_pSkinWnd = nullptr;
    CScreenWnd* m_pScreenWnd = nullptr;
    QScrollBar* m_pHBar;
    QScrollBar* m_pVBar;
    std::optional<SWorkArea> m_workOverride;
    std::optional<SSystemMeasures> m_measuresOverride;
    SSystemMeasures m_lastMeasures;
    std::optional<QRect> m_presentation; // where the view lies in presentation
    mutable QPoint m_frameGuess;         // see SetFrameGuess; the last frame seen
    QSize m_content;                     // the content of the last ResizeToContent
    bool m_bWatching = false;            // waiting for the window manager's frame
    std::vector<std::function<void()>> m_whenFramed;
};
