#include "app/MainFrame.h"

#include "app/CommandRules.h"
#include "app/MainMenu.h"
#include "app/QuillonView.h"
#include "display/FrameClient.h"
#include "display/SkinMenu.h"
#include "res/BitmapResources.h"
#include "res/ResourceIds.h"
#include "res/Strings.h"

#include <QAction>
#include <QCloseEvent>
#include <QMenu>
#include <QMenuBar>

CMainFrame::CMainFrame()
    : QMainWindow(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                               Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      m_pClient(new CFrameClient(this)), m_pView(nullptr) {
    setWindowIcon(ApplicationIcon());
    setCentralWidget(m_pClient);
    m_actions = BuildMainMenu(menuBar(), [this](int id) { RunCommand(id); });
    for (QAction* pMenuAction : menuBar()->actions()) {
        QMenu* pMenu = pMenuAction->menu();
        connect(pMenu, &QMenu::aboutToShow, this, [this, pMenu] { UpdateMenu(pMenu); });
        // Between menu openings every shortcut stays live; the rule is checked
        // when it fires.
        connect(pMenu, &QMenu::aboutToHide, this, [this] {
            for (auto& [id, pAction] : m_actions)
                pAction->setEnabled(true);
        });
    }
    m_doc.OnTitleChanged([this](const std::string& t) { UpdateCaption(t); });

    m_pView = new CQuillonView(this, m_pClient);
    m_pClient->SetView(m_pView);
    m_pClient->SetPictureWindows(m_pView->SkinWindow(), m_pView->ScreenWindow());
}

CMainFrame::~CMainFrame() = default;

void CMainFrame::UpdateCaption(const std::string& strTitle) {
    setWindowTitle(
        QString::fromLocal8Bit((strTitle + " - " + LoadStringResource(IDS_APP_TITLE)).c_str()));
}

bool CMainFrame::IsCommandEnabled(int nCommandId) const {
    return CommandState(nCommandId, m_fnState ? m_fnState() : UiState{}).bEnabled;
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
    const UiState state = m_fnState ? m_fnState() : UiState{};
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
}

void CMainFrame::ResizeToContent(int cx, int cy) {
    m_pClient->ResizeToContent(cx, cy);
}

void CMainFrame::CloseWithoutAsking() {
    m_bForceClose = true;
    close();
}

void CMainFrame::closeEvent(QCloseEvent* pEvent) {
    if (!m_bForceClose && m_fnClose && !m_fnClose()) {
        pEvent->ignore();
        return;
    }
    pEvent->accept();
}
