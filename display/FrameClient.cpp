#include "display/FrameClient.h"

#include "display/ScreenWnd.h"
#include "display/SkinWnd.h"

#include <QGuiApplication>
#include <QMainWindow>
#include <QMenuBar>
#include <QPainter>
#include <QScreen>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyle>
#include <QTimer>

#include <utility>

namespace {
constexpr int kFrameWaitMs = 50;
constexpr int kFrameWaitTries = 60;
} // namespace

CFrameClient::CFrameClient(QWidget* pParent)
    : QWidget(pParent), m_pHBar(new QScrollBar(Qt::Horizontal, this)),
      m_pVBar(new QScrollBar(Qt::Vertical, this)) {
    m_pHBar->hide();
    m_pVBar->hide();
    ConnectBar(m_pHBar, true);
    ConnectBar(m_pVBar, false);
}

void CFrameClient::ConnectBar(QScrollBar* pBar, bool bHorizontal) {
    // The content follows the bar only when the thumb is released.
    pBar->setTracking(false);
    auto scroll = [this, bHorizontal](int code, int pos) {
        if (bHorizontal)
            OnHScroll(code, pos);
        else
            OnVScroll(code, pos);
    };
    QObject::connect(pBar, &QAbstractSlider::actionTriggered, this,
                     [this, pBar, bHorizontal, scroll](int action) {
                         int code = -1;
                         switch (action) {
                         case QAbstractSlider::SliderSingleStepSub:
                             code = ScrollCode::LineLeft;
                             break;
                         case QAbstractSlider::SliderSingleStepAdd:
                             code = ScrollCode::LineRight;
                             break;
                         case QAbstractSlider::SliderPageStepSub:
                             code = ScrollCode::PageLeft;
                             break;
                         case QAbstractSlider::SliderPageStepAdd:
                             code = ScrollCode::PageRight;
                             break;
                         case QAbstractSlider::SliderToMinimum:
                             code = ScrollCode::Left;
                             break;
                         case QAbstractSlider::SliderToMaximum:
                             code = ScrollCode::Right;
                             break;
                         default: // dragging the thumb: nothing moves until it is released
                             return;
                         }
                         scroll(code, pBar->sliderPosition());
                         // The bar shows the position the layout chose.
                         pBar->setSliderPosition(bHorizontal ? m_layout.ScrollPosX()
                                                             : m_layout.ScrollPosY());
                     });
    // A released thumb (and a wheel turn) sets the bar's value: move there.
    QObject::connect(
        pBar, &QAbstractSlider::valueChanged, this, [this, bHorizontal, scroll](int value) {
            const int current = bHorizontal ? m_layout.ScrollPosX() : m_layout.ScrollPosY();
            if (value != current)
                scroll(ScrollCode::ThumbPosition, value);
        });
}

void CFrameClient::SetView(QWidget* pView) {
    m_pView = pView;
    if (m_pView) {
        m_pView->setParent(this);
        m_pView->lower();
        m_pView->show();
    }
    PlaceChildren();
}

void CFrameClient::SetPictureWindows(CSkinWnd* pSkinWnd, CScreenWnd* pScreenWnd) {
    m_pSkinWnd = pSkinWnd;
    m_pScreenWnd = pScreenWnd;
}

SWorkArea CFrameClient::WorkArea() const {
    if (m_workOverride)
        return *m_workOverride;
    QScreen* pScreen = window()->screen() ? window()->screen() : QGuiApplication::primaryScreen();
    if (!pScreen)
        return {0, 0, 1024, 768};
    const QRect rc = pScreen->availableGeometry();
    return {rc.x(), rc.y(), rc.width(), rc.height()};
}

SSystemMeasures CFrameClient::Measures() const {
    if (m_measuresOverride)
        return *m_measuresOverride;
    SSystemMeasures sm;
    const QWidget* pWindow = window();
    // The window manager's frame: known once the window has been shown.
    const QRect outer = pWindow->frameGeometry();
    const QRect inner = pWindow->geometry();
    int left = std::max(inner.left() - outer.left(), 0);
    int top = std::max(inner.top() - outer.top(), 0);
    int right = std::max(outer.right() - inner.right(), 0);
    int bottom = std::max(outer.bottom() - inner.bottom(), 0);
    if (IsFramed())
        m_frameGuess = inner.topLeft() - outer.topLeft();
    else if (!m_frameGuess.isNull()) {
        // Not framed (yet): the frame it had, its sides and foot as wide as
        // its left edge.
        left = right = bottom = std::max(m_frameGuess.x(), 0);
        top = std::max(m_frameGuess.y(), 0);
    }
    // Window managers frame both sides alike; the top holds the title bar.
    sm.cxDlgFrame = std::max(left, right);
    sm.cyDlgFrame = bottom;
    sm.cyCaption = std::max(top - bottom, 0);
    if (const auto* pMain = qobject_cast<const QMainWindow*>(pWindow)) {
        if (pMain->menuWidget() && !pMain->menuWidget()->isHidden())
            sm.cyMenu = pMain->menuWidget()->sizeHint().height();
    }
    sm.cxVScroll = m_pVBar->sizeHint().width();
    sm.cyHScroll = m_pHBar->sizeHint().height();
    return sm;
}

void CFrameClient::SetPresentationArea(std::optional<QRect> rcView) {
    m_presentation = rcView;
    if (m_presentation) {
        setMinimumSize(0, 0);
        setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        m_pHBar->hide();
        m_pVBar->hide();
    }
    PlaceChildren();
    update();
}

void CFrameClient::paintEvent(QPaintEvent*) {
    // The view covers the window's own client; in presentation the rest of
    // the screen around the phone is black.
    if (m_presentation)
        QPainter(this).fillRect(rect(), Qt::black);
}

void CFrameClient::ResizeToContent(int cx, int cy) {
    const SWorkArea work = WorkArea();
    const SSystemMeasures sm = Measures();
    m_lastMeasures = sm;
    const CFrameLayout::SPlacement p = m_layout.ResizeToContent(cx, cy, work, sm);

    {
        const QSignalBlocker hBlock(m_pHBar);
        const QSignalBlocker vBlock(m_pVBar);
        m_pHBar->setVisible(m_layout.HasHScroll());
        m_pHBar->setRange(0, m_layout.m_nMaxScrollX);
        m_pHBar->setPageStep(std::max(m_layout.m_nPageX, 1));
        m_pHBar->setValue(0);
        m_pVBar->setVisible(m_layout.HasVScroll());
        m_pVBar->setRange(0, m_layout.m_nMaxScrollY);
        m_pVBar->setPageStep(std::max(m_layout.m_nPageY, 1));
        m_pVBar->setValue(0);
    }

    // The top-level window: outer size minus the window manager's decoration.
    QWidget* pWindow = window();
    const int decoW = 2 * sm.cxEdge + 2 * sm.cxDlgFrame;
    const int decoH = 2 * sm.cyEdge + 2 * sm.cyDlgFrame + sm.cyCaption;
    const int barW = m_layout.HasVScroll() ? sm.cxVScroll : 0;
    const int barH = m_layout.HasHScroll() ? sm.cyHScroll : 0;
    const int clientW = m_layout.HasHScroll() ? m_layout.m_nPageX + barW : cx + barW;
    const int clientH = m_layout.HasVScroll() ? m_layout.m_nPageY + barH : cy + barH;
    setFixedSize(clientW, clientH);
    if (pWindow != this)
        pWindow->setFixedSize(std::max(p.width - decoW, 1), std::max(p.height - decoH, 1));
    // The client's place is what the window manager keeps to the pixel; the
    // frame then lies at p, inside the work area.
    pWindow->setGeometry(QRect(
        QPoint(p.x + sm.cxEdge + sm.cxDlgFrame, p.y + sm.cyEdge + sm.cyDlgFrame + sm.cyCaption),
        pWindow->size()));
    PlaceChildren();
    pWindow->show();
    pWindow->raise();
    m_content = QSize(cx, cy);
    // Laid out before the window manager ever framed the window: again once
    // it has. (A window it framed before gets the same frame again.)
    if (!IsFramed() && m_frameGuess.isNull() && !m_bWatching && pWindow != this) {
        m_bWatching = true;
        WatchForFrame(kFrameWaitTries);
    }

    if (m_pScreenWnd) {
        int x = 0, y = 0;
        m_pScreenWnd->GetCenteredScroll(m_layout.m_nMaxScrollX, m_layout.m_nMaxScrollY,
                                        m_layout.m_nPageX, m_layout.m_nPageY, x, y);
        if (x != 0 || y != 0) {
            OnHScroll(ScrollCode::ThumbPosition, x);
            OnVScroll(ScrollCode::ThumbPosition, y);
        }
    }
}

bool CFrameClient::FitsWhole(int cx, int cy) const {
    CFrameLayout layout;
    layout.ComputeFrameSize(cx, cy, WorkArea(), Measures());
    return !layout.HasHScroll() && !layout.HasVScroll();
}

bool CFrameClient::IsFramed() const {
    const QWidget* pWindow = window();
    return pWindow->frameGeometry() != pWindow->geometry();
}

void CFrameClient::WhenFramed(std::function<void()> fn) {
    if (m_bWatching)
        m_whenFramed.push_back(std::move(fn));
    else
        fn();
}

// Looks every 50 ms, at most 3 s: the window manager frames a new window
// within a few of them, and no event tells when.
void CFrameClient::WatchForFrame(int nTriesLeft) {
    if (IsFramed() || nTriesLeft <= 0 || m_presentation) {
        m_bWatching = false;
        // The guess of the frame was wrong (or there was none): lay out again.
        if (IsFramed() && !m_presentation && !(Measures() == m_lastMeasures))
            ResizeToContent(m_content.width(), m_content.height());
        for (auto& fn : std::exchange(m_whenFramed, {}))
            fn();
        return;
    }
    QTimer::singleShot(kFrameWaitMs, this, [this, nTriesLeft] { WatchForFrame(nTriesLeft - 1); });
}

void CFrameClient::OnHScroll(int nCode, int nPos) {
    const std::optional<int> n = m_layout.OnHScroll(nCode, nPos);
    if (!n)
        return;
    {
        const QSignalBlocker block(m_pHBar);
        m_pHBar->setValue(*n);
    }
    if (m_pSkinWnd) {
        m_pSkinWnd->SetScrollX(*n);
        m_pSkinWnd->update();
    }
    if (m_pScreenWnd)
        m_pScreenWnd->SetScrollX(*n);
}

void CFrameClient::OnVScroll(int nCode, int nPos) {
    const std::optional<int> n = m_layout.OnVScroll(nCode, nPos);
    if (!n)
        return;
    {
        const QSignalBlocker block(m_pVBar);
        m_pVBar->setValue(*n);
    }
    if (m_pSkinWnd) {
        m_pSkinWnd->SetScrollY(*n);
        m_pSkinWnd->update();
    }
    if (m_pScreenWnd)
        m_pScreenWnd->SetScrollY(*n);
}

void CFrameClient::resizeEvent(QResizeEvent*) {
    PlaceChildren();
}

QRect CFrameClient::VisibleArea() const {
    if (m_presentation)
        return rect();
    const int barW = m_pVBar->isVisibleTo(this) ? m_lastMeasures.cxVScroll : 0;
    const int barH = m_pHBar->isVisibleTo(this) ? m_lastMeasures.cyHScroll : 0;
    return QRect(0, 0, std::max(width() - barW, 0), std::max(height() - barH, 0));
}

void CFrameClient::PlaceChildren() {
    if (m_presentation) {
        if (m_pView)
            m_pView->setGeometry(*m_presentation);
        return;
    }
    const int barW = m_pVBar->isVisibleTo(this) ? m_lastMeasures.cxVScroll : 0;
    const int barH = m_pHBar->isVisibleTo(this) ? m_lastMeasures.cyHScroll : 0;
    const int w = std::max(width() - barW, 0);
    const int h = std::max(height() - barH, 0);
    if (m_pView)
        m_pView->setGeometry(0, 0, w, h);
    m_pHBar->setGeometry(0, h, w, barH);
    m_pVBar->setGeometry(w, 0, barW, h);
}
