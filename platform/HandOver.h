// The synchronous hand-over from a worker thread to the UI thread.
//
// A worker thread posts a call with Call() and blocks until the UI thread has
// run it, so calls arrive one at a time and in order, and whatever the call
// reads stays valid while it runs. The UI thread runs posted calls in Serve(),
// which the toolkit triggers through the wake callback given to
// AttachUiThread(). Whenever the UI thread itself waits for a worker thread it
// uses WaitServing(), which keeps running posted calls while it waits, so the
// two threads can never hold each other.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

class CHandOver {
public:
    using Task = std::function<void()>;
    using WakeFn = std::function<void()>;

    // Makes the calling thread the UI thread. fnWake is called (from the
    // posting thread, without any lock of the hand-over held) after each post;
    // it must arrange for Serve() to run soon on the UI thread, e.g. by
    // posting an event to the toolkit's loop. It may be empty when the UI
    // thread only serves through WaitServing().
    void AttachUiThread(WakeFn fnWake = {});
    // Runs what is still posted, then forgets the UI thread: later calls run
    // on the posting thread.
    void DetachUiThread();
    bool HasUiThread() const;
    bool IsUiThread() const;

    // Runs task on the UI thread and returns when it has run. On the UI
    // thread itself, or with no UI thread attached, runs it at once. An
    // exception thrown by the task is rethrown here.
    void Call(const Task& task);

    // UI thread: runs every posted call; returns how many ran.
    std::size_t Serve();

    // Waits until fnDone() returns true or nTimeout passed, running posted
    // calls meanwhile. fnDone is checked after every call run and whenever
    // Notify() is called, and at least every few milliseconds. Returns the
    // last value of fnDone().
    bool WaitServing(const std::function<bool()>& fnDone, std::chrono::milliseconds nTimeout);

    // Wakes WaitServing() to check its condition again.
    void Notify();

    // Number of posted calls not yet started.
    std::size_t Pending() const;
    // Number of posted calls running now on the UI thread (nested when a
    // served call itself waits in WaitServing()).
    int ServingDepth() const;

private:
    struct Post {
        const Task* pTask;
        bool bDone = false;
        std::exception_ptr error;
    };

    bool RunOne(std::unique_lock<std::mutex>& lock);

    mutable std::mutex m_mutex;
    std::condition_variable m_cvPosted; // a post arrived or Notify() was called
    std::condition_variable m_cvDone;   // a post has run
    std::deque<Post*> m_queue;
    std::thread::id m_uiThread;
    bool m_bAttached = false;
    WakeFn m_fnWake;
    int m_nServingDepth = 0;
    unsigned m_nNotifications = 0;
};

// The process's one hand-over, used by the serial driver and the message boxes.
CHandOver& UiHandOver();
