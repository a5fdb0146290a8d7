// The receive path as the monitor thread runs it: arbitrary bytes arrive in
// arbitrary read sizes, the framing cuts them into frames, and every payload
// it delivers is decoded into the screen picture, with resets where the
// connection would reset the view (the phone's closing notice, a silent line).
//
// Input: byte 0 seeds the read sizes, byte 1 chooses the largest read and
// whether silences fall between reads; the rest is the byte stream.
//
// Besides the sanitizers' checks, the target asserts what must hold for any
// input: decoding stops inside the payload, the picture has the size its
// buffers were made for, and, without silences, the frames found do not
// depend on how the bytes were split into reads.
#include "codec/ScreenDecoder.h"
#include "fuzz/FuzzCheck.h"
#include "link/FrameReceiver.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

// The view's part: decodes each payload, resets on the closing notice and
// on silence, switches the platform as a new screen size asks.
class CDecodingSink : public IFrameSink, public IScreenPlatformHost {
public:
    CDecodingSink() : m_decoder(this) {}

    void OnPortFrame(const std::uint8_t* pPayload, std::uint32_t nLength) override {
        Check(nLength <= CFrameReceiver::kBufferSize - CFrameReceiver::kFrameOverhead);
        const std::uint8_t* end = m_decoder.DecodeScreen(pPayload, nLength);
        Check(end >= pPayload && end <= pPayload + nLength);
        if (m_decoder.HasPicture()) {
            Check(m_decoder.PictureWidth() > 0 && m_decoder.PictureHeight() > 0);
            Check(m_decoder.PictureWidth() <= lumetto::kMaxScreenSide);
            Check(m_decoder.PictureHeight() <= lumetto::kMaxScreenSide);
            Check(m_decoder.ScreenBits() != nullptr && m_decoder.DecodeBits() != nullptr);
        }
        // A running digest of what was delivered, to compare two splittings.
        for (std::uint32_t i = 0; i < nLength; ++i)
            m_digest = (m_digest ^ pPayload[i]) * 1099511628211ull;
        m_digest = (m_digest ^ nLength) * 1099511628211ull;
        ++m_nFrames;
    }
    void OnCloseNotice() override {
        ++m_nCloses;
        Reset();
    }
    void OnDropped(Drop, std::uint32_t) override {}

    int CurrentPlatform() const override { return m_nPlatform; }
    void SwitchPlatform(int nPlatform) override {
        Check(nPlatform == lumetto::kPlatformS60 || nPlatform == lumetto::kPlatformUIQ);
        m_nPlatform = nPlatform;
    }

    void Reset() { m_decoder.FreeBuffers(); }

    std::uint64_t m_digest = 14695981039346656037ull;
    std::uint64_t m_nFrames = 0;
    std::uint64_t m_nCloses = 0;

private:
    CScreenDecoder m_decoder;
    int m_nPlatform = lumetto::kPlatformS60;
};

// Small, fast pseudo-random numbers for the read sizes.
struct SplitMix {
    std::uint64_t s;
    std::uint64_t Next() {
        std::uint64_t z = (s += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2)
        return 0;
    SplitMix rng{data[0]};
    const std::uint8_t mode = data[1];
    const std::uint8_t* stream = data + 2;
    const std::size_t length = size - 2;
    // Largest read: 1 byte up to the whole buffer, by the low bits of mode.
    static constexpr std::uint32_t kMaxRead[] = {1, 3, 8, 13, 64, 500, 4096, 262144};
    const std::uint32_t maxRead = kMaxRead[mode & 7];
    const bool silences = (mode & 8) != 0;

    // Reads of random sizes, never more than the free space, as the driver reads.
    CDecodingSink split;
    CFrameReceiver receiver(&split);
    std::size_t pos = 0;
    while (pos < length) {
        const std::uint32_t free = receiver.FreeSpace();
        Check(free > 0 && free <= CFrameReceiver::kBufferSize);
        std::size_t n = 1 + rng.Next() % maxRead;
        n = std::min({n, length - pos, static_cast<std::size_t>(free)});
        std::copy(stream + pos, stream + pos + n, receiver.ReadPos());
        receiver.ProcessBytes(static_cast<std::uint32_t>(n));
        pos += n;
        Check(receiver.HeldBytes() <= CFrameReceiver::kBufferSize);
        if (silences && rng.Next() % 16 == 0) {
            // The line went silent: the partial frame goes, the view resets.
            receiver.CleanupAfterRead();
            split.Reset();
        }
    }
    const FrameStats a = receiver.Stats();
    Check(a.screenFrames == split.m_nFrames && a.closeNotices == split.m_nCloses);

    if (!silences) {
        // The same bytes in one go find the same frames.
        CDecodingSink whole;
        CFrameReceiver one(&whole);
        one.Feed(stream, length);
        const FrameStats b = one.Stats();
        Check(b.screenFrames == a.screenFrames && b.closeNotices == a.closeNotices &&
              b.badEndMarkers == a.badEndMarkers && b.badLengths == a.badLengths &&
              whole.m_digest == split.m_digest);
        // Fewer than a header's bytes are not judged yet: the split may still
        // hold bytes that one read has already dropped as noise.
        Check(b.noiseBytes + one.HeldBytes() == a.noiseBytes + receiver.HeldBytes());
    }
    return 0;
}
