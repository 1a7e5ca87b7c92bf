// SPDX-License-Identifier: GPL-3.0-or-later
// A headless OpenGL context shared by the drawing tests of one suite, with the
// plot area's 2D projection (x 0..W, y 0..H, origin bottom-left) applied, and
// glyphs of known shape for placing text exactly. Without a context the test
// fails.
#pragma once

#include <gtest/gtest.h>

#include <GL/gl.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/EglContext.h"
#include "plots/FontList.h"
#include "plots/Palette.h"
#include "plots/Panel.h"

// Joins a panel to the store with a 12-pixel title font and the given
// label font, a white foreground and the given background and border.
inline void Attach(CPanel& panel, CRunState& store, std::int32_t labelFont = 1200,
                   SColour back = {}, SColour border = {0.5f, 0.5f, 0.5f}) {
    panel.SetRunState(&store);
    panel.SetFonts(1200, labelFont);
    panel.SetColours(back.r, back.g, back.b, 1, 1, 1, border.r, border.g, border.b);
}

// The items' texts, each followed by '|'.
template <class TItems, class TText = std::identity>
std::string Joined(const TItems& items, TText text = {}) {
    std::string all;
    for (const auto& item : items)
        all += std::string(std::invoke(text, item)) + "|";
    return all;
}

// Entry i of the published palette tables.
inline SColour PaletteEntry(std::size_t i) {
    return {g_afPaletteRed[i], g_afPaletteGreen[i], g_afPaletteBlue[i]};
}

struct SPixel {
    int r, g, b, a;
};

struct SBox {
    int left = 1 << 30, bottom = 1 << 30, right = -1, top = -1;
};

class GlTest : public ::testing::Test {
protected:
    static constexpr int kWidth = 256;
    static constexpr int kHeight = 192;

    static void SetUpTestSuite() {
        s_context = std::make_unique<CEglContext>();
        if (!s_context->Create(kWidth, kHeight))
            s_strError = s_context->GetError();
    }
    static void TearDownTestSuite() { s_context.reset(); }

    void SetUp() override {
        ASSERT_TRUE(s_context->IsValid()) << "no headless OpenGL context: " << s_strError;
        ASSERT_TRUE(s_context->MakeCurrent());
        glDisable(GL_DEPTH_TEST);
        glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glViewport(0, 0, kWidth, kHeight);
        UseOrtho(0.0);
    }
    void TearDown() override { EXPECT_TRUE(!s_context->IsValid() || glGetError() == GL_NO_ERROR); }

    // Shift 0: integer coordinates on pixel corners, as in the view; shift
    // 0.5: on pixel centres, so that lines hit exact pixels.
    static void UseOrtho(double shift) {
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(-shift, kWidth - shift, -shift, kHeight - shift, -1000, 1000);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
    }

    static std::vector<std::uint8_t> Frame() { return s_context->ReadPixels(); }
    static SPixel At(const std::vector<std::uint8_t>& f, int x, int y) {
        const std::size_t i = (static_cast<std::size_t>(y) * kWidth + x) * 4;
        return {f[i], f[i + 1], f[i + 2], f[i + 3]};
    }
    static bool Lit(const std::vector<std::uint8_t>& f, int x, int y) {
        const SPixel p = At(f, x, y);
        return p.r + p.g + p.b > 0;
    }
    // The lit pixels' bounding box in columns x0 and right of it.
    static SBox LitBox(const std::vector<std::uint8_t>& f, int x0 = 0) {
        SBox box;
        for (int y = 0; y < kHeight; ++y)
            for (int x = x0; x < kWidth; ++x)
                if (Lit(f, x, y)) {
                    box = {std::min(box.left, x), std::min(box.bottom, y), std::max(box.right, x),
                           std::max(box.top, y)};
                }
        return box;
    }

    static ::testing::AssertionResult Near(SPixel p, float r, float g, float b, int tolerance = 2) {
        const auto off = [&](float want, int got) {
            return std::abs(static_cast<int>(want * 255.0f + 0.5f) - got) > tolerance;
        };
        if (off(r, p.r) || off(g, p.g) || off(b, p.b))
            return ::testing::AssertionFailure() << "got " << p.r << ", " << p.g << ", " << p.b;
        return ::testing::AssertionSuccess();
    }
    static ::testing::AssertionResult Near(SPixel p, const SColour& c, int tolerance = 2) {
        return Near(p, c.r, c.g, c.b, tolerance);
    }

    // A shaded zone's colour at pixel x (or row): linear from c0 at x0 to c1
    // at x1, sampled at the pixel's centre.
    static SColour Blend(const SColour& c0, const SColour& c1, int x0, int x1, int x) {
        const float t =
            (static_cast<float>(x) + 0.5f - static_cast<float>(x0)) / static_cast<float>(x1 - x0);
        return {c0.r + (c1.r - c0.r) * t, c0.g + (c1.g - c0.g) * t, c0.b + (c1.b - c0.b) * t};
    }

    // A bar shaded from low into mid between start and z1, mid to z2, then
    // from mid into high towards end, probed at pixel(position) near each
    // zone's edges and at `last`, in the lit part.
    template <typename TPixel>
    static void ExpectZones(TPixel pixel, int start, int z1, int z2, int end, int last,
                            const SColour& low, const SColour& mid, const SColour& high) {
        const struct {
            int at;
            SColour c;
        } probes[] = {{start + 2, Blend(low, mid, start, z1, start + 2)},
                      {z1 - 3, Blend(low, mid, start, z1, z1 - 3)},
                      {(z1 + z2) / 2, mid},
                      {z2 + 2, Blend(mid, high, z2, end, z2 + 2)},
                      {last, Blend(mid, high, z2, end, last)}};
        for (const auto& p : probes)
            EXPECT_TRUE(Near(pixel(p.at), p.c, 3)) << "at " << p.at - start;
    }

    static inline std::unique_ptr<CEglContext> s_context;
    static inline std::string s_strError;
};

// Every printable code is a solid block; the space is empty.
struct CFakeRasterizer : IGlyphRasterizer {
    SGlyphBitmap block = Solid(5, 8, -1.0f, 0.0f, 7.0f);      // one pixel of left bearing
    SGlyphBitmap descender = Solid(5, 10, -1.0f, 3.0f, 7.0f); // 'g': 3 rows below the baseline
    float spaceAdvance = 4.0f;

    // At most 8 pixels wide: one byte a row.
    static SGlyphBitmap Solid(int width, int height, float originX, float originY, float advance) {
        const auto row = static_cast<std::uint8_t>(0xff00 >> width);
        return {width,   height,  originX,
                originY, advance, std::vector<std::uint8_t>(static_cast<std::size_t>(height), row)};
    }
    bool Rasterize(const std::string&, int, std::vector<SGlyphBitmap>& glyphs) override {
        glyphs.assign(kGlyphCount, SGlyphBitmap{});
        for (int code = 33; code < 127; ++code)
            glyphs[static_cast<std::size_t>(code)] = block;
        glyphs['g'] = descender;
        glyphs[' '].advance = spaceAdvance;
        return true;
    }
};
