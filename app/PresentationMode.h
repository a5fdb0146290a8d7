// Presentation mode: the main window covers one whole screen, without menu
// bar or frame, on black, with the phone in its skin centred on it. The phone
// is scaled by the largest whole factor that fits, nearest-neighbour, so each
// phone pixel becomes an exact k x k block and text stays sharp; with "Fill
// the screen" it is scaled smoothly to the largest size that fits instead.
//
// The commands stay at hand: every key works and a right-click opens the
// File and View items (the main window). The mouse cursor hides after 2 seconds
// without movement; Esc leaves. A skin, platform or screen size change
// places the phone again at once. Leaving restores the window as it was:
// position, zoom and scroll. UI thread only.
#pragma once

#include "display/PresentationLayout.h"

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QScreen>
#include <QSize>
#include <QTimer>

class CFrameClient;
class CQuillonView;
class QMainWindow;
class QShortcut;

// What presentation asks of the main window beyond QMainWindow's own: its
// view and client, where its frame stands, whether it stays on top, and the
// command Esc runs.
class IPresentationFrame {
public:
    virtual CQuillonView* GetActiveView() const = 0;
    virtual CFrameClient* Client() const = 0;
    virtual QPoint ClientOffset() const = 0;
    virtual void PlaceFrameAt(QPoint ptFrame, QPoint clientOffset) = 0;
    virtual bool StayOnTop() const = 0;
    // Runs a command as the menu would (only when its rule enables it).
    virtual bool RunCommand(int nCommandId) = 0;

protected:
    ~IPresentationFrame() = default;
};

class CPresentationMode : public QObject {
public:
    CPresentationMode(QMainWindow* pWindow, IPresentationFrame& frame);
    ~CPresentationMode() override;

    bool IsOn() const { return m_bOn; }
    // Covers pScreen; null: the screen the window is on.
    void Enter(QScreen* pScreen = nullptr);
    void Leave();

    // "Fill the screen": smooth scaling to the largest size that fits.
    bool Fill() const { return m_bFill; }
    void SetFill(bool bFill);

    // The window's state changed (the window manager may say so late): out
    // of presentation the window is never full screen; one the window
    // manager still holds full screen goes back to its place.
    void OnWindowStateChanged();

    // Places the phone on the screen again (a new skin, platform or screen size).
    void Relayout();
    // Where the skin lies on the screen and at what factor, since the last layout.
    const SPresentationPlacement& Placement() const { return m_place; }
    QScreen* Screen() const { return m_pScreen; }
    // Where the window stood before presentation (valid while on).
    // (its frame's corner, and the client's offset from it).
    QPoint WindowPosition() const { return m_saved.pos; }
    QPoint ClientOffset() const { return m_saved.clientOffset; }

    // How long the mouse may rest before its cursor hides (tests shorten it).
    void SetCursorDelayMs(int nMs) { m_cursorTimer.setInterval(nMs); }
    bool IsCursorHidden() const { return m_bCursorHidden; }

protected:
    // Any mouse movement over the window shows the cursor again.
    bool eventFilter(QObject* pObject, QEvent* pEvent) override;

private:
    void CheckLeft(int nTriesLeft);
    void HideCursor();
    void ShowCursor();

    QMainWindow* m_pWindow;
    IPresentationFrame& m_frame;
    bool m_bOn = false;
    bool m_bFill = false;
    bool m_bLeft = false; // presentation was on and has been left
    QPointer<QScreen> m_pScreen;
    SPresentationPlacement m_place;
    QTimer m_cursorTimer;
    bool m_bCursorHidden = false;
    QShortcut* m_pEscape;
    QMetaObject::Connection m_screenGeometry;

    // The window as it was before presentation.
    struct SSaved {
        QPoint pos;          // the frame's top-left corner
        QPoint clientOffset; // the client's corner from there
        QSize content;       // zoom x skin
        int nZoom = 1;
        int nScrollX = 0;
        int nScrollY = 0;
        Qt::WindowFlags flags;
    } m_saved;
};
