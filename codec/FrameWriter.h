// Wraps payloads into frames for the serial link, as the phone sends them.
//
// A frame is "stx_data", the frame's total length T as a 32-bit little-endian
// number (markers, this field and payload included: payload + 20), the
// payload, and the end marker: "data_etx" for a screen frame, "close_tx" for
// the phone's closing notice.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class CFrameWriter {
public:
    static constexpr std::size_t kOverhead = 20;
    // The receiver holds at most 256 KiB of a frame; larger frames are never
    // written because no receiver could take them.
    static constexpr std::size_t kMaxFrameSize = 262144;
    static constexpr std::size_t kMaxPayload = kMaxFrameSize - kOverhead;

    // Appends a screen frame around the payload to out. Returns false, leaving
    // out as it was, when the payload is longer than kMaxPayload.
    static bool AppendScreenFrame(const std::uint8_t* pPayload, std::size_t nLength,
                                  std::vector<std::uint8_t>& out);
    static bool AppendScreenFrame(const std::vector<std::uint8_t>& payload,
                                  std::vector<std::uint8_t>& out) {
        return AppendScreenFrame(payload.data(), payload.size(), out);
    }

    // Appends the phone's closing notice (a frame with an empty payload that
    // ends in "close_tx") to out.
    static void AppendCloseNotice(std::vector<std::uint8_t>& out);

    // The closing marker alone, as the PC sends it to the phone.
    static const std::uint8_t* CloseMarker();

private:
    static void Append(const std::uint8_t* pPayload, std::size_t nLength, const char* pEnd,
                       std::vector<std::uint8_t>& out);
};
