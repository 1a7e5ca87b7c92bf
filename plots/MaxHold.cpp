// SPDX-License-Identifier: GPL-3.0-or-later
#include "plots/MaxHold.h"

#include <algorithm>

void CMaxHold::Update(std::span<const std::int32_t> values) {
    if (m_held.size() != values.size()) {
        m_held.assign(values.begin(), values.end());
        return;
    }
    for (std::size_t i = 0; i < values.size(); ++i)
        m_held[i] = std::max(m_held[i], values[i]);
}
