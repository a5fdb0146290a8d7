#include "platform/qt/QtHandOverPump.h"

#include <QMetaObject>

CQtHandOverPump::CQtHandOverPump(CHandOver& handOver) : m_handOver(handOver) {
    QObject* receiver = &m_receiver;
    CHandOver* h = &m_handOver;
    m_handOver.AttachUiThread([receiver, h] {
        // Posting to an object of another thread is safe; the call runs on
        // the receiver's (the UI) thread.
        QMetaObject::invokeMethod(
            receiver, [h] { h->Serve(); }, Qt::QueuedConnection);
    });
}

CQtHandOverPump::~CQtHandOverPump() {
    m_handOver.DetachUiThread();
}
