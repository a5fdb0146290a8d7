#include "codec/RunListWriter.h"

#include <algorithm>
#include <cstring>

namespace lumetto {

namespace {

class CRunEmitter {
public:
    explicit CRunEmitter(std::uint8_t* out) : m_p(out) {}

    void Skip(std::size_t n) {
        while (n > 0) {
            const std::size_t k = std::min(n, kMaxRunLength);
            Word(kRunSkip | unsigned(k));
            n -= k;
        }
    }
    void Repeat(std::uint8_t value, std::size_t n) {
        while (n > 0) {
            const std::size_t k = std::min(n, kMaxRunLength);
            Word(unsigned(k));
            *m_p++ = value;
            n -= k;
        }
    }
    void Literal(const std::uint8_t* data, std::size_t n) {
        while (n > 0) {
            const std::size_t k = std::min(n, kMaxRunLength);
            Word(kRunLiteral | unsigned(k));
            std::memcpy(m_p, data, k);
            m_p += k;
            data += k;
            n -= k;
        }
    }
    std::uint8_t* Pos() const { return m_p; }
    std::size_t Runs() const { return m_nRuns; }

private:
    void Word(unsigned w) {
        m_p[0] = std::uint8_t(w >> 8);
        m_p[1] = std::uint8_t(w);
        m_p += 2;
        ++m_nRuns;
    }

    std::uint8_t* m_p;
    std::size_t m_nRuns = 0;
};

} // namespace

std::size_t WriteRunList(const std::uint8_t* pData, const std::uint8_t* pKinds, std::size_t units,
                         std::size_t minRun, std::uint8_t* out, std::uint8_t** pEnd) {
    minRun = std::max<std::size_t>(minRun, 2);
    // A repeat costs 3 bytes, a literal 2 plus one a unit, a skip 2: at the
    // start of a stretch a repeat of 3 already beats a literal; inside a
    // literal, leaving it for a repeat or a skip pays from about 4 units on.
    const std::size_t startRepeat = minRun <= 4 ? 3 : minRun;
    CRunEmitter emit(out + 2);

    // Units from i on that a repeat of pData[i] could cover.
    auto repeatLength = [&](std::size_t i) {
        const std::uint8_t v = pData[i];
        std::size_t j = i;
        while (j < units && pKinds[j] != kUnitKeep && pData[j] == v)
            ++j;
        return j - i;
    };
    // Unchanged units from i on, and whether all of them may be written.
    auto gapLength = [&](std::size_t i, bool& writable) {
        std::size_t j = i;
        writable = true;
        while (j < units && pKinds[j] != kUnitChanged) {
            writable = writable && pKinds[j] == kUnitSame;
            ++j;
        }
        return j - i;
    };

    std::size_t i = 0;
    while (i < units) {
        if (pKinds[i] != kUnitChanged) {
            bool writable = false;
            const std::size_t gap = gapLength(i, writable);
            if (i + gap == units)
                break; // nothing changes after this: no run needed
            if (!writable || gap >= minRun) {
                emit.Skip(gap);
                i += gap;
                continue;
            }
            // A short writable gap joins the literal or repeat that follows.
        }
        const std::size_t rep = repeatLength(i);
        if (rep >= startRepeat) {
            emit.Repeat(pData[i], rep);
            i += rep;
            continue;
        }
        // A literal from i until a long gap, a gap that must be skipped, or a
        // long repeat begins.
        std::size_t j = i + rep;
        while (j < units) {
            if (pKinds[j] != kUnitChanged) {
                bool writable = false;
                const std::size_t gap = gapLength(j, writable);
                if (!writable || gap >= minRun || j + gap == units)
                    break;
                j += gap;
                continue;
            }
            const std::size_t r = repeatLength(j);
            if (r >= minRun)
                break;
            // No repeat starting inside [j, j + r) reaches minRun either.
            j += r;
        }
        // Unchanged units at the very end need not be written.
        if (j == units) {
            while (j > i + 1 && pKinds[j - 1] != kUnitChanged)
                --j;
        }
        emit.Literal(pData + i, j - i);
        i = j;
    }

    const std::size_t runs = emit.Runs();
    out[0] = std::uint8_t(runs >> 8);
    out[1] = std::uint8_t(runs);
    *pEnd = emit.Pos();
    return runs;
}

} // namespace lumetto
