#include "app/PresentationMode.h"

#include "app/QuillonView.h"
#include "display/FrameClient.h"
#include "display/ScreenWnd.h"
#include "display/SkinWnd.h"
#include "res/ResourceIds.h"

#include <QApplication>
#include <QMainWindow>
#include <QMenuBar>
#include <QMouseEvent>
#include <QScreen>
#include <QShortcut>
#include <QWindow>

namespace {
constexpr int kCursorDelayMs = 2000;
constexpr int kLeaveCheckMs = 100;
constexpr int kLeaveCheckTries = 30;
} // namespace

CPresentationMode::CPresentationMode(QMainWindow* pWindow, IPresentationFrame& frame)
    : m_pWindow(pWindow), m_frame(frame),
      m_pEscape(new QShortcut(QKeySequence(Qt::Key_Escape), pWindow)) {
    m_cursorTimer.setSingleShot(true);
    m_cursorTimer.setInterval(kCursorDelayMs);
    connect(&m_cursorTimer, &QTimer::timeout, this, [this] { HideCursor(); });
    m_pEscape->setEnabled(false);
    connect(m_pEscape, &QShortcut::activated, this, [this] {
        if (m_bOn)
            m_frame.RunCommand(ID_VIEW_PRESENTATION);
    });
}

CPresentationMode::~CPresentationMode() = default;

void CPresentationMode::Enter(QScreen* pScreen) {
    if (m_bOn)
        return;
    if (!pScreen)
        pScreen = m_pWindow->screen() ? m_pWindow->screen() : QGuiApplication::primaryScreen();
    if (!pScreen)
        return;
    CQuillonView* pView = m_frame.GetActiveView();
    const CFrameClient* pClient = m_frame.Client();
    m_saved.pos = m_pWindow->frameGeometry().topLeft();
    m_saved.clientOffset = m_frame.ClientOffset();
    m_saved.content = pView->SkinWindow()->size();
    m_saved.nZoom = pView->Zoom();
    m_saved.nScrollX = pClient->Layout().ScrollPosX();
    m_saved.nScrollY = pClient->Layout().ScrollPosY();
    m_saved.flags = m_pWindow->windowFlags();

    m_bOn = true;
    m_pScreen = pScreen;
    m_pWindow->menuBar()->hide();
    m_pWindow->setMinimumSize(0, 0);
    m_pWindow->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    Qt::WindowFlags flags = Qt::Window | Qt::FramelessWindowHint;
    flags.setFlag(Qt::WindowStaysOnTopHint, m_frame.StayOnTop());
    m_pWindow->setWindowFlags(flags); // hides the window until it shows again
    if (m_pWindow->windowHandle())
        m_pWindow->windowHandle()->setScreen(pScreen);
    // The whole screen, as a frameless window of the screen's size. The
    // window manager is not asked for its full-screen state: a request that
    // crosses the window's unmapping and mapping (the new flags) could leave
    // that state behind after presentation ends, a frameless-looking window
    // covering the screen.
    m_pWindow->setGeometry(pScreen->geometry());
    Relayout();
    m_pWindow->show();
    m_screenGeometry = connect(pScreen, &QScreen::geometryChanged, this, [this] { Relayout(); });

    qApp->installEventFilter(this);
    m_pEscape->setEnabled(true);
    ShowCursor();
    m_cursorTimer.start();
}

void CPresentationMode::Leave() {
    if (!m_bOn)
        return;
    m_bOn = false;
    m_bLeft = true;
    disconnect(m_screenGeometry);
    qApp->removeEventFilter(this);
    m_cursorTimer.stop();
    ShowCursor();
    m_pEscape->setEnabled(false);

    CQuillonView* pView = m_frame.GetActiveView();
    CFrameClient* pClient = m_frame.Client();
    pClient->SetPresentationArea(std::nullopt);
    pView->ScreenWindow()->Present(0, 0, false);
    // The window manager's full-screen state goes with the frameless window,
    // before the new one is made, so that it cannot pass to it.
    m_pWindow->setWindowState(m_pWindow->windowState() & ~Qt::WindowFullScreen);
    Qt::WindowFlags flags = m_saved.flags;
    flags.setFlag(Qt::WindowStaysOnTopHint, m_frame.StayOnTop());
    m_pWindow->setWindowFlags(flags);
    m_pWindow->setWindowState(Qt::WindowNoState);
    m_pWindow->menuBar()->show();
    // Shown first, so that the layout measures the window's frame again.
    m_frame.PlaceFrameAt(m_saved.pos, m_saved.clientOffset);
    m_pWindow->showNormal();
    // The window's own layout: its fixed size, scroll bars and place.
    pView->ScreenWindow()->Relayout();
    m_frame.PlaceFrameAt(m_saved.pos, m_saved.clientOffset);
    CheckLeft(kLeaveCheckTries);
    if (pView->SkinWindow()->size() == m_saved.content) {
        pClient->OnHScroll(ScrollCode::ThumbPosition, m_saved.nScrollX);
        pClient->OnVScroll(ScrollCode::ThumbPosition, m_saved.nScrollY);
    }
}

// Leaving: the window manager may still apply the full-screen state it was
// asked for before (a busy machine): a window left covering the screen is
// taken out of it again. Looks every 100 ms for 3 s.
void CPresentationMode::CheckLeft(int nTriesLeft) {
    if (m_bOn || nTriesLeft <= 0 || !m_pScreen)
        return;
    if (m_pWindow->geometry() == m_pScreen->geometry()) {
        // Qt may hold the state as normal already: through full screen, so
        // that the window manager is told again.
        m_pWindow->setWindowState(Qt::WindowFullScreen);
        m_pWindow->setWindowState(Qt::WindowNoState);
        m_frame.PlaceFrameAt(m_saved.pos, m_saved.clientOffset);
    }
    QTimer::singleShot(kLeaveCheckMs, this, [this, nTriesLeft] { CheckLeft(nTriesLeft - 1); });
}

void CPresentationMode::OnWindowStateChanged() {
    if (m_bOn || !m_bLeft || !m_pWindow->windowState().testFlag(Qt::WindowFullScreen))
        return;
    m_pWindow->setWindowState(m_pWindow->windowState() & ~Qt::WindowFullScreen);
    m_frame.PlaceFrameAt(m_saved.pos, m_saved.clientOffset);
}

void CPresentationMode::SetFill(bool bFill) {
    if (bFill == m_bFill)
        return;
    m_bFill = bFill;
    Relayout();
}

void CPresentationMode::Relayout() {
    if (!m_bOn)
        return;
    // A screen that went away leaves the one the window is on.
    QScreen* pScreen = m_pScreen ? m_pScreen.data() : m_pWindow->screen();
    if (!pScreen)
        return;
    const QRect screen = pScreen->geometry();
    if (m_pWindow->geometry() != screen)
        m_pWindow->setGeometry(screen);
    CQuillonView* pView = m_frame.GetActiveView();
    const QSize skin = pView->SkinWindow()->GetBitmapSize();
    m_place =
        PlacePresentation(screen.width(), screen.height(), skin.width(), skin.height(), m_bFill);
    m_frame.Client()->SetPresentationArea(QRect(m_place.x, m_place.y, m_place.cx, m_place.cy));
    pView->ScreenWindow()->Present(m_place.cx, m_place.cy, m_bFill);
}

bool CPresentationMode::eventFilter(QObject* pObject, QEvent* pEvent) {
    if (pEvent->type() == QEvent::MouseMove) {
        const auto* pWidget = qobject_cast<const QWidget*>(pObject);
        if ((pWidget && pWidget->window() == m_pWindow) || pObject == m_pWindow->windowHandle()) {
            ShowCursor();
            m_cursorTimer.start();
        }
    }
    return QObject::eventFilter(pObject, pEvent);
}

void CPresentationMode::HideCursor() {
    if (!m_bOn || m_bCursorHidden)
        return;
    m_bCursorHidden = true;
    m_pWindow->setCursor(Qt::BlankCursor);
}

void CPresentationMode::ShowCursor() {
    if (!m_bCursorHidden)
        return;
    m_bCursorHidden = false;
    m_pWindow->unsetCursor();
}
