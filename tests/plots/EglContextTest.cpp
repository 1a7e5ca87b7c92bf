#include "platform/EglContext.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <optional>

namespace {

bool SkipGl() {
    const char* skip = std::getenv("VIREON_SKIP_GL");
    return skip != nullptr && std::strcmp(skip, "1") == 0;
}

TEST(EglContext, GivesAnExactRgba8888BufferOfTheRequestedSize) {
    CEglContext context;
    if (!context.Create(48, 32)) {
        if (SkipGl())
            GTEST_SKIP() << context.GetError();
        FAIL() << context.GetError();
    }
    GLint bits[4] = {};
    glGetIntegerv(GL_RED_BITS, &bits[0]);
    glGetIntegerv(GL_GREEN_BITS, &bits[1]);
    glGetIntegerv(GL_BLUE_BITS, &bits[2]);
    glGetIntegerv(GL_ALPHA_BITS, &bits[3]);
    EXPECT_EQ(bits[0], 8);
    EXPECT_EQ(bits[1], 8);
    EXPECT_EQ(bits[2], 8);
    EXPECT_EQ(bits[3], 8);
    glClearColor(1.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    const auto pixels = context.ReadPixels();
    ASSERT_EQ(pixels.size(), 48u * 32u * 4u);
    EXPECT_EQ(pixels[0], 255);
    EXPECT_EQ(pixels[pixels.size() - 4], 255);
    EXPECT_EQ(pixels[pixels.size() - 3], 0);
}

TEST(EglContext, DestroyingOneContextLeavesAnotherWorking) {
    CEglContext first;
    if (!first.Create(16, 16)) {
        if (SkipGl())
            GTEST_SKIP() << first.GetError();
        FAIL() << first.GetError();
    }
    {
        std::optional<CEglContext> second(std::in_place);
        ASSERT_TRUE(second->Create(8, 8)) << second->GetError();
        second.reset();
    }
    ASSERT_TRUE(first.MakeCurrent()) << first.GetError();
    glClearColor(0.0f, 1.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    const auto pixels = first.ReadPixels(3, 4, 1, 1);
    ASSERT_EQ(pixels.size(), 4u);
    EXPECT_EQ(pixels[0], 0);
    EXPECT_EQ(pixels[1], 255);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

} // namespace
