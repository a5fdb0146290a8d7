// What the serial driver needs from the view that shows the phone's screen.
//
// The driver calls every operation on the UI thread: calls raised on the
// monitor thread travel the UI hand-over, and the monitor thread waits until
// they have returned.
#pragma once

#include <cstdint>

class ILinkOwner {
public:
    virtual ~ILinkOwner() = default;

    // A screen payload, handed over from the monitor thread, which waits
    // until this call has returned. The bytes belong to the driver and stay
    // valid until then; payloads come one at a time, in order, each an
    // update of the previous picture.
    virtual void OnPortFrame(const std::uint8_t* pPayload, std::uint32_t nLength) = 0;

    // The connection ended or went idle (the phone's closing notice, ten
    // seconds of silence, the port closed or lost): stop recording and show
    // the idle picture when bShowStored is set.
    virtual void ResetScreen(bool bShowStored) = 0;

    // True while the screen window shows received screens rather than the
    // idle picture (its screen bitmap exists). The closing marker is written
    // to the phone only then.
    virtual bool ShowsReceivedScreens() const = 0;

    // The device went away (unplugged, hung up, failing): the driver has told
    // the user, closed the port and reset the screen; the application shows
    // "No connection" again. The port can be opened again later.
    virtual void OnConnectionLost() {}

    // The phone sent its closing notice; ResetScreen follows at once. The
    // port stays open.
    virtual void OnCloseNotice() {}
};
