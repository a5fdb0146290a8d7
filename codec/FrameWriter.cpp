#include "codec/FrameWriter.h"

#include <cstring>

namespace {

constexpr char kSTX[] = "stx_data";
constexpr char kETX[] = "data_etx";
constexpr char kCCONTX[] = "close_tx";

} // namespace

bool CFrameWriter::AppendScreenFrame(const std::uint8_t* pPayload, std::size_t nLength,
                                     std::vector<std::uint8_t>& out) {
    if (nLength > kMaxPayload)
        return false;
    Append(pPayload, nLength, kETX, out);
    return true;
}

void CFrameWriter::AppendCloseNotice(std::vector<std::uint8_t>& out) {
    Append(nullptr, 0, kCCONTX, out);
}

const std::uint8_t* CFrameWriter::CloseMarker() {
    return reinterpret_cast<const std::uint8_t*>(kCCONTX);
}

void CFrameWriter::Append(const std::uint8_t* pPayload, std::size_t nLength, const char* pEnd,
                          std::vector<std::uint8_t>& out) {
    const std::size_t start = out.size();
    const std::uint32_t total = static_cast<std::uint32_t>(nLength + kOverhead);
    out.resize(start + nLength + kOverhead);
    std::uint8_t* p = out.data() + start;
    std::memcpy(p, kSTX, 8);
    for (int i = 0; i < 4; ++i)
        p[8 + i] = static_cast<std::uint8_t>(total >> (8 * i));
    if (nLength > 0)
        std::memcpy(p + 12, pPayload, nLength);
    std::memcpy(p + 12 + nLength, pEnd, 8);
}
