// What the application tests share: the program in this process
// with a recording presenter and answered save dialogs, a phone line on a
// pseudo-terminal that the UI thread or a phone thread can write, and
// pictures with their frames.
#pragma once

#include "app/FileDialogs.h"
#include "app/MainFrame.h"
#include "app/QuillonApp.h"
#include "app/QuillonView.h"
#include "app/RecordingController.h"
#include "codec/ScreenEncoder.h"
#include "display/ScreenWnd.h"
#include "link/FrameWriter.h"
#include "platform/RecordingPresenter.h"
#include "tests/support/MovieFrames.h"
#include "tests/support/PtyLine.h"
#include "tests/support/QtTestEnvironment.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace reliability {

using testsupport::MovieFrames;

using Bytes = std::vector<std::uint8_t>;
using Picture = std::vector<std::uint16_t>; // 12-bit colours, top row first

constexpr int kWidth = 176;
constexpr int kHeight = 208;

// Long variants run when LUMETTO_LONG_TESTS is set (see tests/app/README.md).
inline bool LongRun() {
    const char* v = std::getenv("LUMETTO_LONG_TESTS");
    return v && *v && std::string(v) != "0";
}

// A picture of 8 x 8 blocks, cheap to code, different for each seed.
inline Picture BlockPicture(int seed) {
    Picture pic(static_cast<std::size_t>(kWidth) * kHeight);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            pic[static_cast<std::size_t>(y) * kWidth + x] =
                static_cast<std::uint16_t>(((x / 8) * 151 + (y / 8) * 97 + seed * 31) & 0xFFF);
    return pic;
}

// The picture with one square of side n changed, placed by the seed.
inline Picture Changed(Picture pic, int seed, int n = 24) {
    const int x0 = (seed * 37) % (kWidth - n), y0 = (seed * 53) % (kHeight - n);
    for (int y = y0; y < y0 + n; ++y)
        for (int x = x0; x < x0 + n; ++x)
            pic[static_cast<std::size_t>(y) * kWidth + x] =
                static_cast<std::uint16_t>((x * 7 + y * 3 + seed * 101) & 0xFFF);
    return pic;
}

// The screen window's bytes for a picture: bottom row first, blue, green, red.
inline Bytes Expected(const Picture& pic, int w = kWidth, int h = kHeight) {
    Bytes out;
    out.reserve(pic.size() * 3);
    for (int y = h - 1; y >= 0; --y)
        for (int x = 0; x < w; ++x) {
            const unsigned c = pic[static_cast<std::size_t>(y) * w + x];
            out.push_back(static_cast<std::uint8_t>((c & 0xF) * 17));
            out.push_back(static_cast<std::uint8_t>(((c >> 4) & 0xF) * 17));
            out.push_back(static_cast<std::uint8_t>(((c >> 8) & 0xF) * 17));
        }
    return out;
}

// A screen frame: the whole picture with a header when previous is null,
// otherwise the changes since previous.
inline Bytes ScreenFrame(const Picture& pic, const Picture* previous, int w = kWidth,
                         int h = kHeight) {
    CScreenEncoder encoder;
    CScreenEncoder::Params p;
    p.nWidth = w;
    p.nHeight = h;
    p.bHeader = previous == nullptr;
    Bytes payload, frame;
    EXPECT_TRUE(encoder.Encode(pic.data(), previous ? previous->data() : nullptr, p, payload));
    CFrameWriter::AppendScreenFrame(payload, frame);
    return frame;
}

// The closing notice frame.
inline Bytes CloseNotice() {
    Bytes frame;
    CFrameWriter::AppendCloseNotice(frame);
    return frame;
}

// The live picture, without the slack row.
inline Bytes ScreenBytes(CQuillonView* v) {
    const CScreenDib* dib = v->Screen().IsLive() ? v->Screen().Picture() : nullptr;
    if (!dib)
        return {};
    return Bytes(dib->Bits(), dib->Bits() + dib->Stride() * dib->Height());
}

// The phone's end of a raw pseudo-terminal. The test keeps a descriptor of
// the program's side open, so the line hangs up only when the phone goes.
class CPhoneLine : public testsupport::CPtyLine {
public:
    CPhoneLine() : CPtyLine(Options{.bRaw = true, .bHoldSubordinate = true}) {}
};

class CAnsweredDialogs : public IFileDialogs {
public:
    std::optional<std::string> GetSaveFileName(const SaveFileRequest& request) override {
        asked.push_back(request);
        return answer;
    }
    std::optional<std::string> answer;
    std::vector<SaveFileRequest> asked; // each dialog shown
};

// The program with its window on the offscreen platform, connected to a
// phone line by the "COM ports" dialog's stand-in.
struct CProgram {
    CTempFolder dir;
    CRecordingPresenter presenter;
    CAnsweredDialogs dialogs;
    CPhoneLine phone;
    CQuillonApp app;

    int nChooserCalls = 0;
    bool bChoosePort = true; // false: the "COM ports" dialog is cancelled

    CProgram() {
        app.TestSeams().pPresenter = &presenter;
        app.TestSeams().pFileDialogs = &dialogs;
        app.TestSeams().strProgramFolder = dir.Path();
        app.TestSeams().strSettingsFile = dir.File("lumetto.conf"); // never the user's
        app.TestSeams().fnChoosePort = [this] {
            ++nChooserCalls;
            return bChoosePort ? std::optional<std::string>(phone.Path()) : std::nullopt;
        };
    }
    // Starts the program and waits until the port is open.
    bool Start(const CommandLineOptions& options = {}) {
        return app.InitInstance(options) &&
               testsupport::WaitFor([this] { return app.Serial().IsOpen(); });
    }
    CQuillonView* View() { return app.View(); }
    bool Shows(const Picture& pic, int w = kWidth, int h = kHeight) {
        const Bytes want = Expected(pic, w, h);
        return testsupport::WaitFor([&] { return ScreenBytes(View()) == want; }, 60000);
    }
    std::string Caption() { return app.MainWindow()->windowTitle().toStdString(); }
    bool Run(int nCommand) { return app.MainWindow()->RunCommand(nCommand); }
    bool Enabled(int nCommand) { return app.MainWindow()->IsCommandEnabled(nCommand); }
    std::string Messages() {
        std::string all;
        for (const auto& m : presenter.Messages())
            all += m.strText + "\n";
        return all;
    }
};

constexpr std::size_t kFrameBytes = static_cast<std::size_t>(kWidth) * kHeight * 3;

// Top-down BGR of a picture, as a player shows it.
inline Bytes TopDown(const Picture& pic) {
    const Bytes up = Expected(pic);
    Bytes out;
    const std::size_t row = static_cast<std::size_t>(kWidth) * 3;
    for (int y = kHeight - 1; y >= 0; --y)
        out.insert(out.end(), up.begin() + y * row, up.begin() + (y + 1) * row);
    return out;
}

} // namespace reliability
