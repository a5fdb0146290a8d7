// The skin window: the picture of the phone. It stays at the view's origin,
// takes the size of its zoomed bitmap and, when scrolled, shifts its drawing
// origin by whole skin pixels instead of moving.
#pragma once

#include "display/PictureWnd.h"

class CSkinWnd : public CPictureWnd {
public:
    explicit CSkinWnd(IPictureHost* pHost, QWidget* pParent = nullptr);

    // Takes the size zoom x bitmap, stays below the screen window, returns to
    // scroll offset 0 and asks the main window to fit the new content size.
    void Relayout() override;
};
