#include "platform/EglContext.h"

#include <optional>

#include "GlFixture.h"

namespace {

// Terminating the display when one context ends broke every other context.
TEST(EglContext, DestroyingOneContextLeavesAnotherWorking) {
    CEglContext first;
    if (!first.Create(16, 16)) {
        if (GlSkipAllowed())
            GTEST_SKIP() << first.GetError();
        FAIL() << first.GetError();
    }
    {
        std::optional<CEglContext> second(std::in_place);
        ASSERT_TRUE(second->Create(8, 8)) << second->GetError();
    }
    ASSERT_TRUE(first.MakeCurrent()) << first.GetError();
    glClearColor(0.0f, 1.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    EXPECT_EQ(first.ReadPixels(3, 4, 1, 1), (std::vector<std::uint8_t>{0, 255, 0, 255}));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

} // namespace
