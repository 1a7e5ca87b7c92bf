// SPDX-License-Identifier: GPL-3.0-or-later
// The projections themselves and their 144-byte record: standard C++ only, so
// that the preset reader and writer build without OpenGL (and under the
// sanitizers and the fuzzer).
#include "plots/Projection.h"

#include <bit>

CProjection g_projection2D;
CProjection g_projection3D;

namespace {

class CWriter {
public:
    explicit CWriter(CProjection::Record& r) : m_record(r) {}
    void U32(std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            m_record[m_pos++] = static_cast<std::uint8_t>(v >> (8 * i));
    }
    void U64(std::uint64_t v) {
        for (int i = 0; i < 8; ++i)
            m_record[m_pos++] = static_cast<std::uint8_t>(v >> (8 * i));
    }
    void I32(std::int32_t v) { U32(static_cast<std::uint32_t>(v)); }
    void F64(double v) { U64(std::bit_cast<std::uint64_t>(v)); }

private:
    CProjection::Record& m_record;
    std::size_t m_pos = 0;
};

class CReader {
public:
    explicit CReader(const CProjection::Record& r) : m_record(r) {}
    std::uint64_t Bytes(int n) {
        std::uint64_t v = 0;
        for (int i = 0; i < n; ++i)
            v |= static_cast<std::uint64_t>(m_record[m_pos++]) << (8 * i);
        return v;
    }
    std::int32_t I32() { return static_cast<std::int32_t>(static_cast<std::uint32_t>(Bytes(4))); }
    double F64() { return std::bit_cast<double>(Bytes(8)); }

private:
    const CProjection::Record& m_record;
    std::size_t m_pos = 0;
};

} // namespace

CProjection::Record CProjection::Serialize() const {
    Record record{};
    CWriter w(record);
    w.I32(m_rcViewport.x);
    w.I32(m_rcViewport.y);
    w.I32(m_rcViewport.width);
    w.I32(m_rcViewport.height);
    w.I32(m_nKind);
    for (double v : m_dBounds)
        w.F64(v);
    for (double v : m_dScale)
        w.F64(v);
    for (double v : m_dTranslate)
        w.F64(v);
    for (double v : m_dRotate)
        w.F64(v);
    w.I32(m_nRenderMode);
    return record;
}

void CProjection::Deserialize(const Record& record) {
    CReader r(record);
    m_rcViewport.x = r.I32();
    m_rcViewport.y = r.I32();
    m_rcViewport.width = r.I32();
    m_rcViewport.height = r.I32();
    m_nKind = r.I32();
    for (double& v : m_dBounds)
        v = r.F64();
    for (double& v : m_dScale)
        v = r.F64();
    for (double& v : m_dTranslate)
        v = r.F64();
    for (double& v : m_dRotate)
        v = r.F64();
    m_nRenderMode = r.I32();
}
