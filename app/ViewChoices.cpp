#include "app/ViewChoices.h"

#include "app/MainFrame.h"
#include "app/PresentationMode.h"
#include "app/QuillonView.h"
#include "app/Settings.h"
#include "app/WindowPlacement.h"
#include "display/FrameClient.h"
#include "display/SkinMenu.h"

#include <QGuiApplication>
#include <QScreen>

namespace {

std::string SkinKey(const CSkinEntry& skin) {
    return skin.IsBuiltin() ? std::string(kBuiltinSkinKey) : skin.m_strBitmapPath;
}

std::string FileName(const std::string& strPath) {
    const std::size_t slash = strPath.rfind('/');
    return slash == std::string::npos ? strPath : strPath.substr(slash + 1);
}

// The index of the remembered skin in the catalog, or -1: the same path
// first, then the same file name.
int FindSkin(const CSkinCatalog& catalog, const std::string& strKey) {
    for (int i = 0; i < catalog.SkinCount(); ++i)
        if (const CSkinEntry* p = catalog.Skin(i); p && SkinKey(*p) == strKey)
            return i;
    const std::string name = FileName(strKey);
    for (int i = 0; i < catalog.SkinCount(); ++i)
        if (const CSkinEntry* p = catalog.Skin(i);
            p && !p->IsBuiltin() && FileName(p->m_strBitmapPath) == name)
            return i;
    return -1;
}

} // namespace

CViewChoices::CViewChoices(CSettings& settings, CMainFrame& frame)
    : m_settings(settings), m_frame(frame) {}

QScreen* CViewChoices::ScreenByNumber(int nScreen, std::string& strError) {
    const QList<QScreen*> screens = QGuiApplication::screens();
    if (nScreen >= 1 && nScreen <= screens.size())
        return screens[nScreen - 1];
    strError = "--screen " + std::to_string(nScreen) +
               ": there is no such screen. This desktop has " + std::to_string(screens.size()) +
               (screens.size() == 1 ? " screen" : " screens") + ", counted from 1.";
    return nullptr;
}

void CViewChoices::ApplyAtStart(const CommandLineOptions& options) {
    m_nScreen = options.nScreen;
    CQuillonView* pView = m_frame.GetActiveView();
    if (!options.strSkin.empty()) {
        // Checked before the window opened; the catalog is then rebuilt.
        std::string error;
        CSkinCatalog finder(SkinBitmapLoads);
        finder.SetProgramFolder(pView->Catalog().ProgramFolder());
        finder.SetUserSkinRoot(pView->Catalog().UserSkinRoot());
        m_skinOption = FindSkinOption(finder, options.strSkin, error);
        OnSkinsRebuilt(pView->Catalog().CurrentPlatform());
    }
    pView->SetZoom(options.bZoom ? 2 : m_settings.Zoom());
    m_frame.Presentation().SetFill(m_settings.FillScreen());
    pView->SetRecordingIndicator(m_settings.RecordingIndicator());
    if (options.bNoWindow)
        return;
    m_frame.SetStayOnTop(options.bAlwaysOnTop || m_settings.StayOnTop());
    if (const auto pos = m_settings.WindowPosition()) {
        std::vector<SWorkArea> screens;
        for (const QScreen* pScreen : QGuiApplication::screens()) {
            const QRect rc = pScreen->availableGeometry();
            screens.push_back({rc.x(), rc.y(), rc.width(), rc.height()});
        }
        // The frame as it was when the position was saved, or as it is now.
        const auto frame = m_settings.WindowFrame();
        const QPoint offset = frame ? QPoint(frame->first, frame->second) : m_frame.ClientOffset();
        // Its outer size: the frame's sides as wide as its left, its foot too.
        const QSize size = m_frame.size() + QSize(2 * offset.x(), offset.y() + offset.x());
        const auto [x, y] =
            KeepInsideScreens(pos->first, pos->second, size.width(), size.height(), screens);
        m_frame.PlaceFrameAt(QPoint(x, y), offset);
        // Saved without the frame's widths: the frame goes to the corner
        // once the window manager has framed the window.
        if (offset.isNull())
            m_frame.Client()->WhenFramed(
                [this, at = QPoint(x, y)] { m_frame.PlaceFrameAt(at, m_frame.ClientOffset()); });
    }
    if (options.bFullscreen)
        TogglePresentation();
}

void CViewChoices::ToggleZoom() {
    CQuillonView* pView = m_frame.GetActiveView();
    pView->OnZoom();
    m_settings.SetZoom(pView->Zoom());
}

void CViewChoices::SetZoom(int nZoom) {
    CQuillonView* pView = m_frame.GetActiveView();
    pView->SetZoom(nZoom);
    m_settings.SetZoom(pView->Zoom());
}

void CViewChoices::ToggleFillScreen() {
    m_frame.Presentation().SetFill(!m_frame.Presentation().Fill());
    m_settings.SetFillScreen(m_frame.Presentation().Fill());
}

void CViewChoices::ToggleRecordingIndicator() {
    m_settings.SetRecordingIndicator(!m_settings.RecordingIndicator());
    m_frame.GetActiveView()->SetRecordingIndicator(m_settings.RecordingIndicator());
}

void CViewChoices::ToggleStayOnTop() {
    m_frame.SetStayOnTop(!m_frame.StayOnTop());
    m_settings.SetStayOnTop(m_frame.StayOnTop());
}

void CViewChoices::SelectSkin(int nCommandId) {
    CQuillonView* pView = m_frame.GetActiveView();
    pView->OnSelectSkin(nCommandId);
    if (const CSkinEntry* pSkin = pView->Catalog().CurrentSkin())
        m_settings.SetSkin(pSkin->m_nPlatform, SkinKey(*pSkin));
}

void CViewChoices::OnSkinsRebuilt(int nPlatform) {
    std::string key = m_settings.Skin(nPlatform);
    CSkinCatalog& catalog = m_frame.GetActiveView()->Catalog();
    // --skin wins for its platform; a skin file of its own joins the menu.
    if (m_skinOption && m_skinOption->nPlatform == nPlatform) {
        key = m_skinOption->strKey;
        if (!m_skinOption->strFile.empty())
            catalog.ParseSkinFile(m_skinOption->strFile,
                                  CSkinMenu::For(FindSkinSubmenu(m_frame.menuBar()), &catalog));
    }
    if (key.empty())
        return;
    const int index = FindSkin(catalog, key);
    if (index > 0)
        catalog.OnSelectSkin(CSkinCatalog::kFirstCommand + index);
}

void CViewChoices::SaveWindowPosition() {
    // The frame's corner, title bar included: where the user sees the window.
    const CPresentationMode& presentation = m_frame.Presentation();
    const QPoint pos =
        presentation.IsOn() ? presentation.WindowPosition() : m_frame.frameGeometry().topLeft();
    const QPoint offset =
        presentation.IsOn() ? presentation.ClientOffset() : m_frame.ClientOffset();
    m_settings.SetWindowPosition(pos.x(), pos.y());
    m_settings.SetWindowFrame(offset.x(), offset.y());
}

void CViewChoices::TogglePresentation() {
    CPresentationMode& presentation = m_frame.Presentation();
    if (presentation.IsOn()) {
        presentation.Leave();
        return;
    }
    std::string error;
    presentation.Enter(m_nScreen > 0 ? ScreenByNumber(m_nScreen, error) : nullptr);
}
