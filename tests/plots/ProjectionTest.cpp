#include "plots/Projection.h"

#include <array>
#include <bit>
#include <cmath>

#include "GlFixture.h"

namespace {

using Record = CProjection::Record;

void Put32(Record& r, std::size_t at, std::uint32_t v) {
    for (std::size_t i = 0; i < 4; ++i)
        r[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

void Put64(Record& r, std::size_t at, double d) {
    const auto v = std::bit_cast<std::uint64_t>(d);
    for (std::size_t i = 0; i < 8; ++i)
        r[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// The record laid out by hand: viewport at 0, kind at 16, bounds at 20,
// scale at 68, translation at 92, rotation at 116, render mode at 140.
Record ExpectedRecord() {
    Record r{};
    Put32(r, 0, 11);
    Put32(r, 4, static_cast<std::uint32_t>(-12));
    Put32(r, 8, 1300);
    Put32(r, 12, 1400);
    Put32(r, 16, 2);
    const double bounds[6] = {-1.5, 2.5, -3.5, 4.5, 0.25, 99.75};
    for (std::size_t i = 0; i < 6; ++i)
        Put64(r, 20 + 8 * i, bounds[i]);
    const double scale[3] = {1.125, 1.25, 1.375};
    for (std::size_t i = 0; i < 3; ++i)
        Put64(r, 68 + 8 * i, scale[i]);
    const double translate[3] = {-7.0, 8.0, -192.0};
    for (std::size_t i = 0; i < 3; ++i)
        Put64(r, 92 + 8 * i, translate[i]);
    const double rotate[3] = {30.5, -45.25, 60.125};
    for (std::size_t i = 0; i < 3; ++i)
        Put64(r, 116 + 8 * i, rotate[i]);
    Put32(r, 140, 0x01020304u);
    return r;
}

TEST(ProjectionRecord, FieldsAreWrittenLittleEndianAtTheirOffsets) {
    CProjection p;
    p.SetViewport(11, -12, 1300, 1400);
    p.SetKind(2);
    p.SetBounds(-1.5, 2.5, -3.5, 4.5, 0.25, 99.75);
    p.SetTranslation(-7.0, 8.0, -192.0);
    p.SetRotation(30.5, -45.25, 60.125);
    p.SetRenderMode(0x01020304);
    Record expected = ExpectedRecord();
    // No setter for the scale: it stays 1.
    for (std::size_t i = 0; i < 3; ++i)
        Put64(expected, 68 + 8 * i, 1.0);
    const Record written = p.Serialize();
    EXPECT_EQ(written, expected);
    EXPECT_EQ(written[140], 0x04);
    EXPECT_EQ(written[143], 0x01);
    EXPECT_EQ(written[4], 0xF4); // -12
    EXPECT_EQ(written[7], 0xFF);
}

TEST(ProjectionRecord, ReadingBackRestoresAllOfTheBytes) {
    const Record source = ExpectedRecord();
    CProjection p;
    p.Deserialize(source);
    EXPECT_EQ(p.GetViewport(), (SViewport{11, -12, 1300, 1400}));
    EXPECT_EQ(p.GetKind(), 2);
    EXPECT_EQ(p.GetBounds(), (std::array<double, 6>{-1.5, 2.5, -3.5, 4.5, 0.25, 99.75}));
    EXPECT_EQ(p.GetScale(), (std::array<double, 3>{1.125, 1.25, 1.375}));
    EXPECT_EQ(p.GetTranslation(), (std::array<double, 3>{-7.0, 8.0, -192.0}));
    EXPECT_EQ(p.GetRotation(), (std::array<double, 3>{30.5, -45.25, 60.125}));
    EXPECT_EQ(p.GetRenderMode(), 0x01020304);
    EXPECT_EQ(p.Serialize(), source);
}

TEST(ProjectionRecord, DefaultsAreTheUnitVolumeWithoutTransform) {
    const CProjection p;
    EXPECT_EQ(p.GetViewport(), (SViewport{0, 0, 1, 1}));
    EXPECT_EQ(p.GetKind(), 0);
    EXPECT_EQ(p.GetBounds(), (std::array<double, 6>{0, 1, 0, 1, 0, 1}));
    EXPECT_EQ(p.GetScale(), (std::array<double, 3>{1, 1, 1}));
    EXPECT_EQ(p.GetTranslation(), (std::array<double, 3>{0, 0, 0}));
    EXPECT_EQ(p.GetRenderMode(), 0);
}

using Matrix =
    std::array<double, 16>; // column-major, as OpenGL keeps it (Mesa in single precision)

Matrix Multiply(const Matrix& a, const Matrix& b) {
    Matrix c{};
    for (int col = 0; col < 4; ++col)
        for (int row = 0; row < 4; ++row)
            for (int k = 0; k < 4; ++k)
                c[col * 4 + row] += a[k * 4 + row] * b[col * 4 + k];
    return c;
}

Matrix Identity() {
    return {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
}

Matrix Rotation(double degrees, int axis) {
    const double a = degrees * M_PI / 180.0;
    const double c = std::cos(a), s = std::sin(a);
    Matrix m = Identity();
    const int i = (axis + 1) % 3, j = (axis + 2) % 3;
    m[i * 4 + i] = c;
    m[j * 4 + j] = c;
    m[i * 4 + j] = s;  // column i, row j
    m[j * 4 + i] = -s; // column j, row i
    return m;
}

Matrix Read(GLenum which) {
    std::array<GLdouble, 16> m{};
    glGetDoublev(which, m.data());
    return m;
}

void ExpectMatrixNear(const Matrix& got, const Matrix& want) {
    for (std::size_t i = 0; i < 16; ++i)
        EXPECT_NEAR(got[i], want[i], 1e-6 * (1 + std::abs(want[i]))) << "element " << i;
}

class ProjectionApply : public GlTest {};

TEST_F(ProjectionApply, KindOtherThanOneIsOrthographic) {
    CProjection p;
    p.SetKind(2);
    p.SetViewport(3, 4, 100, 80);
    const double l = -10, r = 30, b = -5, t = 15, n = 2, f = 50;
    p.SetBounds(l, r, b, t, n, f);
    p.Apply();
    const Matrix want = {2 / (r - l),
                         0,
                         0,
                         0,
                         0,
                         2 / (t - b),
                         0,
                         0,
                         0,
                         0,
                         -2 / (f - n),
                         0,
                         -(r + l) / (r - l),
                         -(t + b) / (t - b),
                         -(f + n) / (f - n),
                         1};
    ExpectMatrixNear(Read(GL_PROJECTION_MATRIX), want);
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[0], 3);
    EXPECT_EQ(viewport[1], 4);
    EXPECT_EQ(viewport[2], 100);
    EXPECT_EQ(viewport[3], 80);
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
}

TEST_F(ProjectionApply, KindOneIsAPerspectiveFrustum) {
    CProjection p;
    p.SetKind(CProjection::kPerspective);
    const double l = -13.5, r = 13.5, b = -15, t = 15, n = 64, f = 640;
    p.SetBounds(l, r, b, t, n, f);
    p.Apply();
    const Matrix want = {2 * n / (r - l),
                         0,
                         0,
                         0,
                         0,
                         2 * n / (t - b),
                         0,
                         0,
                         (r + l) / (r - l),
                         (t + b) / (t - b),
                         -(f + n) / (f - n),
                         -1,
                         0,
                         0,
                         -2 * f * n / (f - n),
                         0};
    ExpectMatrixNear(Read(GL_PROJECTION_MATRIX), want);
}

TEST_F(ProjectionApply, ModelViewIsTranslateScaleThenRotateXYZ) {
    CProjection p;
    Record r = p.Serialize();
    // The scale has no setter; give it one through the record.
    Put64(r, 68, 2.0);
    Put64(r, 76, 3.0);
    Put64(r, 84, 0.5);
    p.Deserialize(r);
    p.SetTranslation(1, -2, -128);
    p.SetRotation(20, 35, -50);
    p.Apply();
    Matrix want = Identity();
    want[12] = 1;
    want[13] = -2;
    want[14] = -128;
    Matrix scale = Identity();
    scale[0] = 2;
    scale[5] = 3;
    scale[10] = 0.5;
    want = Multiply(want, scale);
    want = Multiply(want, Rotation(20, 0));
    want = Multiply(want, Rotation(35, 1));
    want = Multiply(want, Rotation(-50, 2));
    ExpectMatrixNear(Read(GL_MODELVIEW_MATRIX), want);
}

TEST_F(ProjectionApply, RenderModesSetPolygonModeAndDepthTest) {
    auto state = [] {
        GLint polygon[2] = {};
        glGetIntegerv(GL_POLYGON_MODE, polygon);
        return std::array<int, 4>{polygon[0], polygon[1], glIsEnabled(GL_DEPTH_TEST) ? 1 : 0,
                                  glIsEnabled(GL_LINE_SMOOTH) ? 1 : 0};
    };
    CProjection p;
    for (int mode : {0, 1}) {
        glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
        glEnable(GL_LINE_SMOOTH);
        mode == 0 ? glEnable(GL_DEPTH_TEST) : glDisable(GL_DEPTH_TEST);
        p.SetRenderMode(mode);
        p.Apply();
        EXPECT_EQ(state(), (std::array<int, 4>{GL_FILL, GL_FILL, mode, 0})) << "mode " << mode;
    }
    // Any other mode only turns line smoothing off.
    for (bool depth : {false, true}) {
        glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
        glEnable(GL_LINE_SMOOTH);
        depth ? glEnable(GL_DEPTH_TEST) : glDisable(GL_DEPTH_TEST);
        p.SetRenderMode(7);
        p.Apply();
        EXPECT_EQ(state(), (std::array<int, 4>{GL_LINE, GL_LINE, depth ? 1 : 0, 0}));
    }
    glDisable(GL_DEPTH_TEST);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
}

} // namespace
