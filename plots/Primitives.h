// SPDX-License-Identifier: GPL-3.0-or-later
// Immediate-mode OpenGL drawing shared by every plot. Coordinates are window
// pixels of the plot area (origin bottom-left, y upward; "top" is the larger
// y) unless the caller applied a 3D projection. Only SetColour,
// FillRectShaded, DrawBar3D, DrawSurfaceCell and DrawBatch set colours; the
// rest draw in the current colour.
//
// User-interface thread only, with the OpenGL context current.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

struct SColour;
struct CPoint;

// Makes c the current colour.
void SetColour(const SColour& c);
// One GL_POLYGON (left, bottom), (left, top), (right, top), (right, bottom).
void FillRect(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom);
// The same polygon with colour c1 at (left, bottom), c2 at (left, top), c3 at
// (right, top) and c4 at (right, bottom).
void FillRectShaded(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom,
                    const SColour& c1, const SColour& c2, const SColour& c3, const SColour& c4);
// One GL_LINE_STRIP round the rectangle, back to (left, bottom).
void OutlineRect(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom);
// One GL_LINES segment.
void DrawLine(std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1);
// One GL_POLYGON of n points (an empty polygon for n <= 0).
void FillPolygon(const CPoint* points, int n);
// One GL_LINES segment between two 3D points.
void DrawLine3D(const double* p0, const double* p1);
// The 12 edges of an axis-aligned box as 12 DrawLine3D calls.
void DrawBoxEdges(double xmin, double xmax, double ymin, double ymax, double zmin, double zmax);
// A box from corner (x, y, z) with extents (width, height, depth), each face
// one GL_POLYGON in a fixed colour: bottom blue, the sides olive, green and
// gray, top red, back yellow. Below a height of 0.0001 only the bottom face is
// drawn. No flush: a plot draws thousands of these, and a flush per box costs
// ten times the drawing itself; the frame is flushed once when it ends.
void DrawBar3D(float x, float y, float z, float width, float height, float depth);
// Two triangles over the cell (x0, z0)-(x1, z1); corner heights are
// m * scale + offset and colours the palette entries trunc(m * 255) (clamped
// to 0..255) for the magnitudes m1 (x0, z0), m2 (x0, z1), m3 (x1, z1) and
// m4 (x1, z0). No flush, like DrawBar3D.
void DrawSurfaceCell(float x0, float z0, float x1, float z1, float offset, float scale, double m1,
                     double m2, double m3, double m4);
// Triangles for one glDrawElements, each corner stored once, vertices in the
// layout of glInterleavedArrays(GL_C3F_V3F).
struct SColouredVertex {
    float r, g, b;
    float x, y, z;
};
struct STriangleBatch {
    std::vector<SColouredVertex> vertices;
    std::vector<std::uint32_t> indices; // three per triangle
    void Clear() {
        vertices.clear();
        indices.clear();
    }
};

// Which side of an axis-aligned plane the eye sees under the current
// projection and modelview matrices, to leave out of a batch the faces that
// culling would drop anyway.
class CFacing {
public:
    // Reads both matrices back from OpenGL.
    static CFacing FromCurrentMatrices();
    // False only when the face in the plane `axis` (0 x, 1 y, 2 z) = at,
    // wound counter-clockwise seen from its positive side (`positive`) or
    // its negative side, is surely turned away from the eye. A default
    // CFacing sees every face.
    bool MaySee(int axis, double at, bool positive) const;

private:
    double m_adEye[4] = {}; // the centre of projection, homogeneous, in model space
    bool m_bKnown = false;
};

// DrawBar3D's box appended to a batch: the same corners and colours, but
// every face wound counter-clockwise seen from outside, so that with back
// faces culled only the (at most three) faces turned toward the eye are
// rasterised; faces `facing` rules out are not appended at all. A flat bar's
// one face goes in twice, in both windings: one of them survives culling from
// whichever side it is seen. Each triangle lists its corners in the order the
// software rasteriser gives DrawBar3D's polygons, so colours and depths round
// alike and the picture is the same.
void AppendBar3D(STriangleBatch& batch, const CFacing& facing, float x, float y, float z,
                 float width, float height, float depth);
// A surface corner as DrawSurfaceCell makes it: height m * scale + offset,
// the colour of palette entry trunc(m * 255) (clamped to 0..255).
SColouredVertex SurfaceVertex(float x, float z, float offset, float scale, double m);
// DrawSurfaceCell's two triangles over the corners m1..m4, the batch's
// vertices i1..i4, appended in the order in which the rasteriser splits
// DrawSurfaceCell's polygons.
void AppendSurfaceCell(STriangleBatch& batch, std::uint32_t i1, std::uint32_t i2, std::uint32_t i3,
                       std::uint32_t i4);
// The whole batch in one glDrawElements from client memory (so no buffer
// object may be bound), with back faces culled when `cullBackFaces`. Leaves
// culling off and the client arrays disabled; the current colour is
// undefined afterwards.
void DrawBatch(const STriangleBatch& batch, bool cullBackFaces);
// Bitmap text with the font whose display lists start at listBase: raster
// position (x, y) is the baseline start (DrawFontText in plots/FontList.h).
void DrawText(std::int32_t listBase, std::int32_t x, std::int32_t y, std::string_view text);
