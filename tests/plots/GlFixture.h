// A headless OpenGL context shared by the drawing tests of one suite, with the
// plot area's 2D projection (x 0..W, y 0..H, origin bottom-left) applied. If
// the context cannot be made the test fails, unless VIREON_SKIP_GL=1.
#pragma once

#include <gtest/gtest.h>

#include <GL/gl.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/EglContext.h"

struct SPixel {
    int r, g, b, a;
};

class GlTest : public ::testing::Test {
public:
    static constexpr int kWidth = 256;
    static constexpr int kHeight = 192;

protected:
    static void SetUpTestSuite() {
        s_context = std::make_unique<CEglContext>();
        if (!s_context->Create(kWidth, kHeight))
            s_strError = s_context->GetError();
    }
    static void TearDownTestSuite() { s_context.reset(); }

    void SetUp() override {
        if (!s_context || !s_context->IsValid()) {
            const char* skip = std::getenv("VIREON_SKIP_GL");
            if (skip != nullptr && std::strcmp(skip, "1") == 0)
                GTEST_SKIP() << "no OpenGL context: " << s_strError;
            FAIL() << "no headless OpenGL context (set VIREON_SKIP_GL=1 to skip): " << s_strError;
        }
        ASSERT_TRUE(s_context->MakeCurrent());
        glDisable(GL_DEPTH_TEST);
        glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        Use2D();
    }
    void TearDown() override {
        if (s_context && s_context->IsValid()) {
            EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
        }
    }

    // x 0..W, y 0..H: integer coordinates fall on pixel corners, as in the view.
    static void Use2D() {
        glViewport(0, 0, kWidth, kHeight);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(0, kWidth, 0, kHeight, -1000, 1000);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
    }
    // Integer coordinates at pixel centres, so that lines hit exact pixels.
    static void UsePixelCentres() {
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(-0.5, kWidth - 0.5, -0.5, kHeight - 0.5, -1000, 1000);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
    }

    static std::vector<std::uint8_t> Frame() { return s_context->ReadPixels(); }
    static SPixel At(const std::vector<std::uint8_t>& f, int x, int y) {
        const std::size_t i =
            (static_cast<std::size_t>(y) * kWidth + static_cast<std::size_t>(x)) * 4;
        return {f[i], f[i + 1], f[i + 2], f[i + 3]};
    }
    static SPixel Pixel(int x, int y) { return At(Frame(), x, y); }
    static bool Lit(const std::vector<std::uint8_t>& f, int x, int y) {
        const SPixel p = At(f, x, y);
        return p.r + p.g + p.b > 0;
    }
    static int ToByte(float v) { return static_cast<int>(v * 255.0f + 0.5f); }

    static ::testing::AssertionResult Near(SPixel p, float r, float g, float b, int tolerance = 2) {
        const int want[3] = {ToByte(r), ToByte(g), ToByte(b)};
        const int got[3] = {p.r, p.g, p.b};
        for (int i = 0; i < 3; ++i) {
            if (std::abs(want[i] - got[i]) > tolerance)
                return ::testing::AssertionFailure()
                       << "got (" << p.r << ", " << p.g << ", " << p.b << "), want (" << want[0]
                       << ", " << want[1] << ", " << want[2] << ")";
        }
        return ::testing::AssertionSuccess();
    }

    static inline std::unique_ptr<CEglContext> s_context;
    static inline std::string s_strError;
};
