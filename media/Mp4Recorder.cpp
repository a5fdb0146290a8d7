#include "media/Mp4Recorder.h"

#include "media/MovieFormat.h"
#include "media/MovieRemux.h"
#include "media/Mp4Writer.h"
#include "platform/OutputFile.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

namespace lumetto {

namespace {

using Pixels = std::vector<std::uint32_t>;

struct QueuedPicture {
    Pixels pixels;
    int nWidth = 0, nHeight = 0;
    std::int64_t nPts = 0; // milliseconds since Open
};

} // namespace

struct CMp4Recorder::Impl {
    Mp4RecorderTuning tuning;

    // Set by Open before the encoder thread starts, read-only while it runs.
    bool bOpen = false;
    int nWidth = 0, nHeight = 0; // of the first picture
    MovieSize size;
    std::string strPath;
    const char* pMuxer = "mp4";
    std::chrono::steady_clock::time_point start;
    CMp4Writer writer; // the encoder thread's while it runs
    std::thread encoder;

    mutable std::mutex mutex; // guards everything below
    std::condition_variable wake;
    std::deque<QueuedPicture> queue;
    std::vector<Pixels> spare; // buffers of encoded pictures, for reuse
    bool bStopping = false;
    std::int64_t nEndPts = 0;
    std::int64_t nEncoded = 0;
    std::int64_t nDropped = 0;
    std::int64_t nWrittenFrames = 0; // after a failure: what the file holds
    std::int64_t nWrittenEndPts = 0;
    std::string strError;
    std::atomic<bool> bFailed{false};

    std::chrono::steady_clock::time_point Now() const {
        return tuning.clock ? tuning.clock() : std::chrono::steady_clock::now();
    }
    std::int64_t NowPts() const {
        const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(Now() - start);
        return std::max<std::int64_t>(0, elapsed.count());
    }

    void SetError(std::string strText) {
        std::lock_guard<std::mutex> lock(mutex);
        strError = std::move(strText);
    }
    // The encoder thread after a failure: the error, and what the file holds.
    void SetFailed() {
        std::lock_guard<std::mutex> lock(mutex);
        if (strError.empty())
            strError = writer.GetLastError();
        nWrittenFrames = writer.WrittenPictures();
        nWrittenEndPts = writer.WrittenEndPts();
        bFailed = true;
    }

    void RunEncoder();
    bool EncodePicture(QueuedPicture& picture);
};

// The encoder thread: takes the oldest queued picture, or, when none came
// for a second, repeats the last one; at the end drains the queue and
// finishes the file.
void CMp4Recorder::Impl::RunEncoder() {
    for (;;) {
        QueuedPicture picture;
        bool bPicture = false, bRepeat = false;
        std::int64_t nRepeatPts = 0;
        {
            std::unique_lock<std::mutex> lock(mutex);
            for (;;) {
                if (!queue.empty()) {
                    picture = std::move(queue.front());
                    queue.pop_front();
                    bPicture = true;
                    break;
                }
                if (bStopping)
                    break;
                if (!writer.HasPicture() || bFailed) {
                    wake.wait(lock);
                    continue;
                }
                // The clock is read unlocked (it may be slow). A picture not
                // queued by the time the lock is taken again is stamped
                // later, so a repeat at nDue <= nNow never overtakes it.
                const std::int64_t nDue = writer.LastPts() + kMp4KeyPeriodMs;
                lock.unlock();
                const std::int64_t nNow = NowPts();
                lock.lock();
                if (!queue.empty() || bStopping)
                    continue;
                if (nNow >= nDue) {
                    bRepeat = true;
                    nRepeatPts = nDue;
                    break;
                }
                wake.wait_for(lock, std::chrono::milliseconds(nDue - nNow));
            }
        }
        if (!bPicture && !bRepeat)
            break;
        if (bFailed) {
            // Pictures queued before the failure was seen go nowhere.
            std::lock_guard<std::mutex> lock(mutex);
            if (bPicture)
                spare.push_back(std::move(picture.pixels));
            continue;
        }
        const bool bOk = bPicture ? EncodePicture(picture) : writer.RepeatPicture(nRepeatPts);
        if (!bOk)
            SetFailed();
    }

    std::int64_t nEnd = 0;
    {
        std::lock_guard<std::mutex> lock(mutex);
        nEnd = nEndPts;
    }
    bool bOk = !bFailed;
    while (bOk && writer.HasPicture() && nEnd - writer.LastPts() > kMp4KeyPeriodMs)
        bOk = writer.RepeatPicture(writer.LastPts() + kMp4KeyPeriodMs);
    if (bFailed) {
        writer.Discard(); // the first error is the one to tell
    } else if (!bOk || !writer.Finish(nEnd)) {
        SetFailed();
    } else if (std::string strWhy; !RemuxFinishedMovie(strPath, pMuxer, strWhy)) {
        // The movie is whole as it was recorded; only the rewrite failed.
        std::fprintf(stderr, "lumetto: %s The movie stays as it was recorded, in fragments.\n",
                     strWhy.c_str());
    }
}

bool CMp4Recorder::Impl::EncodePicture(QueuedPicture& picture) {
    // A still screen is repeated every second up to the new picture.
    bool bOk = true;
    while (bOk && writer.HasPicture() && picture.nPts - writer.LastPts() > kMp4KeyPeriodMs)
        bOk = writer.RepeatPicture(writer.LastPts() + kMp4KeyPeriodMs);
    bOk = bOk &&
          writer.AddPicture(picture.pixels.data(), picture.nWidth, picture.nHeight, picture.nPts);
    std::lock_guard<std::mutex> lock(mutex);
    if (bOk)
        ++nEncoded;
    spare.push_back(std::move(picture.pixels));
    return bOk;
}

CMp4Recorder::CMp4Recorder() : CMp4Recorder(Mp4RecorderTuning{}) {}

CMp4Recorder::CMp4Recorder(Mp4RecorderTuning tuning) : m_pImpl(std::make_unique<Impl>()) {
    m_pImpl->tuning = std::move(tuning);
    m_pImpl->tuning.nQueueLimit = std::max<std::size_t>(1, m_pImpl->tuning.nQueueLimit);
}

CMp4Recorder::~CMp4Recorder() {
    Close();
}

bool CMp4Recorder::Open(const std::string& strPath, int nWidth, int nHeight, int nScale) {
    Impl& d = *m_pImpl;
    if (d.bOpen)
        Close();
    d.SetError({});
    if (nWidth <= 0 || nHeight <= 0 || nWidth > kMp4MaxPictureSide ||
        nHeight > kMp4MaxPictureSide || nScale < 0 || nScale > kMp4MaxScale) {
        d.SetError("A movie of " + std::to_string(nWidth) + " x " + std::to_string(nHeight) +
                   " pixels at scale " + std::to_string(nScale) + " cannot be recorded.");
        return false;
    }
    const char* pMuxer = MovieMuxerName(MovieFormatOf(strPath));
    if (!pMuxer)
        pMuxer = "mp4";
    std::string strResolved, strError;
    bool bCreated = false;
    const int hFile = OpenOutputInPlace(strPath, strResolved, bCreated, strError);
    if (hFile < 0) {
        d.SetError(std::move(strError));
        return false;
    }
    d.size = MovieSizeFor(nWidth, nHeight, nScale);
    if (!d.writer.Open(hFile, strPath, pMuxer, d.size.nWidth, d.size.nHeight, nWidth, nHeight,
                       d.size.nScale)) {
        d.SetError(d.writer.GetLastError());
        d.writer.Discard();
        if (bCreated)
            RemoveOutput(strResolved);
        return false;
    }
    d.nWidth = nWidth;
    d.nHeight = nHeight;
    d.strPath = strPath;
    d.pMuxer = pMuxer;
    {
        std::lock_guard<std::mutex> lock(d.mutex);
        d.queue.clear();
        d.bStopping = false;
        d.nEndPts = 0;
        d.nEncoded = 0;
        d.nDropped = 0;
        d.nWrittenFrames = d.nWrittenEndPts = 0;
    }
    d.bFailed = false;
    d.start = d.Now();
    d.bOpen = true;
    d.encoder = std::thread([&d] { d.RunEncoder(); });
    return true;
}

bool CMp4Recorder::AddFrame(const std::uint8_t* pPixels, std::size_t nStride) {
    return AddFrame(pPixels, m_pImpl->nWidth, m_pImpl->nHeight, nStride);
}

bool CMp4Recorder::AddFrame(const std::uint8_t* pPixels, int nWidth, int nHeight,
                            std::size_t nStride) {
    Impl& d = *m_pImpl;
    if (!d.bOpen) {
        d.SetError("No movie is being recorded.");
        return false;
    }
    if (d.bFailed)
        return false;
    if (!pPixels || nWidth <= 0 || nHeight <= 0 || nWidth > kMp4MaxPictureSide ||
        nHeight > kMp4MaxPictureSide) {
        d.SetError("There is no screen picture to record.");
        return false;
    }
    const std::size_t nRowBytes = static_cast<std::size_t>(nWidth) * 4;
    if (nStride < nRowBytes) {
        d.SetError("The screen picture's rows are shorter than its width of " +
                   std::to_string(nWidth) + " pixels.");
        return false;
    }
    Pixels pixels;
    {
        std::lock_guard<std::mutex> lock(d.mutex);
        if (!d.spare.empty()) {
            pixels = std::move(d.spare.back());
            d.spare.pop_back();
        }
    }
    const auto width = static_cast<std::size_t>(nWidth);
    pixels.resize(width * static_cast<std::size_t>(nHeight));
    for (int y = 0; y < nHeight; ++y)
        std::memcpy(pixels.data() + static_cast<std::size_t>(y) * width,
                    pPixels + static_cast<std::size_t>(y) * nStride, nRowBytes);
    {
        std::lock_guard<std::mutex> lock(d.mutex);
        if (d.queue.size() >= d.tuning.nQueueLimit) {
            // The encoder is behind: the newest queued picture gives way to
            // this one, so the oldest keep their place and the last screen
            // is always in the movie.
            d.spare.push_back(std::move(d.queue.back().pixels));
            d.queue.pop_back();
            ++d.nDropped;
        }
        d.queue.push_back(QueuedPicture{std::move(pixels), nWidth, nHeight, d.NowPts()});
    }
    d.wake.notify_one();
    return true;
}

MovieSize CMp4Recorder::Size() const {
    return m_pImpl->size;
}

bool CMp4Recorder::Close() {
    Impl& d = *m_pImpl;
    if (!d.bOpen)
        return true;
    {
        std::lock_guard<std::mutex> lock(d.mutex);
        d.bStopping = true;
        d.nEndPts = d.NowPts();
    }
    d.wake.notify_one();
    d.encoder.join();
    d.bOpen = false;
    std::lock_guard<std::mutex> lock(d.mutex);
    d.spare.clear();
    return !d.bFailed;
}

bool CMp4Recorder::IsOpen() const {
    return m_pImpl->bOpen;
}

bool CMp4Recorder::HasFailed() const {
    return m_pImpl->bFailed;
}

MovieStats CMp4Recorder::Stats() const {
    const Impl& d = *m_pImpl;
    std::lock_guard<std::mutex> lock(d.mutex);
    MovieStats stats;
    stats.nDropped = d.nDropped;
    if (d.bFailed) {
        stats.nFrames = d.nWrittenFrames;
        stats.dSeconds = static_cast<double>(d.nWrittenEndPts) / 1000.0;
        return stats;
    }
    stats.nFrames = d.nEncoded + static_cast<std::int64_t>(d.queue.size());
    const std::int64_t nMs = d.bOpen ? d.NowPts() : d.nEndPts;
    stats.dSeconds = static_cast<double>(nMs) / 1000.0;
    return stats;
}

std::string CMp4Recorder::GetLastError() const {
    std::lock_guard<std::mutex> lock(m_pImpl->mutex);
    return m_pImpl->strError;
}

} // namespace lumetto
