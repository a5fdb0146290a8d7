// Builds wire frames for tests: "stx_data", total length, payload, end marker.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

using Bytes = std::vector<std::uint8_t>;

inline Bytes Frame(const Bytes& payload, const std::string& end = "data_etx") {
    Bytes f = {'s', 't', 'x', '_', 'd', 'a', 't', 'a'};
    const auto total = static_cast<std::uint32_t>(payload.size() + 20);
    for (int i = 0; i < 4; ++i)
        f.push_back(static_cast<std::uint8_t>(total >> (8 * i)));
    f.insert(f.end(), payload.begin(), payload.end());
    f.insert(f.end(), end.begin(), end.end());
    return f;
}

// A frame whose length field says `total` whatever the payload is.
inline Bytes FrameWithLength(std::uint32_t total, const Bytes& payload) {
    Bytes f = Frame(payload);
    for (int i = 0; i < 4; ++i)
        f[8 + i] = static_cast<std::uint8_t>(total >> (8 * i));
    return f;
}

inline Bytes Text(const std::string& s) {
    return Bytes(s.begin(), s.end());
}

inline Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

// The first n bytes of b.
inline Bytes Prefix(const Bytes& b, std::size_t n) {
    return Bytes(b.begin(), b.begin() + n);
}

inline Bytes Pattern(std::size_t n, std::uint8_t seed) {
    Bytes b(n);
    for (std::size_t i = 0; i < n; ++i)
        b[i] = static_cast<std::uint8_t>(seed + i * 7);
    return b;
}

} // namespace testsupport
