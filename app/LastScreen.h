// The phone's picture as it was last shown, for --capture at the end of a
// run: while the picture is live it is the model's own; when it is hidden
// (the phone paused, the connection ended) a copy is kept, because the model
// may drop its picture before the run ends (a resume that does not fit, a
// new header). Copies only when the picture is hidden.
#pragma once

#include "codec/ScreenModel.h"

#include <memory>

class CLastScreen : public IScreenSink {
public:
    // The picture last shown; null when none ever was.
    const CScreenDib* Picture(const CScreenModel& screen) const {
        return screen.IsLive() ? screen.Picture() : m_pKept.get();
    }

    void OnScreenChanged(const CScreenModel&, const ScreenChange&) override {}
    void OnScreenHidden(const CScreenModel& screen) override {
        if (const CScreenDib* pDib = screen.Picture())
            m_pKept = std::make_unique<CScreenDib>(*pDib);
    }

private:
    std::unique_ptr<CScreenDib> m_pKept;
};
