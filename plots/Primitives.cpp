// SPDX-License-Identifier: GPL-3.0-or-later
#include "plots/Primitives.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>

#include "base/RunState.h"
#include "plots/FontList.h"
#include "plots/Palette.h"
#include "plots/Panel.h"

namespace {

std::size_t PaletteIndex(double magnitude) {
    const double index = magnitude * 255.0;
    if (!(index > 0.0))
        return 0;
    return static_cast<std::size_t>(std::min(index, 255.0));
}

SColouredVertex PaletteEntry(double magnitude, float x, float y, float z) {
    const std::size_t c = PaletteIndex(magnitude);
    return {g_afPaletteRed[c], g_afPaletteGreen[c], g_afPaletteBlue[c], x, y, z};
}

void PaletteVertex(double magnitude, float x, float y, float z) {
    const SColouredVertex v = PaletteEntry(magnitude, x, y, z);
    glColor3f(v.r, v.g, v.b);
    glVertex3f(v.x, v.y, v.z);
}

} // namespace

void SetColour(const SColour& c) {
    glColor3f(c.r, c.g, c.b);
}

void FillRect(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom) {
    glBegin(GL_POLYGON);
    glVertex2i(left, bottom);
    glVertex2i(left, top);
    glVertex2i(right, top);
    glVertex2i(right, bottom);
    glEnd();
}

void FillRectShaded(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom,
                    const SColour& c1, const SColour& c2, const SColour& c3, const SColour& c4) {
    glBegin(GL_POLYGON);
    SetColour(c1);
    glVertex2i(left, bottom);
    SetColour(c2);
    glVertex2i(left, top);
    SetColour(c3);
    glVertex2i(right, top);
    SetColour(c4);
    glVertex2i(right, bottom);
    glEnd();
}

void OutlineRect(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom) {
    glBegin(GL_LINE_STRIP);
    glVertex2i(left, bottom);
    glVertex2i(left, top);
    glVertex2i(right, top);
    glVertex2i(right, bottom);
    glVertex2i(left, bottom);
    glEnd();
}

void DrawLine(std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1) {
    glBegin(GL_LINES);
    glVertex2i(x0, y0);
    glVertex2i(x1, y1);
    glEnd();
}

void FillPolygon(const CPoint* points, int n) {
    glBegin(GL_POLYGON);
    for (int i = 0; i < n && points != nullptr; ++i)
        glVertex2i(points[i].x, points[i].y);
    glEnd();
}

void DrawLine3D(const double* p0, const double* p1) {
    glBegin(GL_LINES);
    glVertex3d(p0[0], p0[1], p0[2]);
    glVertex3d(p1[0], p1[1], p1[2]);
    glEnd();
}

void DrawBoxEdges(double xmin, double xmax, double ymin, double ymax, double zmin, double zmax) {
    const double c[8][3] = {
        {xmin, ymin, zmin}, {xmax, ymin, zmin}, {xmax, ymax, zmin}, {xmin, ymax, zmin},
        {xmin, ymin, zmax}, {xmax, ymin, zmax}, {xmax, ymax, zmax}, {xmin, ymax, zmax},
    };
    static constexpr int kEdges[12][2] = {
        {0, 1}, {1, 2}, {2, 3}, {3, 0}, {4, 5}, {5, 6},
        {6, 7}, {7, 4}, {0, 4}, {1, 5}, {2, 6}, {3, 7},
    };
    for (const auto& e : kEdges)
        DrawLine3D(c[e[0]], c[e[1]]);
}

namespace {

constexpr float kUnit[8][3] = {
    {0, 0, 0}, {0, 0, 1}, {1, 0, 1}, {1, 0, 0}, {0, 1, 0}, {0, 1, 1}, {1, 1, 1}, {1, 1, 0},
};
struct SFace {
    int corners[4];
    float r, g, b;
    bool outward;  // counter-clockwise seen from outside the box
    int axis;      // the face lies in a plane across x (0), y (1) or z (2)
    bool positive; // the box lies on the negative side of that plane
};
constexpr SFace kFaces[6] = {
    {{0, 1, 2, 3}, 0.0f, 0.0f, 1.0f, false, 1, false},
    {{2, 6, 7, 3}, 0.5f, 0.5f, 0.0f, false, 0, true},
    {{2, 6, 5, 1}, 0.0f, 1.0f, 0.0f, true, 2, true},
    {{0, 4, 5, 1}, 0.5f, 0.5f, 0.5f, false, 0, false},
    {{4, 5, 6, 7}, 1.0f, 0.0f, 0.0f, true, 1, true},
    {{7, 4, 0, 3}, 1.0f, 1.0f, 0.0f, false, 2, false},
};
constexpr float kFlatBar = 0.0001f;

// The rasteriser splits polygon (a, b, c, d) into the triangles (b, c, a) and
// (c, d, a), and turns a clockwise triangle into (c, b, a) and (d, c, a):
// the same corners in the same order give the same colour and depth
// rounding. A face that DrawBar3D winds clockwise seen from outside goes in
// reversed, in the order the rasteriser would have turned it to.
void AppendFace(STriangleBatch& batch, const CFacing& facing, const SFace& face, bool reverse,
                float x, float y, float z, float width, float height, float depth) {
    static constexpr std::uint32_t kForward[6] = {1, 2, 0, 2, 3, 0};
    static constexpr std::uint32_t kReverse[6] = {2, 1, 0, 3, 2, 0};
    const float* plane = kUnit[face.corners[0]];
    const float at[3] = {x + width * plane[0], y + height * plane[1], z + depth * plane[2]};
    // Wound outward, the face is seen from the side away from the box.
    if (!facing.MaySee(face.axis, at[face.axis], face.positive == (reverse != face.outward)))
        return;
    const auto first = static_cast<std::uint32_t>(batch.vertices.size());
    for (int corner : face.corners) {
        const float* u = kUnit[corner];
        batch.vertices.push_back(
            {face.r, face.g, face.b, x + width * u[0], y + height * u[1], z + depth * u[2]});
    }
    for (std::uint32_t i : reverse ? kReverse : kForward)
        batch.indices.push_back(first + i);
}

} // namespace

void DrawBar3D(float x, float y, float z, float width, float height, float depth) {
    const int faces = height < kFlatBar ? 1 : 6;
    for (int f = 0; f < faces; ++f) {
        const SFace& face = kFaces[f];
        glColor3f(face.r, face.g, face.b);
        glBegin(GL_POLYGON);
        for (int corner : face.corners) {
            const float* u = kUnit[corner];
            glVertex3f(x + width * u[0], y + height * u[1], z + depth * u[2]);
        }
        glEnd();
    }
}

void DrawSurfaceCell(float x0, float z0, float x1, float z1, float offset, float scale, double m1,
                     double m2, double m3, double m4) {
    auto height = [&](double m) { return static_cast<float>(m * scale + offset); };
    const float y1 = height(m1);
    const float y2 = height(m2);
    const float y3 = height(m3);
    const float y4 = height(m4);
    glBegin(GL_POLYGON);
    PaletteVertex(m1, x0, y1, z0);
    PaletteVertex(m2, x0, y2, z1);
    PaletteVertex(m4, x1, y4, z0);
    glEnd();
    glBegin(GL_POLYGON);
    PaletteVertex(m4, x1, y4, z0);
    PaletteVertex(m2, x0, y2, z1);
    PaletteVertex(m3, x1, y3, z1);
    glEnd();
}

CFacing CFacing::FromCurrentMatrices() {
    GLdouble projection[16], modelview[16];
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
    // Rows x, y and w of projection x modelview (OpenGL stores columns).
    double rows[3][4];
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 4; ++c) {
            const int row = r == 2 ? 3 : r;
            rows[r][c] = 0.0;
            for (int k = 0; k < 4; ++k)
                rows[r][c] += projection[k * 4 + row] * modelview[c * 4 + k];
        }
    // The cofactors of a fourth row: the point (homogeneous, in model
    // space) that projects to no window position, the centre of projection.
    auto minor = [&](int skip) {
        int col[3], n = 0;
        for (int c = 0; c < 4; ++c)
            if (c != skip)
                col[n++] = c;
        const auto at = [&](int r, int i) { return rows[r][col[i]]; };
        return at(0, 0) * (at(1, 1) * at(2, 2) - at(1, 2) * at(2, 1)) -
               at(0, 1) * (at(1, 0) * at(2, 2) - at(1, 2) * at(2, 0)) +
               at(0, 2) * (at(1, 0) * at(2, 1) - at(1, 1) * at(2, 0));
    };
    CFacing facing;
    for (int c = 0; c < 4; ++c)
        facing.m_adEye[c] = (c % 2 == 1 ? 1.0 : -1.0) * minor(c);
    facing.m_bKnown = true;
    return facing;
}

bool CFacing::MaySee(int axis, double at, bool positive) const {
    if (!m_bKnown)
        return true;
    // A triangle is counter-clockwise in the window exactly when its normal
    // points away from this point: the sign of (eye - plane) along the axis.
    // Faces near edge-on are left for OpenGL to decide.
    const double side = m_adEye[axis] - at * m_adEye[3];
    const double margin = 1e-6 * (std::abs(m_adEye[axis]) + std::abs(at * m_adEye[3]));
    return (positive ? -side : side) > -margin;
}

void AppendBar3D(STriangleBatch& batch, const CFacing& facing, float x, float y, float z,
                 float width, float height, float depth) {
    if (height < kFlatBar) {
        AppendFace(batch, facing, kFaces[0], false, x, y, z, width, height, depth);
        AppendFace(batch, facing, kFaces[0], true, x, y, z, width, height, depth);
        return;
    }
    for (const SFace& face : kFaces)
        AppendFace(batch, facing, face, !face.outward, x, y, z, width, height, depth);
}

SColouredVertex SurfaceVertex(float x, float z, float offset, float scale, double m) {
    return PaletteEntry(m, x, static_cast<float>(m * scale + offset), z);
}

void AppendSurfaceCell(STriangleBatch& batch, std::uint32_t i1, std::uint32_t i2, std::uint32_t i3,
                       std::uint32_t i4) {
    batch.indices.insert(batch.indices.end(), {i2, i4, i1, i2, i3, i4});
}

void DrawBatch(const STriangleBatch& batch, bool cullBackFaces) {
    if (batch.indices.empty())
        return;
    if (cullBackFaces) {
        glFrontFace(GL_CCW);
        glCullFace(GL_BACK);
        glEnable(GL_CULL_FACE);
    }
    glInterleavedArrays(GL_C3F_V3F, 0, batch.vertices.data());
    glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(batch.indices.size()), GL_UNSIGNED_INT,
                   batch.indices.data());
    glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisable(GL_CULL_FACE);
}

void DrawText(std::int32_t listBase, std::int32_t x, std::int32_t y, std::string_view text) {
    glRasterPos2i(x, y);
    DrawFontText(listBase, text);
}
