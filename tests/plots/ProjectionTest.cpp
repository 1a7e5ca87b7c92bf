#include "plots/Projection.h"

#include <array>
#include <bit>
#include <cmath>
#include <span>

#include "GlFixture.h"

namespace {

using Record = CProjection::Record;

void PutLe(Record& r, std::size_t at, std::uint64_t v, std::size_t bytes) {
    for (std::size_t i = 0; i < bytes; ++i)
        r[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

void PutDoubles(Record& r, std::size_t at, std::span<const double> values) {
    for (std::size_t i = 0; i < values.size(); ++i)
        PutLe(r, at + 8 * i, std::bit_cast<std::uint64_t>(values[i]), 8);
}

// The record laid out by hand: viewport at 0, kind at 16, bounds at 20, scale
// at 68, translation at 92, rotation at 116, render mode at 140; 144 bytes.
TEST(ProjectionRecord, ReadingAndWritingKeepAllBytesInTheirPlaces) {
    Record source{};
    const std::int32_t ints[5] = {11, -12, 1300, 1400, 2};
    for (std::size_t i = 0; i < 5; ++i)
        PutLe(source, 4 * i, static_cast<std::uint32_t>(ints[i]), 4);
    const std::array<double, 6> bounds = {-1.5, 2.5, -3.5, 4.5, 0.25, 99.75};
    const std::array<double, 3> scale = {1.125, 1.25, 1.375}, translate = {-7.0, 8.0, -192.0},
                                rotate = {30.5, -45.25, 60.125};
    PutDoubles(source, 20, bounds);
    PutDoubles(source, 68, scale);
    PutDoubles(source, 92, translate);
    PutDoubles(source, 116, rotate);
    PutLe(source, 140, 0x01020304u, 4);

    CProjection p;
    p.Deserialize(source);
    EXPECT_EQ(p.GetViewport(), (SViewport{11, -12, 1300, 1400}));
    EXPECT_EQ(p.GetKind(), 2);
    EXPECT_EQ(p.GetBounds(), bounds);
    EXPECT_EQ((std::array{p.GetScale(), p.GetTranslation(), p.GetRotation()}),
              (std::array{scale, translate, rotate}));
    EXPECT_EQ(p.GetRenderMode(), 0x01020304);
    EXPECT_EQ(p.Serialize(), source);
}

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

    CProjection p;
    Record record = p.Serialize(); // the scale has no setter
    PutDoubles(record, 68, std::array{2.0, 3.0, 0.5});
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
