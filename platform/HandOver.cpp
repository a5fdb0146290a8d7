#include "platform/HandOver.h"

#include <algorithm>

void CHandOver::AttachUiThread(WakeFn fnWake) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_uiThread = std::this_thread::get_id();
    m_bAttached = true;
    m_fnWake = std::move(fnWake);
}

void CHandOver::DetachUiThread() {
    Serve();
    std::lock_guard<std::mutex> lock(m_mutex);
    m_bAttached = false;
    m_uiThread = {};
    m_fnWake = {};
}

bool CHandOver::HasUiThread() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_bAttached;
}

bool CHandOver::IsUiThread() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_bAttached && m_uiThread == std::this_thread::get_id();
}

void CHandOver::Call(const Task& task) {
    std::unique_lock<std::mutex> lock(m_mutex);
    if (!m_bAttached || m_uiThread == std::this_thread::get_id()) {
        lock.unlock();
        task();
        return;
    }
    Post post{&task, false, nullptr};
    m_queue.push_back(&post);
    WakeFn wake = m_fnWake;
    m_cvPosted.notify_all();
    lock.unlock();
    if (wake)
        wake();
    lock.lock();
    m_cvDone.wait(lock, [&] { return post.bDone; });
    if (post.error)
        std::rethrow_exception(post.error);
}

bool CHandOver::RunOne(std::unique_lock<std::mutex>& lock) {
    // Posted calls run on the UI thread only.
    if (m_queue.empty() || (m_bAttached && m_uiThread != std::this_thread::get_id()))
        return false;
    Post* post = m_queue.front();
    m_queue.pop_front();
    ++m_nServingDepth;
    lock.unlock();
    std::exception_ptr error;
    try {
        (*post->pTask)();
    } catch (...) {
        error = std::current_exception();
    }
    lock.lock();
    --m_nServingDepth;
    // The poster owns *post; it may leave as soon as bDone is seen.
    post->error = error;
    post->bDone = true;
    m_cvDone.notify_all();
    return true;
}

std::size_t CHandOver::Serve() {
    std::unique_lock<std::mutex> lock(m_mutex);
    std::size_t n = 0;
    while (RunOne(lock))
        ++n;
    return n;
}

bool CHandOver::WaitServing(const std::function<bool()>& fnDone,
                            std::chrono::milliseconds nTimeout) {
    // The condition may depend on state that changes without a Notify(), so
    // it is looked at again after a short pause at the latest.
    constexpr std::chrono::milliseconds kRecheck(5);
    const auto deadline = std::chrono::steady_clock::now() + nTimeout;
    for (;;) {
        Serve();
        if (fnDone())
            return true;
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline)
            return false;
        std::unique_lock<std::mutex> lock(m_mutex);
        const unsigned seen = m_nNotifications;
        m_cvPosted.wait_until(lock, std::min(deadline, now + kRecheck),
                              [&] { return !m_queue.empty() || m_nNotifications != seen; });
    }
}

void CHandOver::Notify() {
    std::lock_guard<std::mutex> lock(m_mutex);
    ++m_nNotifications;
    m_cvPosted.notify_all();
}

std::size_t CHandOver::Pending() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_queue.size();
}

int CHandOver::ServingDepth() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_nServingDepth;
}

CHandOver& UiHandOver() {
    static CHandOver handOver;
    return handOver;
}
