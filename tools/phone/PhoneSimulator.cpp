#include "tools/phone/PhoneSimulator.h"

#include "link/FrameWriter.h"
#include "tools/phone/PictureSource.h"
#include "tools/phone/StopSignal.h"

#include <cmath>
#include <cstdio>
#include <ctime>
#include <ostream>

using Status = CPhoneLink::Status;
using Clock = CPhoneLink::Clock;

CPhoneSimulator::CPhoneSimulator(const PhoneOptions& options, IPictureSource& source,
                                 CPhoneLink& link, std::int64_t msClockStart)
    : m_options(options), m_source(source), m_link(link), m_msClockStart(msClockStart) {}

bool CPhoneSimulator::SendFrame(std::int64_t slot, bool header, Status& status) {
    const std::int64_t msScene =
        m_options.dFps > 0 ? std::int64_t(std::llround(double(slot) * 1000.0 / m_options.dFps))
                           : std::int64_t(m_dSeconds * 1000);
    m_source.Render(m_nFrames, m_msClockStart + msScene, m_picture);
    const CScreenEncoder::Params params{m_options.Width(), m_options.Height(), m_options.nFormat,
                                        header};
    if (m_shown.size() != m_picture.size())
        m_shown.assign(m_picture.size(), 0);
    // A header frame carries the whole picture, so a receiver that joins there
    // gets all of it.
    if (!m_encoder.Encode(m_picture.data(), header ? nullptr : m_shown.data(), params, m_payload,
                          m_shown.data())) {
        m_strError = "cannot encode the picture";
        status = Status::Failed;
        return false;
    }
    m_frame.clear();
    if (!CFrameWriter::AppendScreenFrame(m_payload, m_frame)) {
        m_strError = "a frame is larger than a receiver can hold";
        status = Status::Failed;
        return false;
    }
    status = m_link.Send(m_frame.data(), m_frame.size());
    if (status != Status::Ok)
        return false;
    if (m_observer)
        m_observer({m_nFrames, header, m_payload.size(), &m_shown});
    ++m_nFrames;
    m_nHeaderFrames += header;
    return true;
}

CPhoneSimulator::End CPhoneSimulator::Run() {
    const auto start = Clock::now();
    const bool timed = m_options.dSeconds >= 0;
    const auto stopAt = timed ? start + std::chrono::duration_cast<Clock::duration>(
                                            std::chrono::duration<double>(m_options.dSeconds))
                              : Clock::time_point::max();
    const auto interval = m_options.dFps > 0
                              ? std::chrono::duration_cast<Clock::duration>(
                                    std::chrono::duration<double>(1.0 / m_options.dFps))
                              : Clock::duration::zero();
    constexpr auto kReaderSettle = std::chrono::milliseconds(100);
    auto elapsed = [&] { return std::chrono::duration<double>(Clock::now() - start).count(); };

    m_link.SetLineRate(m_options.nBaud);
    std::int64_t slot = 0;
    std::int64_t sinceHeader = 0;
    bool needHeader = true;
    bool connected = m_link.HasReader();
    auto notice = [&](const char* text) {
        if (m_pNotices)
            *m_pNotices << "lumetto-phone: " << text << std::endl;
    };
    // The reader went away: the next one starts with a header frame.
    auto readerLost = [&] {
        needHeader = true;
        if (connected)
            notice("reader left");
        connected = false;
    };
    End end = End::FrameLimit;
    Status status = Status::Ok;
    for (;;) {
        m_dSeconds = elapsed();
        if (m_options.nFrames >= 0 && m_nFrames >= m_options.nFrames) {
            end = End::FrameLimit;
            break;
        }
        if (CStopSignal::Count() > 0) {
            end = End::Signal;
            break;
        }
        if (Clock::now() >= stopAt) {
            end = End::TimeLimit;
            break;
        }
        if (!m_link.HasReader()) {
            readerLost();
            status = m_link.WaitForReader(stopAt);
            if (status == Status::NoReader)
                continue; // the time limit is looked at above
            if (status == Status::Ok) {
                notice("reader connected");
                connected = true;
                // A reader that just opened the port flushes its input while
                // it sets the port up: give it a moment, so the header frame
                // that follows is not thrown away.
                status = m_link.WaitUntil(std::min(stopAt, Clock::now() + kReaderSettle));
            }
        } else if (interval != Clock::duration::zero()) {
            status = m_link.WaitUntil(std::min(stopAt, start + slot * interval));
            if (Clock::now() >= stopAt && status == Status::Ok)
                continue;
        }
        if (status == Status::NoReader) {
            readerLost();
            continue;
        }
        if (status != Status::Ok)
            break;

        m_dSeconds = elapsed();
        const bool header =
            needHeader || (m_options.nHeaderEvery > 0 && sinceHeader >= m_options.nHeaderEvery);
        if (!SendFrame(slot, header, status)) {
            if (status == Status::NoReader) {
                readerLost(); // the frame was cut off
                continue;
            }
            break;
        }
        needHeader = false;
        sinceHeader = header ? 1 : sinceHeader + 1;
        ++slot;
        if (interval != Clock::duration::zero()) {
            // Too slow for the frame rate: go on with the present, not the past.
            const std::int64_t due = (Clock::now() - start) / interval;
            if (due > slot)
                slot = due;
        }
    }
    if (status == Status::Stopped)
        end = End::Signal;
    else if (status == Status::PeerClosed)
        end = End::PeerClosed;
    else if (status == Status::Failed) {
        end = End::Failed;
        if (m_strError.empty())
            m_strError = m_link.ErrorText();
    }

    if (m_options.bClose && end != End::PeerClosed && end != End::Failed &&
        CStopSignal::Count() < 2 && m_link.HasReader()) {
        m_frame.clear();
        CFrameWriter::AppendCloseNotice(m_frame);
        const Status s = m_link.Send(m_frame.data(), m_frame.size());
        if (s == Status::Failed) {
            end = End::Failed;
            m_strError = m_link.ErrorText();
        }
    }
    m_dSeconds = elapsed();
    return end;
}

std::string CPhoneSimulator::Summary(End eEnd) const {
    const char* why = "";
    switch (eEnd) {
    case End::FrameLimit:
        why = "frame limit reached";
        break;
    case End::TimeLimit:
        why = "time limit reached";
        break;
    case End::Signal:
        why = "stopped by signal";
        break;
    case End::PeerClosed:
        why = "the other side closed the connection";
        break;
    case End::Failed:
        why = "failed";
        break;
    }
    char line[256];
    std::snprintf(line, sizeof line,
                  "lumetto-phone: %lld frames (%lld with header), %llu bytes in %.1f s; %s",
                  static_cast<long long>(m_nFrames), static_cast<long long>(m_nHeaderFrames),
                  static_cast<unsigned long long>(BytesSent()), m_dSeconds, why);
    return line;
}

std::int64_t TodayAt(int nSecondOfDay) {
    const std::time_t now = std::time(nullptr);
    std::tm local = {};
    localtime_r(&now, &local);
    local.tm_hour = nSecondOfDay / 3600;
    local.tm_min = nSecondOfDay / 60 % 60;
    local.tm_sec = nSecondOfDay % 60;
    local.tm_isdst = -1;
    return std::int64_t(std::mktime(&local)) * 1000;
}
