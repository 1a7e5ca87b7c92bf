// SPDX-License-Identifier: GPL-3.0-or-later
#include "plots/Projection.h"

#include <array>
#include <cmath>
#include <cstring>

#include "GlFixture.h"

namespace {

using Matrix = std::array<double, 16>; // column-major, as OpenGL keeps it

Matrix Diagonal(double x, double y, double z, double w = 1) {
    Matrix m{};
    m[0] = x, m[5] = y, m[10] = z, m[15] = w;
    return m;
}

Matrix Multiply(const Matrix& a, const Matrix& b) {
    Matrix c{};
    for (int col = 0; col < 4; ++col)
        for (int row = 0; row < 4; ++row)
            for (int k = 0; k < 4; ++k)
                c[col * 4 + row] += a[k * 4 + row] * b[col * 4 + k];
    return c;
}

Matrix Rotation(double degrees, int axis) {
    const double a = degrees * M_PI / 180.0;
    Matrix m = Diagonal(1, 1, 1);
    const int i = (axis + 1) % 3, j = (axis + 2) % 3;
    m[i * 4 + i] = m[j * 4 + j] = std::cos(a);
    m[i * 4 + j] = std::sin(a); // column i, row j
    m[j * 4 + i] = -std::sin(a);
    return m;
}

void ExpectMatrixNear(GLenum which, const Matrix& want) {
    Matrix got{};
    glGetDoublev(which, got.data());
    for (std::size_t i = 0; i < 16; ++i) // Mesa keeps single precision
        EXPECT_NEAR(got[i], want[i], 1e-6 * (1 + std::abs(want[i]))) << "element " << i;
}

class ProjectionApply : public GlTest {};

// Projection: a frustum for kind 1, orthographic for any other. Model-view:
// translate, scale, then rotate about x, y and z. Render mode 0 fills without
// depth test, 1 fills with it, any other mode leaves both alone.
TEST_F(ProjectionApply, BuildsTheMatricesOfItsKindAndTheStateOfItsRenderMode) {
    const double l = -10, r = 30, b = -5, t = 15, n = 2, f = 50;
    Matrix ortho = Diagonal(2 / (r - l), 2 / (t - b), -2 / (f - n));
    ortho[12] = -(r + l) / (r - l), ortho[13] = -(t + b) / (t - b), ortho[14] = -(f + n) / (f - n);
    Matrix frustum = Diagonal(2 * n / (r - l), 2 * n / (t - b), -(f + n) / (f - n), 0);
    frustum[8] = (r + l) / (r - l), frustum[9] = (t + b) / (t - b);
    frustum[11] = -1, frustum[14] = -2 * f * n / (f - n);
    Matrix model = Diagonal(1, 1, 1);
    model[12] = 1, model[13] = -2, model[14] = -128;
    for (const Matrix& m :
         {Diagonal(2, 3, 0.5), Rotation(20, 0), Rotation(35, 1), Rotation(-50, 2)})
        model = Multiply(model, m);

    // The scale has no setter: it comes from the record (little-endian
    // doubles at byte 68).
    CProjection p;
    CProjection::Record record = p.Serialize();
    const double scale[3] = {2.0, 3.0, 0.5};
    std::memcpy(record.data() + 68, scale, sizeof scale);
    p.Deserialize(record);
    p.SetViewport(3, 4, 100, 80);
    p.SetBounds(l, r, b, t, n, f);
    p.SetTranslation(1, -2, -128);
    p.SetRotation(20, 35, -50);
    // Kind, render mode, depth test before; polygon mode and depth test after.
    for (const auto& [kind, mode, depthBefore, polygon, depth] :
         {std::tuple{2, 0, true, GL_FILL, false},
          {0, 1, false, GL_FILL, true},
          {1, 7, false, GL_LINE, false},
          {0, 7, true, GL_LINE, true}}) {
        SCOPED_TRACE(testing::Message() << "kind " << kind << ", mode " << mode);
        glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
        depthBefore ? glEnable(GL_DEPTH_TEST) : glDisable(GL_DEPTH_TEST);
        p.SetKind(kind);
        p.SetRenderMode(mode);
        p.Apply();
        ExpectMatrixNear(GL_PROJECTION_MATRIX, kind == 1 ? frustum : ortho);
        ExpectMatrixNear(GL_MODELVIEW_MATRIX, model);
        GLint viewport[4] = {}, modes[2] = {};
        glGetIntegerv(GL_VIEWPORT, viewport);
        EXPECT_EQ(std::to_array(viewport), (std::array<GLint, 4>{3, 4, 100, 80}));
        glGetIntegerv(GL_POLYGON_MODE, modes);
        EXPECT_EQ((std::pair{modes[0], modes[1]}), (std::pair{polygon, polygon}));
        EXPECT_EQ(glIsEnabled(GL_DEPTH_TEST) == GL_TRUE, depth);
    }
    glDisable(GL_DEPTH_TEST);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
}

} // namespace
