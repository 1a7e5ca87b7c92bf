// SPDX-License-Identifier: GPL-3.0-or-later
// Precomputed window functions for one block size, applied by the producer
// as each block is put. Index 0 "Rectangular" has no table (the block is left
// unchanged); indexes 1..9 are "Hamming", "Hann", "Cosine", "Bartlett",
// "Triangular", "Bartlett-Hann", "Blackman", "Nuttall", "Blackman-Harris".
// Used only under the sample exchange's lock.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

inline constexpr int kWindowCount = 10;
extern const char* const g_apszWindowNames[kWindowCount];

class CWindowTable {
public:
    CWindowTable() = default;
    virtual ~CWindowTable() = default;

    // Builds the nine tables for block size n (n >= 2). Called once.
    void SetSize(std::int32_t n);
    void SetType(std::int32_t type) { m_nType = type; }
    std::int32_t GetType() const { return m_nType; }
    // Multiplies values[0..count) by the current table; types 0 and >9, a
    // missing table or count <= 0 leave the values unchanged. count <= size.
    void Apply(double* values, std::int32_t count) const;
    // Table entry for tests and plots; type 1..9, 0 <= i < size.
    double Value(std::int32_t type, std::int32_t i) const;
    std::int32_t GetSize() const { return m_nSize; }

private:
    std::array<std::vector<double>, 9> m_pTable; // tables 1..9
    std::int32_t m_nSize = 0;
    std::int32_t m_nType = 1;
};
