#include "display/SkinLists.h"

CSkinLists::CSkinLists(SkinBitmapInfoFn fnBitmap)
    : m_fnBitmap(std::move(fnBitmap)), m_reader([this] { Run(); }) {}

CSkinLists::~CSkinLists() {
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_bStop = true;
    }
    m_changed.notify_all();
    m_reader.join();
}

void CSkinLists::Read(int nPlatform, std::vector<std::string> files) {
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        SList& list = m_lists[nPlatform == 1 ? 1 : 0];
        list.files = std::move(files);
        ++list.nAsked;
    }
    m_changed.notify_all();
}

std::vector<SSkinVerdict> CSkinLists::Get(int nPlatform) {
    std::unique_lock<std::mutex> lock(m_mutex);
    const SList& list = m_lists[nPlatform == 1 ? 1 : 0];
    m_changed.wait(lock, [&list] { return list.nDone == list.nAsked; });
    return list.verdicts;
}

void CSkinLists::Run() {
    std::unique_lock<std::mutex> lock(m_mutex);
    const auto pending = [this](int p) { return m_lists[p].nDone != m_lists[p].nAsked; };
    for (;;) {
        m_changed.wait(lock, [&] { return m_bStop || pending(0) || pending(1); });
        if (m_bStop)
            return;
        SList& list = m_lists[pending(0) ? 0 : 1];
        const unsigned asked = list.nAsked;
        const std::vector<std::string> files = list.files;
        std::vector<SSkinVerdict> verdicts;
        for (const std::string& file : files) {
            lock.unlock();
            SSkinVerdict verdict = JudgeSkinFile(file, m_fnBitmap);
            lock.lock();
            if (m_bStop || list.nAsked != asked)
                break; // the folder changed again: this read is out of date
            verdicts.push_back(std::move(verdict));
        }
        if (!m_bStop && list.nAsked == asked) {
            list.verdicts = std::move(verdicts);
            list.nDone = asked;
            m_changed.notify_all();
        }
    }
}
