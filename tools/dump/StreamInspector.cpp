#include "tools/dump/StreamInspector.h"

#include "media/BmpWriter.h"
#include "platform/Console.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ostream>

namespace {

const char* DropText(IFrameSink::Drop why) {
    switch (why) {
    case IFrameSink::Drop::Noise:
        return "noise (no start marker)";
    case IFrameSink::Drop::BadLength:
        return "start marker with an impossible length";
    case IFrameSink::Drop::BadEndMarker:
        return "bad frame (neither end marker)";
    case IFrameSink::Drop::Silence:
        return "incomplete frame";
    }
    return "?";
}

} // namespace

CStreamInspector::CStreamInspector(std::ostream& out, std::string bmpDir)
    : m_out(out), m_bmpDir(std::move(bmpDir)), m_receiver(this), m_decoder(this) {}

void CStreamInspector::Feed(const std::uint8_t* pData, std::size_t nLength) {
    m_nBytes += nLength;
    m_receiver.Feed(pData, nLength);
}

bool CStreamInspector::FeedFile(const std::string& path, std::string& error) {
    const bool stdinput = path == "-";
    // Binary mode: the bytes as the phone sent them, on every system.
    std::FILE* file = stdinput ? stdin : OpenForReading(path);
    if (file == nullptr) {
        error = "Cannot open \"" + path + "\": " + std::strerror(errno) + ".";
        return false;
    }
    m_bOpened = true;
    bool ok = true;
    for (;;) {
        // Read straight into the receive buffer, as the port reader does.
        const std::size_t n = std::fread(m_receiver.ReadPos(), 1, m_receiver.FreeSpace(), file);
        if (n > 0) {
            m_nBytes += n;
            m_receiver.ProcessBytes(static_cast<std::uint32_t>(n));
        } else if (std::ferror(file)) {
            error = "Cannot read \"" + path + "\": " + std::strerror(errno) + ".";
            ok = false;
            break;
        } else {
            break;
        }
    }
    if (!stdinput)
        std::fclose(file);
    return ok;
}

void CStreamInspector::OnPortFrame(const std::uint8_t* pPayload, std::uint32_t nLength) {
    ++m_nScreenFrames;
    m_out << "frame " << m_nScreenFrames << ": screen, payload " << nLength << " bytes";
    if (nLength >= 8 && pPayload[0] == 1) {
        m_out << ", header " << ((pPayload[1] << 8) | pPayload[2]) << "x"
              << ((pPayload[3] << 8) | pPayload[4]) << " format "
              << ((pPayload[5] << 8) | pPayload[6]);
    }
    // A header of a new size switches the platform while it is decoded: that
    // line follows the frame's own.
    m_strSwitch.clear();
    m_decoder.DecodeScreen(pPayload, nLength);
    if (m_decoder.LastResult() != CScreenDecoder::Result::Ok)
        m_out << " (" << ToString(m_decoder.LastResult()) << ")";
    m_out << "\n" << m_strSwitch;

    if (m_bmpDir.empty() || !m_decoder.HasPicture())
        return;
    char name[32];
    std::snprintf(name, sizeof name, "/frame-%05llu.bmp",
                  static_cast<unsigned long long>(m_nScreenFrames));
    std::string error;
    if (lumetto::WriteBmpFile(m_bmpDir + name, m_decoder.PictureWidth(),
                              m_decoder.PictureHeight() + 1, m_decoder.ScreenBits(), error))
        ++m_nBitmaps;
    else if (m_writeError.empty())
        m_writeError = error;
}

void CStreamInspector::OnCloseNotice() {
    m_out << "closing notice: screen reset\n";
    m_decoder.KeepForResume();
}

void CStreamInspector::OnDropped(Drop eWhy, std::uint32_t nBytes) {
    m_out << "dropped " << nBytes << " bytes: " << DropText(eWhy) << "\n";
}

void CStreamInspector::SwitchPlatform(int nPlatform) {
    m_nPlatform = nPlatform;
    m_strSwitch = std::string("platform switch to ") +
                  (nPlatform == lumetto::kPlatformUIQ ? "UIQ" : "S60") + "\n";
}

void CStreamInspector::FlushLines() {
    m_out.flush();
}

bool CStreamInspector::Finish() {
    const FrameStats& s = m_receiver.Stats();
    if (m_receiver.HeldBytes() > 0)
        m_out << "end of input: " << m_receiver.HeldBytes() << " bytes of an unfinished frame\n";
    m_out << "summary: " << m_nBytes << " bytes, " << s.screenFrames << " screen frames, "
          << s.closeNotices << " closing notices, " << s.badEndMarkers << " bad frames, "
          << s.badLengths << " bad lengths, " << s.noiseBytes << " bytes of noise";
    if (!m_bmpDir.empty())
        m_out << ", " << m_nBitmaps << " bitmaps written";
    m_out << "\n";
    m_out.flush();
    if (!m_writeError.empty()) {
        m_out << "error: " << m_writeError << "\n";
        return false;
    }
    return true;
}
