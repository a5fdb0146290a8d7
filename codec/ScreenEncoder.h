// Encodes pictures of the phone's screen into screen payloads, as the phone
// sends them.
//
// A picture is width x height 12-bit colours, one 16-bit word 0x0RGB a pixel,
// rows top to bottom (the top 4 bits of each word are ignored). Given the
// picture the receiver holds now, only what changed is coded: unchanged
// pixels are skipped, equal neighbours become repeat runs, the rest literal
// runs. Without a previous picture every pixel is coded.
//
// Format 12 sends the picture exactly. Format 8 sends a palette of at most 256
// colours with each payload, built from the colours of the pixels that
// changed. When more than 256 colours changed, the palette holds the 256 most
// frequent of them (ties: the lower colour value first) and every other colour
// is sent as its nearest palette colour (squared distance of the components,
// weighted 3 red, 4 green, 2 blue; ties: the lower palette index). Pixels sent
// that way differ from the picture, so they count as changed next time and
// come closer to the picture with each payload.
//
// All working memory is kept between calls; encoding allocates nothing once
// the buffers have grown to the picture size.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

class CScreenEncoder {
public:
    struct Params {
        int nWidth = 0;
        int nHeight = 0;
        int nFormat = 12;    // 8 or 12
        bool bHeader = true; // start with the header (kind 1, size, format)
    };

    // Encodes pPicture into out (replacing its content). pPrevious is the
    // picture the receiver holds before this payload, or null to code every
    // pixel. pShown, when given, receives the picture the receiver holds after
    // this payload (equal to pPicture except for reduced colours in format 8);
    // it may be the same buffer as pPrevious. Returns false, leaving out empty,
    // for a side outside 1..kMaxScreenSide or a format other than 8 and 12.
    bool Encode(const std::uint16_t* pPicture, const std::uint16_t* pPrevious, const Params& params,
                std::vector<std::uint8_t>& out, std::uint16_t* pShown = nullptr);

    // Facts about the last payload.
    std::size_t LastRunCount() const { return m_nLastRuns; }
    std::size_t LastPaletteSize() const { return m_nPaletteSize; }
    bool LastReduced() const { return m_bReduced; }

private:
    std::uint8_t* WriteHeader(const Params& params, std::uint8_t* p) const;
    std::uint8_t* WriteList(std::size_t units, std::uint8_t* p);
    bool EncodeDirect12(const std::uint16_t* pic, const std::uint16_t* prev, std::size_t pixels,
                        std::uint8_t*& p);
    bool EncodeIndexed8(const std::uint16_t* pic, const std::uint16_t* prev, std::size_t pixels,
                        std::uint8_t*& p);
    void BuildPalette(const std::uint16_t* pic, const std::uint16_t* prev, std::size_t pixels);
    void CountChangedColours(const std::uint16_t* pic, const std::uint16_t* prev,
                             std::size_t pixels);

    std::vector<std::uint8_t> m_work;  // the payload while it is written
    std::vector<std::uint8_t> m_data;  // one data byte a unit
    std::vector<std::uint8_t> m_kinds; // one UnitKind a unit
    std::array<std::uint32_t, 4096> m_histogram{};
    std::array<std::int16_t, 4096> m_sendIndex{};  // colour -> palette index it is sent as
    std::array<std::int16_t, 4096> m_exactIndex{}; // colour -> its own palette index, or -1
    std::vector<std::uint16_t> m_colours;          // distinct changed colours
    std::array<std::uint16_t, 256> m_palette{};
    std::size_t m_nPaletteSize = 0;
    std::size_t m_nLastRuns = 0;
    bool m_bReduced = false;
};
