// SPDX-License-Identifier: GPL-3.0-or-later
// The history buffers the analysis thread fills and the plots draw from, and
// the element access both sides must use on them.
//
// Layout (H history length, K surface columns, R surface rows):
// - waterfall ring: (2H + 1) rows of H colour indices; every new row is
//   written at index r and again at r + H, r = the store's m_nHistoryRow,
//   which then moves down by one (0 wraps to H - 1). The H rows from index
//   r + 1 on are therefore contiguous, newest first. Row 2H is never written.
// - level histories: six arrays of 2H + 1 doubles (block levels / 32767,
//   about -1.0..1.0), doubled exactly like the waterfall rows.
// - surface ring: R rows of K doubles (0..1); the new row goes to index
//   i = m_nSurfaceRow, which then becomes (i + 1) mod R: the published index
//   is the oldest row and the one before it (cyclically) the newest.
//
// Concurrency contract: the analysis thread writes with the HistoryStore*
// helpers and publishes the new positions in the store only after a row is
// complete; readers take the positions from the store, then read with the
// HistoryLoad* helpers. Neither side ever waits for the other. A reader may
// see the oldest row of its window (index r + H, or the surface row at the
// published index) half old and half new if the writer is replacing it;
// every other row of the window is complete and does not change. The helpers
// make each element access atomic (relaxed), so this is well-defined.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "analysis/RenderThread.h"

class CRunState;
class CSampleExchange;

namespace history_detail {

inline bool Aligned8(const void* p) {
    return (reinterpret_cast<std::uintptr_t>(p) & 7u) == 0;
}

// Copies n bytes; every byte of `shared` is touched by one atomic access.
// Whole aligned 8-byte words go in one access, so writer and reader split a
// ring row identically when both start on the same word boundary.
template <bool kStore>
inline void CopyBytes(std::uint8_t* shared, std::uint8_t* local, std::size_t n) {
    const auto copyByte = [&](std::size_t i) {
        std::atomic_ref<std::uint8_t> a(shared[i]);
        if constexpr (kStore)
            a.store(local[i], std::memory_order_relaxed);
        else
            local[i] = a.load(std::memory_order_relaxed);
    };
    std::size_t i = 0;
    for (; i < n && !Aligned8(shared + i); ++i)
        copyByte(i);
    for (; i + 8 <= n; i += 8) {
        std::atomic_ref<std::uint64_t> a(*reinterpret_cast<std::uint64_t*>(shared + i));
        std::uint64_t word;
        if constexpr (kStore) {
            std::memcpy(&word, local + i, 8);
            a.store(word, std::memory_order_relaxed);
        } else {
            word = a.load(std::memory_order_relaxed);
            std::memcpy(local + i, &word, 8);
        }
    }
    for (; i < n; ++i)
        copyByte(i);
}

} // namespace history_detail

// Writer side (analysis thread): dst is in a history buffer.
inline void HistoryStoreBytes(std::uint8_t* dst, const std::uint8_t* src, std::size_t n) {
    history_detail::CopyBytes<true>(dst, const_cast<std::uint8_t*>(src), n);
}
inline void HistoryStoreDouble(double* dst, double value) {
    std::atomic_ref<double>(*dst).store(value, std::memory_order_relaxed);
}
inline void HistoryStoreDoubles(double* dst, const double* src, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i)
        HistoryStoreDouble(dst + i, src[i]);
}

// Reader side (plots, any thread): src is in a history buffer.
inline void HistoryLoadBytes(std::uint8_t* dst, const std::uint8_t* src, std::size_t n) {
    history_detail::CopyBytes<false>(const_cast<std::uint8_t*>(src), dst, n);
}
inline std::uint8_t HistoryLoadByte(const std::uint8_t* src) {
    return std::atomic_ref<std::uint8_t>(*const_cast<std::uint8_t*>(src))
        .load(std::memory_order_relaxed);
}
inline double HistoryLoadDouble(const double* src) {
    return std::atomic_ref<double>(*const_cast<double*>(src)).load(std::memory_order_relaxed);
}
inline void HistoryLoadDoubles(double* dst, const double* src, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i)
        dst[i] = HistoryLoadDouble(src + i);
}

// Owns the buffers. Constructed and destroyed on the user-interface thread,
// destroyed only after the analysis thread has ended; the accessors may be
// called from any thread (they return fixed pointers).
class CHistoryBuffers {
public:
    // h: history length H (plot height - 120); k, r: surface columns and rows.
    // The waterfall and surface rings start zeroed.
    CHistoryBuffers(std::int32_t h, std::int32_t k, std::int32_t r);
    virtual ~CHistoryBuffers() = default;
    CHistoryBuffers(const CHistoryBuffers&) = delete;
    CHistoryBuffers& operator=(const CHistoryBuffers&) = delete;

    // Sets the store's history geometry (2H, H, 0, H), surface geometry
    // (R, K, 0) and the buffer pointers. Call before the analysis thread starts.
    void Register(CRunState& runState);
    // Start parameters of the analysis thread over these buffers.
    SRenderParams RenderParams(CSampleExchange* exchange, CRunState* runState);

    std::int32_t GetHistoryLength() const { return m_nHistoryLength; }
    std::int32_t GetSurfaceCols() const { return m_nSurfaceCols; }
    std::int32_t GetSurfaceRows() const { return m_nSurfaceRows; }

    std::uint8_t* Waterfall() { return reinterpret_cast<std::uint8_t*>(m_waterfall.get()); }
    double* Surface() { return m_surface.data(); }
    std::uint8_t* SpectrumRow() { return m_spectrumRow.data(); }
    // 0 min, 1 max, 2 left min, 3 left max, 4 right min, 5 right max.
    double* LevelHistory(int which) { return m_levels[static_cast<std::size_t>(which)].data(); }

private:
    std::int32_t m_nHistoryLength;
    std::int32_t m_nSurfaceCols;
    std::int32_t m_nSurfaceRows;
    // Held as 64-bit words so that whole-word row copies access real objects.
    std::unique_ptr<std::uint64_t[]> m_waterfall;
    std::vector<double> m_surface;
    std::vector<double> m_levels[6];
    std::vector<std::uint8_t> m_spectrumRow;
};
