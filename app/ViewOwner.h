// What the view asks of the window that holds it: the caption, the window's
// size around the phone, the skin menu, and whether presentation is on. The
// main window implements it; the view knows no more of it.
#pragma once

#include <string>

class IViewOwner {
public:
    // The connection state the caption shows ("No connection", the port).
    virtual void SetDocumentTitle(const std::string& strTitle) = 0;
    // The view's content is now cx x cy: the window fits itself around it.
    virtual void ResizeToContent(int cx, int cy) = 0;
    // Rebuilds the skin menu for a platform and selects its first skin.
    virtual void RebuildSkinMenu(int nPlatform) = 0;
    // Whether a content of cx x cy fits on the window's screen whole.
    virtual bool FitsWhole(int cx, int cy) const = 0;
    // Whether the window is in presentation mode.
    virtual bool IsPresenting() const = 0;

protected:
    ~IViewOwner() = default;
};
