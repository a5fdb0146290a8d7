// Runs the program's own framing and decoding over a recorded byte stream and
// describes each frame; optionally writes each decoded screen as a BMP file.
#pragma once

#include "codec/ScreenDecoder.h"
#include "link/FrameReceiver.h"

#include <cstdint>
#include <iosfwd>
#include <string>

class CStreamInspector : private IFrameSink, private IScreenPlatformHost {
public:
    // `out` receives one line per event; `bmpDir`, when not empty, receives
    // frame-NNNNN.bmp for each screen frame that leaves a picture.
    CStreamInspector(std::ostream& out, std::string bmpDir);

    // Feeds bytes as reads from the port would deliver them.
    void Feed(const std::uint8_t* pData, std::size_t nLength);
    // Reads a whole file ("-" for standard input). False, with `error` set,
    // when it cannot be opened or read; InputOpened tells which.
    bool FeedFile(const std::string& path, std::string& error);
    bool InputOpened() const { return m_bOpened; }
    // Whether the input held a frame (a screen or a closing notice).
    bool HadFrames() const { return Stats().screenFrames + Stats().closeNotices > 0; }
    // Whether any byte was seen: a frame, a damaged frame or noise.
    bool ReadAnything() const {
        return HadFrames() || Stats().badEndMarkers + Stats().badLengths + Stats().noiseBytes > 0;
    }

    // Hands the lines printed so far on (a live capture shows each frame as
    // it arrives).
    void FlushLines();

    // Prints the summary line; returns false if a BMP file could not be written.
    bool Finish();

    const FrameStats& Stats() const { return m_receiver.Stats(); }
    std::uint64_t BitmapsWritten() const { return m_nBitmaps; }

private:
    void OnPortFrame(const std::uint8_t* pPayload, std::uint32_t nLength) override;
    void OnCloseNotice() override;
    void OnDropped(Drop eWhy, std::uint32_t nBytes) override;
    int CurrentPlatform() const override { return m_nPlatform; }
    void SwitchPlatform(int nPlatform) override;

    std::ostream& m_out;
    std::string m_bmpDir;
    CFrameReceiver m_receiver;
    CScreenDecoder m_decoder;
    int m_nPlatform = lumetto::kPlatformS60;
    std::uint64_t m_nScreenFrames = 0;
    std::uint64_t m_nBitmaps = 0;
    std::uint64_t m_nBytes = 0;
    std::string m_writeError;
    bool m_bOpened = false;
    std::string m_strSwitch; // the platform switch the frame being decoded asked for
};
