// The frames the phone sends on the serial line, and the one marker the PC
// sends back. This header is the one place that knows their bytes: the
// receiver (FrameReceiver) and the writer (FrameWriter) both read it.
//
// A frame, phone to PC (T = payload length + 20):
//
//    0       8      12                12+P    12+P+8 = T
//    +-------+-------+------ ... ------+--------+
//    |stx_   |T      |payload          |end     |
//    |data   |(u32le)|(P = T - 20)     |marker  |
//    +-------+-------+------ ... ------+--------+
//     8 bytes 4 bytes  P bytes          8 bytes: "data_etx" for a screen
//                                       payload, "close_tx" for the phone's
//                                       closing notice (then P = 0)
//
// T counts the markers, the length field and the payload. A receiver holds at
// most 256 KiB of one frame, so T lies in [20, 262144]; anything else is not
// a frame and the receiver looks for the next start marker.
//
// PC to phone: the 8 bytes "close_tx" alone, when the user closes the
// connection while a live picture is shown.
#pragma once

#include <cstddef>
#include <cstdint>

namespace wire {

constexpr std::size_t kMarkerSize = 8;
constexpr char kStartMarker[kMarkerSize + 1] = "stx_data";
constexpr char kScreenEndMarker[kMarkerSize + 1] = "data_etx";
constexpr char kCloseMarker[kMarkerSize + 1] = "close_tx";

constexpr std::size_t kLengthSize = 4;                            // T, little-endian
constexpr std::size_t kHeaderSize = kMarkerSize + kLengthSize;    // 12: start marker and T
constexpr std::size_t kFrameOverhead = kHeaderSize + kMarkerSize; // 20
constexpr std::size_t kMaxFrameSize = 262144;                     // 256 KiB
constexpr std::size_t kMaxPayload = kMaxFrameSize - kFrameOverhead;

// T, read from the kLengthSize bytes after a start marker.
inline std::uint32_t FrameLength(const std::uint8_t* pLengthField) {
    return std::uint32_t(pLengthField[0]) | (std::uint32_t(pLengthField[1]) << 8) |
           (std::uint32_t(pLengthField[2]) << 16) | (std::uint32_t(pLengthField[3]) << 24);
}

// The closing marker's bytes.
inline const std::uint8_t* CloseMarkerBytes() {
    return reinterpret_cast<const std::uint8_t*>(kCloseMarker);
}

} // namespace wire
