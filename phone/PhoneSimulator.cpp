#include "phone/PhoneSimulator.h"
#include "platform/LocalTime.h"

#include "link/FrameWriter.h"
#include "phone/PictureSource.h"
#include "phone/StopSignal.h"

#include <cmath>
#include <cstdio>
#include <ctime>
#include <optional>
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

namespace {

// A reader that just opened the port flushes its input while it sets the port
// up: it gets this moment, so the header frame that follows is not thrown away.
constexpr auto kReaderSettle = std::chrono::milliseconds(100);

} // namespace

CPhoneSimulator::End CPhoneSimulator::Run() {
    Schedule s = MakeSchedule();
    m_link.SetLineRate(m_options.nBaud);
    s.bConnected = m_link.HasReader();
    End end = End::FrameLimit;
    Status status = Status::Ok;
    for (;;) {
        m_dSeconds = Elapsed(s);
        if (const auto limit = LimitReached(s)) {
            end = *limit;
            break;
        }
        const Turn turn = WaitForTurn(s, status);
        if (turn == Turn::Again)
            continue;
        if (turn == Turn::Stop)
            break;
        m_dSeconds = Elapsed(s);
        if (!SendNext(s, status)) {
            if (status != Status::NoReader)
                break;
            ReaderLost(s); // the frame was cut off
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
    SendClosingNotice(end);
    m_dSeconds = Elapsed(s);
    return end;
}

CPhoneSimulator::Schedule CPhoneSimulator::MakeSchedule() const {
    Schedule s;
    s.start = Clock::now();
    s.stopAt = m_options.dSeconds >= 0
                   ? s.start + std::chrono::duration_cast<Clock::duration>(
                                   std::chrono::duration<double>(m_options.dSeconds))
                   : Clock::time_point::max();
    s.interval = m_options.dFps > 0 ? std::chrono::duration_cast<Clock::duration>(
                                          std::chrono::duration<double>(1.0 / m_options.dFps))
                                    : Clock::duration::zero();
    return s;
}

double CPhoneSimulator::Elapsed(const Schedule& s) const {
    return std::chrono::duration<double>(Clock::now() - s.start).count();
}

std::optional<CPhoneSimulator::End> CPhoneSimulator::LimitReached(const Schedule& s) const {
    if (m_options.nFrames >= 0 && m_nFrames >= m_options.nFrames)
        return End::FrameLimit;
    if (CStopSignal::Count() > 0)
        return End::Signal;
    if (Clock::now() >= s.stopAt)
        return End::TimeLimit;
    return std::nullopt;
}

CPhoneSimulator::Turn CPhoneSimulator::WaitForTurn(Schedule& s, Status& status) {
    if (!m_link.HasReader()) {
        ReaderLost(s);
        status = m_link.WaitForReader(s.stopAt);
        if (status == Status::NoReader)
            return Turn::Again; // the time limit is looked at first
        if (status == Status::Ok) {
            Notice("reader connected");
            s.bConnected = true;
            status = m_link.WaitUntil(std::min(s.stopAt, Clock::now() + kReaderSettle));
        }
    } else if (s.interval != Clock::duration::zero()) {
        status = m_link.WaitUntil(std::min(s.stopAt, s.start + s.nSlot * s.interval));
        if (Clock::now() >= s.stopAt && status == Status::Ok)
            return Turn::Again;
    }
    if (status == Status::NoReader) {
        ReaderLost(s);
        return Turn::Again;
    }
    return status == Status::Ok ? Turn::Send : Turn::Stop;
}

bool CPhoneSimulator::SendNext(Schedule& s, Status& status) {
    const bool header =
        s.bNeedHeader || (m_options.nHeaderEvery > 0 && s.nSinceHeader >= m_options.nHeaderEvery);
    if (!SendFrame(s.nSlot, header, status))
        return false;
    s.bNeedHeader = false;
    s.nSinceHeader = header ? 1 : s.nSinceHeader + 1;
    ++s.nSlot;
    if (s.interval != Clock::duration::zero()) {
        // Too slow for the frame rate: go on with the present, not the past.
        const std::int64_t due = (Clock::now() - s.start) / s.interval;
        if (due > s.nSlot)
            s.nSlot = due;
    }
    return true;
}

// The reader went away: the next one starts with a header frame.
void CPhoneSimulator::ReaderLost(Schedule& s) {
    s.bNeedHeader = true;
    if (s.bConnected)
        Notice("reader left");
    s.bConnected = false;
}

void CPhoneSimulator::Notice(const char* pszText) {
    if (m_pNotices)
        *m_pNotices << "lumetto-phone: " << pszText << std::endl;
}

// --close: the closing notice ends a run that the phone itself ended.
void CPhoneSimulator::SendClosingNotice(End& end) {
    if (!m_options.bClose || end == End::PeerClosed || end == End::Failed ||
        CStopSignal::Count() >= 2 || !m_link.HasReader())
        return;
    m_frame.clear();
    CFrameWriter::AppendCloseNotice(m_frame);
    if (m_link.Send(m_frame.data(), m_frame.size()) == CPhoneLink::Status::Failed) {
        end = End::Failed;
        m_strError = m_link.ErrorText();
    }
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
                  "lumetto-phone: %lld frame%s (%lld with header), %llu bytes in %.1f s; %s",
                  static_cast<long long>(m_nFrames), m_nFrames == 1 ? "" : "s",
                  static_cast<long long>(m_nHeaderFrames),
                  static_cast<unsigned long long>(BytesSent()), m_dSeconds, why);
    return line;
}

std::int64_t TodayAt(int nSecondOfDay) {
    const std::time_t now = std::time(nullptr);
    std::tm local = {};
    LocalTime(now, local);
    local.tm_hour = nSecondOfDay / 3600;
    local.tm_min = nSecondOfDay / 60 % 60;
    local.tm_sec = nSecondOfDay % 60;
    local.tm_isdst = -1;
    return std::int64_t(std::mktime(&local)) * 1000;
}
