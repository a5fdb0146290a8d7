#include "app/DemoPhone.h"

#include "phone/HomeScreenScene.h"
#include "phone/PhoneLink.h"
#include "phone/PhoneOptions.h"
#include "phone/PhoneSimulator.h"
#include "phone/StopSignal.h"
#include "platform/PortNameTable.h"

#include <chrono>
#include <csignal>

struct CDemoPhone::State {
    PhoneOptions options;
    CPhoneLink link;
    std::unique_ptr<CHomeScreenScene> scene;
};

CDemoPhone::CDemoPhone() = default;

CDemoPhone::~CDemoPhone() {
    Stop();
}

bool CDemoPhone::Start(int nPlatform, std::string& strPath, std::string& strError) {
    Stop();
    auto state = std::make_unique<State>();
    state->options.eOutput = PhoneOptions::Output::Pty;
    state->options.nPlatform = nPlatform;
    state->options.dFps = 10;
    state->options.nBaud = 0; // as fast as a USB port takes it
    // A whole picture every second: a program that closes the port and opens
    // it again at once has the picture back within a second, even when the
    // phone could not notice that it went.
    state->options.nHeaderEvery = 10;
    if (!CStopSignal::CreateWakePipe()) {
        strError = "The demo phone cannot start: no pipe could be created.";
        return false;
    }
    CStopSignal::Reset();
    std::signal(SIGPIPE, SIG_IGN);
    if (!state->link.OpenPty(strPath)) {
        strError = "The demo phone cannot start: " + state->link.ErrorText();
        return false;
    }
    state->scene =
        std::make_unique<CHomeScreenScene>(state->options.Width(), state->options.Height());
    m_pState = std::move(state);
    State* s = m_pState.get();
    m_thread = std::thread([s] {
        for (;;) {
            const auto now = std::chrono::duration_cast<std::chrono::milliseconds>(
                                 std::chrono::system_clock::now().time_since_epoch())
                                 .count();
            CPhoneSimulator simulator(s->options, *s->scene, s->link, now);
            // The program closed the connection ("close_tx"); it may open
            // it again at once, so the phone starts afresh.
            if (simulator.Run() != CPhoneSimulator::End::PeerClosed)
                break;
        }
        s->link.Close();
    });
    CPortNameTable::SetProgramPort(kPortName, strPath);
    return true;
}

void CDemoPhone::Stop() {
    if (m_pState)
        CPortNameTable::SetProgramPort(kPortName, {});
    if (m_thread.joinable()) {
        // Two requests: stop at once, without waiting for the reader.
        CStopSignal::Raise();
        CStopSignal::Raise();
        m_thread.join();
    }
    m_pState.reset();
}
