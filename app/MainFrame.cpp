#include "app/MainFrame.h"

#include "app/CommandTable.h"
#include "app/MainMenu.h"
#include "app/NoticeWnd.h"
#include "app/QuillonView.h"
#include "display/FrameClient.h"
#include "display/SkinMenu.h"
#include "res/BitmapResources.h"
#include "res/ResourceIds.h"
#include "res/Strings.h"

#include <QAction>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QMenu>
#include <QMenuBar>

CMainFrame::CMainFrame()
    : QMainWindow(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                               Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      m_pClient(new CFrameClient(this)), m_pView(nullptr),
      m_pNotice(new CNoticeWnd(m_pClient, [this] { return m_pClient->VisibleArea(); })) {
    setWindowIcon(ApplicationIcon());
    setCentralWidget(m_pClient);
    m_actions = BuildMainMenu(menuBar(), [this](int id) { RunCommand(id); });
    for (QAction* pMenuAction : menuBar()->actions())
        WatchMenu(pMenuAction->menu());
    // The window holds every command too, so its keys work while the menu bar
    // is hidden.
    for (auto& [id, pAction] : m_actions)
        addAction(pAction);
    m_pContextMenu = new QMenu(this);
    WatchMenu(m_pContextMenu);
    m_doc.OnTitleChanged([this](const std::string& t) { UpdateCaption(t); });

    m_pView = new CQuillonView(this, m_pClient);
    m_pClient->SetView(m_pView);
    m_pClient->SetPictureWindows(m_pView->SkinWindow(), m_pView->ScreenWindow());
    m_pPresentation = std::make_unique<CPresentationMode>(this, *this);
}

CMainFrame::~CMainFrame() = default;

void CMainFrame::WatchMenu(QMenu* pMenu) {
    connect(pMenu, &QMenu::aboutToShow, this, [this, pMenu] { UpdateMenu(pMenu); });
    // Between menu openings every shortcut stays live; the rule is checked
    // when it fires.
    connect(pMenu, &QMenu::aboutToHide, this, [this] {
        for (auto& [id, pAction] : m_actions)
            pAction->setEnabled(true);
    });
}

QMenu* CMainFrame::ContextMenu() {
    // The menu bar's own File and View items, as they are now (the skin
    // submenu included): one action each, so rules, checks and keys agree.
    m_pContextMenu->clear();
    const QList<QAction*> menus = menuBar()->actions();
    for (int i = 0; i < 2 && i < menus.size(); ++i) {
        if (i > 0)
            m_pContextMenu->addSeparator();
        m_pContextMenu->addActions(menus[i]->menu()->actions());
    }
    UpdateMenu(m_pContextMenu);
    return m_pContextMenu;
}

void CMainFrame::contextMenuEvent(QContextMenuEvent* pEvent) {
    ContextMenu()->popup(pEvent->globalPos());
    pEvent->accept();
}

void CMainFrame::SetStayOnTop(bool bOn) {
    if (bOn == m_bStayOnTop)
        return;
    m_bStayOnTop = bOn;
    // A new window flag hides the window: show it again where it was.
    const bool bVisible = isVisible();
    const QPoint pos = this->pos();
    setWindowFlag(Qt::WindowStaysOnTopHint, bOn);
    if (bVisible) {
        move(pos);
        show();
    }
}

QPoint CMainFrame::ClientOffset() const {
    // A window without frame (not yet framed, or presenting) keeps the offset
    // of the frame it had.
    const QPoint offset = geometry().topLeft() - frameGeometry().topLeft();
    if (!offset.isNull() && !windowFlags().testFlag(Qt::FramelessWindowHint))
        m_clientOffset = offset;
    return m_clientOffset;
}

void CMainFrame::PlaceFrameAt(QPoint ptFrame, QPoint clientOffset) {
    // setGeometry places the client (move() would place the frame, and
    // guess its size while the window manager has not told it yet).
    setGeometry(QRect(ptFrame + clientOffset, size()));
}

void CMainFrame::SetProgramTitle(std::string strTitle) {
    m_strProgramTitle = std::move(strTitle);
    UpdateCaption(m_doc.GetTitle());
}

void CMainFrame::UpdateCaption(const std::string& strTitle) {
    const std::string program =
        m_strProgramTitle.empty() ? LoadStringResource(IDS_APP_TITLE) : m_strProgramTitle;
    setWindowTitle(QString::fromLocal8Bit((strTitle + " - " + program).c_str()));
}

UiState CMainFrame::State() const {
    UiState s = m_fnState ? m_fnState() : UiState{};
    s.bPresentation = m_pPresentation && m_pPresentation->IsOn();
    s.bFillScreen = m_pPresentation && m_pPresentation->Fill();
    s.bStayOnTop = m_bStayOnTop;
    return s;
}

bool CMainFrame::IsCommandEnabled(int nCommandId) const {
    return CommandState(nCommandId, State()).bEnabled;
}

bool CMainFrame::RunCommand(int nCommandId) {
    if (!IsCommandEnabled(nCommandId))
        return false;
    if (m_fnCommand)
        m_fnCommand(nCommandId);
    return true;
}

QAction* CMainFrame::Action(int nCommandId) const {
    const auto it = m_actions.find(nCommandId);
    return it == m_actions.end() ? nullptr : it->second;
}

void CMainFrame::UpdateMenu(QMenu* pMenu) {
    const UiState state = State();
    for (QAction* pAction : pMenu->actions()) {
        for (auto& [id, pCommand] : m_actions) {
            if (pCommand != pAction)
                continue;
            const CommandUi ui = CommandState(id, state);
            pAction->setEnabled(ui.bEnabled);
            if (pAction->isCheckable())
                pAction->setChecked(ui.bChecked);
        }
    }
}

void CMainFrame::RebuildSkinMenu(int nPlatform) {
    ::RebuildSkinMenu(menuBar(), m_pView->Catalog(), nPlatform, [this](int id) { RunCommand(id); });
    if (m_fnSkinsRebuilt)
        m_fnSkinsRebuilt(nPlatform);
}

void CMainFrame::ResizeToContent(int cx, int cy) {
    if (m_pPresentation && m_pPresentation->IsOn())
        m_pPresentation->Relayout();
    else
        m_pClient->ResizeToContent(cx, cy);
}

bool CMainFrame::FitsWhole(int cx, int cy) const {
    return m_pClient->FitsWhole(cx, cy);
}

bool CMainFrame::IsPresenting() const {
    return m_pPresentation && m_pPresentation->IsOn();
}

void CMainFrame::CloseWithoutAsking() {
    m_bForceClose = true;
    close();
}

void CMainFrame::changeEvent(QEvent* pEvent) {
    QMainWindow::changeEvent(pEvent);
    if (pEvent->type() == QEvent::WindowStateChange && m_pPresentation)
        m_pPresentation->OnWindowStateChanged();
}

void CMainFrame::closeEvent(QCloseEvent* pEvent) {
    if (!m_bForceClose && m_fnClose && !m_fnClose()) {
        pEvent->ignore();
        return;
    }
    pEvent->accept();
}
