// The main window: caption, menu bar, keyboard shortcuts, scroll bars and its
// own size, presentation mode and staying on top. Its client area holds the
// view; it holds no screen state. A right-click anywhere opens a menu with
// the File and View menus' items. Every shortcut works also while the menu
// bar is hidden (presentation).
#pragma once

#include "app/CommandRules.h"
#include "app/PresentationMode.h"
#include "app/QuillonDoc.h"
#include "app/ViewOwner.h"

#include <QMainWindow>

#include <functional>
#include <map>
#include <memory>

class CFrameClient;
class CNoticeWnd;
class CQuillonView;
class QAction;
class QMenu;

class CMainFrame : public QMainWindow, public IViewOwner, public IPresentationFrame {
public:
    // onCommand receives every command chosen from the menu or the keyboard
    // that its enabling rule allows; canClose decides a close request.
    CMainFrame();
    ~CMainFrame() override;

    CQuillonDoc& Document() { return m_doc; }
    CQuillonView* GetActiveView() const override { return m_pView; }
    CFrameClient* Client() const override { return m_pClient; }
    // The notice over the picture (INoticeSink shows it).
    CNoticeWnd* Notice() const { return m_pNotice; }

    void SetCommandHandler(std::function<void(int)> fn) { m_fnCommand = std::move(fn); }
    // Asked before the window closes; false keeps it open.
    void SetCloseHandler(std::function<bool()> fn) { m_fnClose = std::move(fn); }
    // The state the enabling rules are computed from.
    void SetStateProvider(std::function<UiState()> fn) { m_fnState = std::move(fn); }

    // Rebuilds the skin catalog and the skin submenu for a platform and
    // selects its first skin, then tells the handler below.
    void RebuildSkinMenu(int nPlatform) override;
    // Told after every rebuild of the skin menu, with the platform.
    void SetSkinsRebuiltHandler(std::function<void(int)> fn) { m_fnSkinsRebuilt = std::move(fn); }
    // Fits the window around a content of cx x cy, centres it, and scrolls the
    // phone's screen into the middle of the page; in presentation mode it
    // places the phone on the screen again instead.
    void ResizeToContent(int cx, int cy) override;
    // IViewOwner: the document's title, the client's screen, presentation.
    void SetDocumentTitle(const std::string& strTitle) override { m_doc.SetTitle(strTitle); }
    bool FitsWhole(int cx, int cy) const override;
    bool IsPresenting() const override;

    CPresentationMode& Presentation() { return *m_pPresentation; }
    const CPresentationMode& Presentation() const { return *m_pPresentation; }
    // What the caption shows after the connection (--window-title); empty:
    // the program's name.
    void SetProgramTitle(std::string strTitle);
    // Keeps the window above other windows.
    void SetStayOnTop(bool bOn);
    bool StayOnTop() const override { return m_bStayOnTop; }

    // How far the client lies from the frame's top-left corner (the frame's
    // left width; its top with the title bar), as the window manager framed
    // the window last; (0, 0) before it ever was.
    QPoint ClientOffset() const override;
    // Puts the frame's top-left corner at ptFrame, the client lying
    // clientOffset from it. The client's own position is what is asked of
    // the window manager: that one it keeps to the pixel, whether or not it
    // has framed the window yet.
    void PlaceFrameAt(QPoint ptFrame, QPoint clientOffset) override;

    // The right-click menu, filled from the menu bar and with the rules
    // applied as when it opens.
    QMenu* ContextMenu();

    // Runs a command as the menu would: only when its rule enables it.
    bool RunCommand(int nCommandId) override;
    // Whether the command's rule enables it now.
    bool IsCommandEnabled(int nCommandId) const;
    QAction* Action(int nCommandId) const;

    // Closes without asking (Exit from a signal or a time limit).
    void CloseWithoutAsking();

protected:
    void closeEvent(QCloseEvent* pEvent) override;
    void changeEvent(QEvent* pEvent) override;
    void contextMenuEvent(QContextMenuEvent* pEvent) override;

private:
    UiState State() const;
    void UpdateMenu(QMenu* pMenu);
    void WatchMenu(QMenu* pMenu);
    void UpdateCaption(const std::string& strTitle);

    CQuillonDoc m_doc;
    CFrameClient* m_pClient;
    CQuillonView* m_pView;
    CNoticeWnd* m_pNotice;
    std::map<int, QAction*> m_actions;
    std::function<void(int)> m_fnCommand;
    std::function<bool()> m_fnClose;
    std::function<UiState()> m_fnState;
    std::function<void(int)> m_fnSkinsRebuilt;
    std::unique_ptr<CPresentationMode> m_pPresentation;
    QMenu* m_pContextMenu = nullptr;
    bool m_bForceClose = false;
    bool m_bStayOnTop = false;
    std::string m_strProgramTitle;
    mutable QPoint m_clientOffset; // the last frame seen, see ClientOffset
};
