// Lets the Qt event loop of the UI thread serve the UI hand-over.
//
// Create one on the UI thread after the QApplication: it attaches the calling
// thread to the hand-over and, for every post, queues a call of Serve() on
// the event loop (nested loops of modal dialogs serve it too). Destroying it
// serves what is left and detaches the thread.
#pragma once

#include "platform/HandOver.h"

#include <QObject>

class CQtHandOverPump {
public:
    explicit CQtHandOverPump(CHandOver& handOver = UiHandOver());
    ~CQtHandOverPump();
    CQtHandOverPump(const CQtHandOverPump&) = delete;
    CQtHandOverPump& operator=(const CQtHandOverPump&) = delete;

private:
    CHandOver& m_handOver;
    QObject m_receiver; // lives on the UI thread; queued calls run in its context
};
