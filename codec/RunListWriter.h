// Writes one run list of a screen payload body.
//
// A run list (drawn in PayloadFormat.h) is a 16-bit run count followed by
// runs, each a control word and its data.
//
// The writer gets one data byte and one kind per unit (pixel or pair of
// pixels). A changed unit must be written; an unchanged unit may be skipped,
// and may also be written with its byte when that leaves the receiver's
// picture as it is, which lets short gaps join the runs around them.
#pragma once

#include "codec/PayloadFormat.h"

#include <cstddef>
#include <cstdint>

namespace lumetto {

constexpr unsigned kRunSkip = payload::kRunSkip;
constexpr unsigned kRunLiteral = payload::kRunLiteral;
constexpr std::size_t kMaxRunLength = payload::kRunLengthMask; // 16383 units
constexpr std::size_t kMaxRunCount = 0xFFFF;

enum UnitKind : std::uint8_t {
    kUnitKeep = 0,    // unchanged; its byte must not be written (skip only)
    kUnitSame = 1,    // unchanged; writing its byte changes nothing
    kUnitChanged = 2, // must be written
};

// The most bytes a run list over `units` units can take (3 per unit at worst).
constexpr std::size_t MaxRunListBytes(std::size_t units) {
    return 2 + 3 * units;
}

// Writes the run list for `units` units at `out`, which must hold
// MaxRunListBytes(units) bytes. `minRun` steers merging: skips and repeats
// shorter than it are folded into literals where the units allow it (4 gives
// the most compact lists; larger values give fewer runs). Returns the number of
// runs; when it exceeds kMaxRunCount the bytes written are not a valid list and
// the caller retries with a larger minRun. *pEnd receives the end of the list.
std::size_t WriteRunList(const std::uint8_t* pData, const std::uint8_t* pKinds, std::size_t units,
                         std::size_t minRun, std::uint8_t* out, std::uint8_t** pEnd);

} // namespace lumetto
