// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/WindowTable.h"

#include <algorithm>
#include <cmath>
#include <numbers>

const char* const g_apszWindowNames[kWindowCount] = {
    "Rectangular", "Hamming",       "Hann",     "Cosine",  "Bartlett",
    "Triangular",  "Bartlett-Hann", "Blackman", "Nuttall", "Blackman-Harris",
};

void CWindowTable::SetSize(std::int32_t n) {
    m_nSize = n;
    // Below two samples M = N - 1 would divide by zero; leave the block as is.
    if (n < 2) {
        for (auto& table : m_pTable)
            table.clear();
        return;
    }
    const std::size_t size = static_cast<std::size_t>(n);
    for (auto& table : m_pTable)
        table.assign(size, 0.0);

    constexpr double pi = std::numbers::pi;
    const double nn = n;
    const double m = n - 1;
    for (std::size_t i = 0; i < size; ++i) {
        const double x = static_cast<double>(i);
        const double c1 = std::cos(2.0 * pi * x / m);
        const double c2 = std::cos(4.0 * pi * x / m);
        const double c3 = std::cos(6.0 * pi * x / m);
        m_pTable[0][i] = 0.54 - 0.46 * c1;
        m_pTable[1][i] = (1.0 - c1) * 0.5;
        m_pTable[2][i] = std::sin(pi * x / m);
        m_pTable[3][i] = (m / 2.0 - std::abs(x - m / 2.0)) * (2.0 / m);
        m_pTable[4][i] = (nn / 2.0 - std::abs(x - m / 2.0)) * (2.0 / nn);
        m_pTable[5][i] = 0.62 - 0.48 * std::abs(x / m - 0.5) - 0.38 * c1;
        m_pTable[6][i] = 0.42 - 0.5 * c1 + 0.08 * c2;
        m_pTable[7][i] = 0.355768 - 0.487396 * c1 + 0.144232 * c2 - 0.012604 * c3;
        m_pTable[8][i] = 0.3635819 - 0.4891775 * c1 + 0.1365995 * c2 - 0.0106411 * c3;
    }
}

void CWindowTable::Apply(double* values, std::int32_t count) const {
    if (m_nType < 1 || m_nType > 9 || count <= 0 || values == nullptr)
        return;
    const std::vector<double>& table = m_pTable[static_cast<std::size_t>(m_nType - 1)];
    if (table.empty())
        return;
    // Never read past the table, whatever the caller claims.
    const std::size_t n = std::min(static_cast<std::size_t>(count), table.size());
    const double* w = table.data();
    for (std::size_t i = 0; i < n; ++i)
        values[i] *= w[i];
}

double CWindowTable::Value(std::int32_t type, std::int32_t i) const {
    if (type < 1 || type > 9 || i < 0 || i >= m_nSize)
        return 0.0;
    const std::vector<double>& table = m_pTable[static_cast<std::size_t>(type - 1)];
    return table.empty() ? 0.0 : table[static_cast<std::size_t>(i)];
}
