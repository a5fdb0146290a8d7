// The skin lists of both platforms, read on a thread of their own.
//
// Reading a list judges each skin file, and that decodes its bitmap: a
// shipped skin takes a third of a millisecond, a photograph of a phone tens of
// milliseconds, a bitmap near the size limit most of a second. The UI thread
// asks for a list when a skin folder changed (Read) and takes it at the next
// platform switch (Get), waiting only while a read it asked for still goes on.
// A list is kept until it is read again, so a phone that switches platforms
// many times a second decodes nothing. The reader never waits for the UI
// thread.
#pragma once

#include "display/SkinFile.h"

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class CSkinLists {
public:
    // fnBitmap is called on the reader thread.
    explicit CSkinLists(SkinBitmapInfoFn fnBitmap);
    // Waits for the bitmap being decoded, if any.
    ~CSkinLists();
    CSkinLists(const CSkinLists&) = delete;
    CSkinLists& operator=(const CSkinLists&) = delete;

    // Reads the list of a platform (0 or 1) from these skin files, in this
    // order; a read of the platform still going on is dropped.
    void Read(int nPlatform, std::vector<std::string> files);
    // The list of the platform's last Read (empty before any); waits while
    // that read goes on.
    std::vector<SSkinVerdict> Get(int nPlatform);

private:
    struct SList {
        std::vector<std::string> files; // the last Read's
        unsigned nAsked = 0;            // Reads so far
        unsigned nDone = 0;             // the Read the verdicts are of
        std::vector<SSkinVerdict> verdicts;
    };
    void Run();

    SkinBitmapInfoFn m_fnBitmap;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    SList m_lists[2];
    bool m_bStop = false;
    std::thread m_reader; // last: it starts once the rest is built
};
