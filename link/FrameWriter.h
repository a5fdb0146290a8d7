// Wraps payloads into frames for the serial line, as the phone sends them
// (the bytes are drawn in WireFormat.h).
#pragma once

#include "link/WireFormat.h"

#include <cstddef>
#include <cstdint>
#include <vector>

class CFrameWriter {
public:
    static constexpr std::size_t kOverhead = wire::kFrameOverhead;
    // Larger frames are never written because no receiver could take them.
    static constexpr std::size_t kMaxFrameSize = wire::kMaxFrameSize;
    static constexpr std::size_t kMaxPayload = wire::kMaxPayload;

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
    static const std::uint8_t* CloseMarker() { return wire::CloseMarkerBytes(); }

private:
    static void Append(const std::uint8_t* pPayload, std::size_t nLength, const char* pEnd,
                       std::vector<std::uint8_t>& out);
};
