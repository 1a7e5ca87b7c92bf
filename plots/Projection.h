// SPDX-License-Identifier: GPL-3.0-or-later
// Camera and projection state: viewport, frustum or orthographic volume, model
// scale, translation and rotation, and the polygon/depth render mode. Two
// process-wide instances: g_projection2D (window pixels of the plot area) and
// g_projection3D (the 3D plots).
//
// User-interface thread only; Apply needs the OpenGL context current. The
// record (Serialize, Deserialize) is plain C++ and needs no context.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

struct SViewport {
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t width = 1;
    std::int32_t height = 1;
    bool operator==(const SViewport&) const = default;
};

class CProjection {
public:
    static constexpr std::int32_t kPerspective = 1; // any other kind is orthographic
    static constexpr std::int32_t kRenderFlat = 0;  // fill, no depth test
    static constexpr std::int32_t kRenderDepth = 1; // fill, depth test
    // Serialised record: viewport (4 x i32), kind (i32), bounds (6 x f64),
    // scale, translation, rotation (3 x f64 each), render mode (i32); all
    // little-endian, no padding.
    static constexpr std::size_t kRecordSize = 144;
    using Record = std::array<std::uint8_t, kRecordSize>;

    CProjection() = default;
    virtual ~CProjection() = default;

    SViewport GetViewport() const { return m_rcViewport; }
    void SetViewport(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height) {
        m_rcViewport = {x, y, width, height};
    }
    // Clipping volume: left, right, bottom, top, near, far.
    void SetBounds(double left, double right, double bottom, double top, double zNear,
                   double zFar) {
        m_dBounds = {left, right, bottom, top, zNear, zFar};
    }
    void SetKind(std::int32_t kind) { m_nKind = kind; }
    // Degrees about x, y and z, applied in that order.
    void SetRotation(double rx, double ry, double rz) { m_dRotate = {rx, ry, rz}; }
    void SetTranslation(double tx, double ty, double tz) { m_dTranslate = {tx, ty, tz}; }
    // 0 fill without depth test, 1 fill with depth test, other values leave
    // polygon mode and depth test alone.
    void SetRenderMode(std::int32_t mode) { m_nRenderMode = mode; }

    std::int32_t GetKind() const { return m_nKind; }
    const std::array<double, 6>& GetBounds() const { return m_dBounds; }
    const std::array<double, 3>& GetScale() const { return m_dScale; }
    const std::array<double, 3>& GetTranslation() const { return m_dTranslate; }
    const std::array<double, 3>& GetRotation() const { return m_dRotate; }
    std::int32_t GetRenderMode() const { return m_nRenderMode; }

    // Viewport; identity model-view; projection = frustum (kind 1) or ortho;
    // model-view = translate, scale, rotate x, y, z; then the render mode.
    // Leaves the model-view matrix selected and line smoothing off.
    void Apply() const;

    Record Serialize() const;
    void Deserialize(const Record& record);

private:
    SViewport m_rcViewport;
    std::int32_t m_nKind = 0;
    std::array<double, 6> m_dBounds = {0, 1, 0, 1, 0, 1};
    std::array<double, 3> m_dScale = {1, 1, 1};
    std::array<double, 3> m_dTranslate = {0, 0, 0};
    std::array<double, 3> m_dRotate = {0, 0, 0};
    std::int32_t m_nRenderMode = 0;
};

extern CProjection g_projection2D;
extern CProjection g_projection3D;
