// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/VersionInfo.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <limits>

#include "base/Version.h"

CVersionInfo g_versionInfo;

namespace {

// Leading blanks, an optional sign, then as many digits as there are; no
// digits gives 0. Saturates at the range of the 16-bit field.
std::int16_t PieceToNumber(const std::string& piece) {
    std::size_t i = 0;
    while (i < piece.size() && std::isspace(static_cast<unsigned char>(piece[i])))
        ++i;
    bool negative = false;
    if (i < piece.size() && (piece[i] == '+' || piece[i] == '-')) {
        negative = piece[i] == '-';
        ++i;
    }
    long value = 0;
    for (; i < piece.size() && std::isdigit(static_cast<unsigned char>(piece[i])); ++i) {
        value = value * 10 + (piece[i] - '0');
        if (value > 100000)
            value = 100000;
    }
    if (negative)
        value = -value;
    value = std::clamp<long>(value, std::numeric_limits<std::int16_t>::min(),
                             std::numeric_limits<std::int16_t>::max());
    return static_cast<std::int16_t>(value);
}

} // namespace

CVersionInfo::CVersionInfo() {
    Load();
}

void CVersionInfo::Load() {
    Load(VIREON_INTERNAL_NAME, VIREON_LEGAL_COPYRIGHT, VIREON_PRODUCT_VERSION);
}

void CVersionInfo::Load(const char* name, const char* legal, const char* productVersion) {
    if (name != nullptr)
        m_strName = name;
    if (legal != nullptr)
        m_strLegal = legal;
    if (productVersion != nullptr)
        m_strVersion = "Version " + FormatVersion(productVersion);
    m_bValid = name != nullptr && legal != nullptr && productVersion != nullptr;
}

bool CVersionInfo::GetStrings(std::string& name, std::string& legal, std::string& version) const {
    if (m_bValid) {
        name = m_strName;
        legal = m_strLegal;
        version = m_strVersion;
    }
    return m_bValid;
}

bool CVersionInfo::GetVersionParts(std::int16_t* out, int count) const {
    if (out == nullptr || count < 1)
        return true;
    std::copy_n(m_nVersion.begin(), std::min<std::size_t>(static_cast<std::size_t>(count), 4), out);
    return true;
}

std::string CVersionInfo::FormatVersion(const char* text) {
    std::string copy;
    if (text != nullptr)
        copy.assign(text, std::find(text, text + 256, '\0'));
    m_nVersion.fill(0);

    std::size_t start = 0;
    for (std::size_t part = 0; part < m_nVersion.size() && start <= copy.size(); ++part) {
        std::size_t comma = copy.find(',', start);
        if (comma == std::string::npos)
            comma = copy.size();
        m_nVersion[part] = PieceToNumber(copy.substr(start, comma - start));
        start = comma + 1;
    }

    const auto& v = m_nVersion;
    char buffer[64];
    if (v[3] != 0)
        std::snprintf(buffer, sizeof buffer, "%d.%d%d%d", v[0], v[1], v[2], v[3]);
    else if (v[2] != 0)
        std::snprintf(buffer, sizeof buffer, "%d.%d%d", v[0], v[1], v[2]);
    else
        std::snprintf(buffer, sizeof buffer, "%d.%d", v[0], v[1]);
    return buffer;
}
