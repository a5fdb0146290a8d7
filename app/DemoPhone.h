// The demo's phone: the phone simulator, running in a thread of the program,
// sends the built-in home screen with its running clock on a pseudo-terminal
// that the program then connects to, so a user without a phone sees the
// whole program work.
//
// The "COM ports" dialog always lists it as "Demo phone", last; choosing it
// starts the phone. While it runs, the port-name table knows its
// pseudo-terminal as that port, and the caption shows the name. The phone
// outlives Close connection and serves the next open.
#pragma once

#include <memory>
#include <string>
#include <thread>

class CDemoPhone {
public:
    // The port name under which the program opens the demo's phone.
    static constexpr const char* kPortName = "Demo phone";

    CDemoPhone();
    // Stops the simulator and waits for its thread.
    ~CDemoPhone();
    CDemoPhone(const CDemoPhone&) = delete;
    CDemoPhone& operator=(const CDemoPhone&) = delete;

    // Creates the pseudo-terminal, registers it as kPortName and starts
    // sending on it. strPath receives the device; on false strError says
    // what failed.
    bool Start(int nPlatform, std::string& strPath, std::string& strError);
    void Stop();

private:
    struct State;
    std::unique_ptr<State> m_pState;
    std::thread m_thread;
};
