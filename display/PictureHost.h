// What the picture windows need from the view that owns them.
//
// The view implements this; the windows ask it whether a movie is being
// recorded (for the "REC!" mark), and hand it the skin's new content size so
// that the main window can fit itself around it. The screen itself comes
// from the screen model (codec/ScreenModel.h).
#pragma once

#include <string>

class IPictureHost {
public:
    virtual ~IPictureHost() = default;

    // True while a movie is being recorded.
    virtual bool IsRecording() const = 0;
    // The mark drawn over the screen on the window while recording ("REC!"
    // and what the host adds); empty: none.
    virtual std::string RecordingMark() const { return IsRecording() ? "REC!" : std::string(); }

    // The skin window has taken a new size (zoom x skin bitmap): the main
    // window fits a content area of cx x cy, centres itself and scrolls the
    // phone's screen into the middle of its page.
    virtual void ResizeToContent(int cx, int cy) = 0;
};
