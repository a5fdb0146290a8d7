// Decodes the phone's screen payloads into the screen picture.
//
// A payload (drawn in PayloadFormat.h) is an optional header (screen size and
// colour format) followed by a run-length coded body that updates the previous picture in place.
// The decoder keeps the screen for the whole connection in the payloads' own planar form (a
// green-blue byte per pixel, a red byte per pair of pixels: see PlanarRows.h), so literal runs are
// plain copies and repeat runs fills. After each payload the rows it touched are expanded into the
// picture bottom row first with 4-byte aligned rows and one white slack row on top (the screen
// model's picture, ScreenModel.h), and the change is published to the model's sinks
// (the screen window, the movie). The same picture top row first (DecodeBits) is made only when
// asked for.
//
// Every byte of a payload is untrusted: the decoder never reads past the
// payload's length and never writes past the palette or the pixel buffers. At
// the first violation it stops; the picture keeps what was decoded before it.
#pragma once

#include "codec/PaletteRuns.h"
#include "codec/PayloadFormat.h"
#include "codec/ScreenFormat.h"
#include "codec/ScreenModel.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

// What the decoder needs from its owner (the view): the platform of the
// selected skin, and the platform switch a new screen size asks for.
class IScreenPlatformHost {
public:
    virtual ~IScreenPlatformHost() = default;
    virtual int CurrentPlatform() const = 0;
    virtual void SwitchPlatform(int nPlatform) = 0;
};

class CScreenDecoder {
public:
    // How the last payload went.
    enum class Result {
        Ok,            // decoded completely (or a header with an unknown format was stored)
        NoFormat,      // no header has arrived yet: nothing decoded
        NoBuffers,     // no picture to apply the body to (after a reset, before a header)
        BadSize,       // a header with width or height 0 or above the limit: ignored
        UnknownFormat, // the last header's format is neither 8 nor 12: body not decoded
        Truncated,     // the payload ended before its counts were met
        OutOfRange,    // a run or the palette went beyond the picture or the palette
    };

    explicit CScreenDecoder(IScreenPlatformHost* pHost = nullptr);

    // Decodes one payload into the planes and refreshes the picture; when a
    // picture is held then, publishes the change to the screen model's sinks.
    // Returns the position after the decoded body (where decoding stopped).
    const std::uint8_t* DecodeScreen(const std::uint8_t* pPayload, std::size_t nLength);

    void GetScreenFormat(int& nWidth, int& nHeight, int& nFormat) const {
        nWidth = m_nWidth;
        nHeight = m_nHeight;
        nFormat = m_nFormat;
    }

    // The picture bottom row first, DibRowStride(width) bytes a row, height + 1
    // rows; null while no picture exists.
    const std::uint8_t* ScreenBits() const {
        return HasPicture() ? m_screen.Picture()->Bits() : nullptr;
    }
    // The picture top row first, width x 3 bytes a row, height + 1 rows (the
    // last one white); null while none exists. Made on demand from the
    // picture; valid until the next payload or reset.
    const std::uint8_t* DecodeBits() const;
    bool HasPicture() const { return !m_greenBlue.empty(); }
    // The rows (top row 0) of ScreenBits() the last payload changed:
    // [first, first + count); all rows when it brought a new picture.
    int ChangedRowFirst() const { return m_nChangedFirst; }
    int ChangedRowCount() const { return m_nChangedCount; }
    // Width and height of the picture the buffers hold (0 x 0 while none).
    int PictureWidth() const { return m_nBufWidth; }
    int PictureHeight() const { return m_nBufHeight; }
    // The screen model: the picture (as ScreenBits), its sinks, whether it is live.
    CScreenModel& Screen() { return m_screen; }
    const CScreenModel& Screen() const { return m_screen; }

    // Frees both pictures. Size, format and palette keep their values; the
    // next header makes new white pictures.
    void FreeBuffers();
    // The buffer half of the view's reset (a pause, a closing notice, the end
    // of a connection): the picture, its size, format and palette are kept,
    // so that a phone that goes on without a header goes on where it
    // stopped. The next payload decides: a header starts afresh (new white
    // pictures); a payload without one that decodes completely on the kept
    // picture brings it back; anything else frees the picture, and a header
    // is needed again. A picture that was not there stays away. The model's
    // picture is hidden until then.
    void KeepForResume() {
        m_bResuming = HasPicture();
        m_screen.Hide();
    }

    Result LastResult() const { return m_eLastResult; }
    const std::array<std::uint8_t, 768>& Palette() const { return m_palette; }

    void SetHost(IScreenPlatformHost* pHost) { m_pHost = pHost; }

private:
    class Cursor;

    // DecodeScreen's work; bFresh: a header makes new pictures even of the
    // same size.
    const std::uint8_t* Decode(const std::uint8_t* pPayload, std::size_t nLength, bool bFresh);
    bool DecodeIndexed8(Cursor& cur);
    bool DecodeDirect12(Cursor& cur);
    void RowCopy();
    void Touch(std::size_t nFirstPixel, std::size_t nPixels);
    void SetRed(std::size_t nPixel, unsigned nRed);
    void FillRed(std::size_t nPixel, std::size_t nPixels, unsigned nRed);
    void ChoosePlatform(int nWidth, int nHeight);
    void AllocateBuffers(int nWidth, int nHeight);

    IScreenPlatformHost* m_pHost;
    int m_nWidth = 0;
    int m_nHeight = 0;
    int m_nFormat = -1;
    int m_nBufWidth = 0;
    int m_nBufHeight = 0;
    std::vector<std::uint8_t> m_greenBlue; // a byte per pixel: green << 4 | blue
    std::vector<std::uint8_t> m_red;       // a byte per pixel pair: first red << 4 | second red
    CScreenModel m_screen;                 // the picture and who observes it
    mutable std::vector<std::uint8_t> m_pDecodeBuf; // made by DecodeBits
    mutable bool m_bDecodeBufStale = true;
    // Pixels [m_nTouchedBegin, m_nTouchedEnd) changed by the payload being decoded.
    std::size_t m_nTouchedBegin = 0;
    std::size_t m_nTouchedEnd = 0;
    int m_nChangedFirst = 0;
    int m_nChangedCount = 0;
    std::array<std::uint8_t, 768> m_palette{}; // 256 entries: red, green, blue
    // The same entries as the planes hold them.
    lumetto::PlanarPalette m_planarPalette{};
    Result m_eLastResult = Result::NoFormat;
    bool m_bResuming = false; // KeepForResume: the next payload decides
};

const char* ToString(CScreenDecoder::Result r);
