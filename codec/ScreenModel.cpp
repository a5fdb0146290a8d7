#include "codec/ScreenModel.h"

#include <algorithm>

void CScreenModel::AddSink(IScreenSink* pSink) {
    if (pSink && std::find(m_sinks.begin(), m_sinks.end(), pSink) == m_sinks.end())
        m_sinks.push_back(pSink);
}

void CScreenModel::RemoveSink(IScreenSink* pSink) {
    const auto it = std::find(m_sinks.begin(), m_sinks.end(), pSink);
    if (it == m_sinks.end())
        return;
    if (m_nNotifying > 0)
        *it = nullptr; // the running loop keeps its places; compacted after it
    else
        m_sinks.erase(it);
}

template <class Call> void CScreenModel::Notify(Call call) {
    ++m_nNotifying;
    // By index: a sink may add another while it is called.
    for (std::size_t i = 0; i < m_sinks.size(); ++i)
        if (IScreenSink* pSink = m_sinks[i])
            call(*pSink);
    if (--m_nNotifying == 0)
        m_sinks.erase(std::remove(m_sinks.begin(), m_sinks.end(), nullptr), m_sinks.end());
}

CScreenDib& CScreenModel::NewPicture(int nWidth, int nHeight) {
    m_pPicture = std::make_unique<CScreenDib>(nWidth, nHeight);
    m_bFresh = true;
    return *m_pPicture;
}

void CScreenModel::Clear() {
    Hide();
    m_pPicture.reset();
}

void CScreenModel::Publish(int nFirst, int nEnd, int nFormat) {
    if (!m_pPicture)
        return;
    const int h = m_pPicture->Height();
    ScreenChange change;
    change.nSequence = ++m_nSequence;
    change.bNewPicture = m_bFresh || !m_bLive;
    if (change.bNewPicture) {
        change.nFirstRow = 0;
        change.nEndRow = h;
    } else {
        change.nFirstRow = std::clamp(nFirst, 0, h);
        change.nEndRow = std::clamp(nEnd, change.nFirstRow, h);
    }
    m_nFormat = nFormat;
    m_bFresh = false;
    m_bLive = true;
    Notify([&](IScreenSink& sink) { sink.OnScreenChanged(*this, change); });
}

void CScreenModel::Hide() {
    if (!IsLive()) {
        m_bLive = false;
        return;
    }
    m_bLive = false;
    Notify([&](IScreenSink& sink) { sink.OnScreenHidden(*this); });
}
