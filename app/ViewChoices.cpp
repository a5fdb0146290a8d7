#include "app/ViewChoices.h"

#include "app/MainFrame.h"
#include "app/PresentationMode.h"
#include "app/QuillonView.h"
#include "app/Settings.h"
#include "app/WindowPlacement.h"
#include "res/ResourceIds.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTimer>

namespace {

// How long a window without frame is watched for the frame to come: 50 ms
// at a time, 3 s in all.
constexpr int kFrameWaitMs = 50;
constexpr int kFrameWaitTries = 60;

// What the settings hold for the built-in skin (no bitmap file of its own).
const char kBuiltinSkin[] = "builtin";

std::string SkinKey(const CSkinEntry& skin) {
    return skin.IsBuiltin() ? std::string(kBuiltinSkin) : skin.m_strBitmapPath;
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
    if ((options.bZoom || m_settings.Zoom() == 2) && pView->Zoom() == 1)
        pView->OnZoom();
    m_frame.Presentation().SetFill(m_settings.FillScreen());
    if (options.bNoWindow)
        return;
    m_frame.SetStayOnTop(m_settings.StayOnTop());
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
        if (offset.isNull())
            PlaceWhenFramed(QPoint(x, y), kFrameWaitTries);
    }
    if (options.bFullscreen)
        TogglePresentation();
}

bool CViewChoices::OnCommand(int nCommandId) {
    CQuillonView* pView = m_frame.GetActiveView();
    if (!pView)
        return false;
    switch (nCommandId) {
    case ID_VIEW_ZOOM:
        pView->OnZoom();
        m_settings.SetZoom(pView->Zoom());
        return true;
    case ID_VIEW_PRESENTATION:
        TogglePresentation();
        return true;
    case ID_VIEW_FILL_SCREEN:
        m_frame.Presentation().SetFill(!m_frame.Presentation().Fill());
        m_settings.SetFillScreen(m_frame.Presentation().Fill());
        return true;
    case ID_VIEW_STAY_ON_TOP:
        m_frame.SetStayOnTop(!m_frame.StayOnTop());
        m_settings.SetStayOnTop(m_frame.StayOnTop());
        return true;
    default:
        break;
    }
    if (nCommandId < ID_SKIN_FIRST || nCommandId > ID_SKIN_LAST)
        return false;
    pView->OnSelectSkin(nCommandId);
    if (const CSkinEntry* pSkin = pView->Catalog().CurrentSkin())
        m_settings.SetSkin(pSkin->m_nPlatform, SkinKey(*pSkin));
    return true;
}

void CViewChoices::OnSkinsRebuilt(int nPlatform) {
    const std::string key = m_settings.Skin(nPlatform);
    if (key.empty())
        return;
    CSkinCatalog& catalog = m_frame.GetActiveView()->Catalog();
    const int index = FindSkin(catalog, key);
    if (index > 0)
        catalog.OnSelectSkin(CSkinCatalog::kFirstCommand + index);
}

// A position saved without the frame's widths: once the window manager has
// framed the window, its frame goes to the corner. Without a window manager
// the window never gets a frame and stays where it is.
void CViewChoices::PlaceWhenFramed(QPoint ptFrame, int nTriesLeft) {
    if (const QPoint offset = m_frame.ClientOffset(); !offset.isNull()) {
        m_frame.PlaceFrameAt(ptFrame, offset);
        return;
    }
    if (nTriesLeft > 0)
        QTimer::singleShot(kFrameWaitMs, &m_frame, [this, ptFrame, nTriesLeft] {
            PlaceWhenFramed(ptFrame, nTriesLeft - 1);
        });
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
