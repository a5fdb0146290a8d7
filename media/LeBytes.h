// A growing byte string with little-endian writers, as RIFF files use them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace lumetto {

class CLeBytes {
public:
    void Put8(std::uint8_t v) { m_bytes.push_back(v); }
    void Put16(std::uint32_t v) {
        Put8(static_cast<std::uint8_t>(v));
        Put8(static_cast<std::uint8_t>(v >> 8));
    }
    void Put32(std::uint32_t v) {
        Put16(v & 0xFFFF);
        Put16(v >> 16);
    }
    void Put64(std::uint64_t v) {
        Put32(static_cast<std::uint32_t>(v));
        Put32(static_cast<std::uint32_t>(v >> 32));
    }
    // A four-character code such as "RIFF" (exactly four characters).
    void PutFourCC(const char (&cc)[5]) {
        for (int i = 0; i < 4; ++i)
            Put8(static_cast<std::uint8_t>(cc[i]));
    }
    void PutZeros(std::size_t n) { m_bytes.insert(m_bytes.end(), n, 0); }

    std::size_t Size() const { return m_bytes.size(); }
    const std::uint8_t* Data() const { return m_bytes.data(); }
    const std::vector<std::uint8_t>& Bytes() const { return m_bytes; }

private:
    std::vector<std::uint8_t> m_bytes;
};

} // namespace lumetto
