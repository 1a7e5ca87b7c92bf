#include "plots/VuMeterPanel.h"

#include <cmath>

#include "GlFixture.h"

namespace {

// The bar spans -100..0 dB over 126 lit pixels; the level is the block's
// peak-to-peak span over the whole 16-bit range.
struct SLevelCase {
    std::int16_t min, max;
    double db;
    std::int32_t lit;
};
constexpr SLevelCase kLevels[] = {
    {-16384, 16383, 20.0 * std::log10(32767.0 / 65536.0), 118}, // into the red from 112
    {-32768, 32767, 0.0, 126},                                  // full scale
    {-32, 32, 20.0 * std::log10(64.0 / 65536.0), 50},
    {0, 0, -100.0, 0},  // silence
    {-3, 3, -100.0, 0}, // below 0.0001
};

TEST(VuMeterPanel, ExtremeLevelsGiveTheirDecibelsAndLitLength) {
    for (const SLevelCase& c : kLevels) {
        SCOPED_TRACE(std::to_string(c.min) + ".." + std::to_string(c.max));
        EXPECT_NEAR(CVuMeterPanel::LevelDb(c.min, c.max), c.db, 1e-9);
        EXPECT_EQ(CVuMeterPanel::LitPixels(CVuMeterPanel::LevelDb(c.min, c.max)), c.lit);
    }
}

class VuMeter : public GlTest {};

// The bar is lit in its zone colours up to its lit length, the peak marker
// sits just right of it, and the rest is black; stopped, nothing is lit.
TEST_F(VuMeter, BarIsLitToTheExpectedPixel) {
    CRunState store;
    for (const bool acquiring : {true, false})
        for (const SLevelCase& c : kLevels) {
            SCOPED_TRACE(std::to_string(c.max) + (acquiring ? " running" : " stopped"));
            store.SetAcquiring(acquiring);
            store.SetLevels({c.min, c.max, 0});
            CVuMeterPanel panel;
            Attach(panel, store, 1000, {0.3f, 0, 0.5f}, {});
            panel.Layout(50, 150);
            glClear(GL_COLOR_BUFFER_BIT);
            panel.Draw();
            const auto f = Frame();
            const CRect bar = panel.GetBar();
            const int y = (bar.top + bar.bottom) / 2;
            const int lit = acquiring ? c.lit : 0;
            const auto black = [&](int x) { return !Lit(f, x, y); };
            // Lines on pixel boundaries light the column left of them: the
            // marker (x = left + lit and + lit + 1) covers columns left +
            // lit - 1 and left + lit, the bar's right edge column right - 1.
            int last = bar.left;
            for (int x = bar.left; x < bar.right - 1; ++x)
                if (!black(x))
                    last = x;
            EXPECT_EQ(last, bar.left + lit);
            EXPECT_TRUE(Near(At(f, bar.left + lit, y), 1, 1, 0)) << "yellow marker";
            if (lit >= 4) {
                const SPixel zone = At(f, bar.left + lit - 3, y);
                EXPECT_FALSE(black(bar.left + lit - 3));
                EXPECT_EQ(zone.b, 0);
                if (lit < 0.8 * 128)
                    EXPECT_LT(zone.r, zone.g) << "green zone";
                else
                    EXPECT_GT(zone.r, zone.g) << "red zone";
            }
        }
}

} // namespace
