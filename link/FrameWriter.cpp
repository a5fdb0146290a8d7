#include "link/FrameWriter.h"

#include <cstring>

bool CFrameWriter::AppendScreenFrame(const std::uint8_t* pPayload, std::size_t nLength,
                                     std::vector<std::uint8_t>& out) {
    if (nLength > kMaxPayload)
        return false;
    Append(pPayload, nLength, wire::kScreenEndMarker, out);
    return true;
}

void CFrameWriter::AppendCloseNotice(std::vector<std::uint8_t>& out) {
    Append(nullptr, 0, wire::kCloseMarker, out);
}

void CFrameWriter::Append(const std::uint8_t* pPayload, std::size_t nLength, const char* pEnd,
                          std::vector<std::uint8_t>& out) {
    const std::size_t start = out.size();
    const auto total = static_cast<std::uint32_t>(nLength + wire::kFrameOverhead);
    out.resize(start + nLength + wire::kFrameOverhead);
    std::uint8_t* p = out.data() + start;
    std::memcpy(p, wire::kStartMarker, wire::kMarkerSize);
    for (std::size_t i = 0; i < wire::kLengthSize; ++i)
        p[wire::kMarkerSize + i] = static_cast<std::uint8_t>(total >> (8 * i));
    if (nLength > 0)
        std::memcpy(p + wire::kHeaderSize, pPayload, nLength);
    std::memcpy(p + wire::kHeaderSize + nLength, pEnd, wire::kMarkerSize);
}
