// The demo's phone: the phone simulator, running in a thread of the program,
// sends the built-in home screen with its running clock on a pseudo-terminal
// that the program then connects to, so a user without a phone sees the
// whole program work.
#pragma once

#include <memory>
#include <string>
#include <thread>

class CDemoPhone {
public:
    CDemoPhone();
    // Stops the simulator and waits for its thread.
    ~CDemoPhone();
    CDemoPhone(const CDemoPhone&) = delete;
    CDemoPhone& operator=(const CDemoPhone&) = delete;

    // Creates the pseudo-terminal and starts sending on it. strPath receives
    // the device to open; on false strError says what failed.
    bool Start(int nPlatform, std::string& strPath, std::string& strError);
    void Stop();

private:
    struct State;
    std::unique_ptr<State> m_pState;
    std::thread m_thread;
};
