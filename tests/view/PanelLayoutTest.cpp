// SPDX-License-Identifier: GPL-3.0-or-later
#include "view/PanelLayout.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace {

// A panel of fixed size that records where it was placed.
struct CFakePanel : CPanel {
    CFakePanel(std::int32_t width, std::int32_t height) : size{width, height} {}
    CSize Layout(std::int32_t x, std::int32_t y) override {
        calls.push_back({x, y});
        return size;
    }
    CSize size;
    std::vector<CPoint> calls;
};

using Calls = std::vector<CPoint>;
using VolumeCalls = std::vector<std::array<std::int32_t, 3>>; // {x, y, width}

// The view's panels, all of distinct sizes.
struct SFakeView {
    CFakePanel plots[5] = {{500, 300}, {510, 310}, {520, 320}, {530, 330}, {540, 340}};
    CFakePanel info{140, 90};
    CFakePanel runStatus{100, 90};
    CFakePanel scale{60, 90};
    CFakePanel vuMeter{120, 90};
    VolumeCalls volume;
    // Each 3D viewport handed over, with the number of plot placements made
    // before it: the 3D plots read it while they are placed.
    std::vector<std::pair<SViewport, std::size_t>> viewports;

    SLayoutResult Layout(const SLayoutState& s) {
        auto strip = [this](std::int32_t x, std::int32_t y, std::int32_t w) {
            volume.push_back({x, y, w});
        };
        const std::array<CPanel*, 5> p{&plots[0], &plots[1], &plots[2], &plots[3], &plots[4]};
        auto viewport = [this](const SViewport& v) {
            std::size_t placed = 0;
            for (const CFakePanel& plot : plots)
                placed += plot.calls.size();
            viewports.emplace_back(v, placed);
        };
        return LayoutPanels(s, {p, strip, &info, &runStatus, &scale, &vuMeter, viewport});
    }
    std::vector<CFakePanel*> Overlays() { return {&info, &runStatus, &scale, &vuMeter}; }
};

// A window W wide with the default plot height P = 3W/4 and H = P - 120.
SLayoutState State(std::int32_t plotType, std::int32_t flags, std::int32_t width = 640) {
    const std::int32_t h = width * 3 / 4 - 120;
    return {plotType, flags, false, width, h + 120, h, 2 * h};
}

} // namespace

// Bit 4 has no panel but takes a place.
TEST(PanelLayout, CountsFlagBitsZeroToFourButTheScaleOnlyWithTheWaterfallOrSurface) {
    struct {
        bool plotOnly;
        std::int32_t flags, plotType, count;
    } const cases[] = {{false, kDefaultPanelFlags, PLOT_WATERFALL, 4},
                       {false, 31, PLOT_SURFACE, 5},
                       {false, 16, PLOT_WATERFALL, 1},
                       {false, PANEL_VOLUME, PLOT_WATERFALL, 0},
                       {true, 31, PLOT_WATERFALL, 0},
                       {false, PANEL_INFO | PANEL_SCALE, PLOT_HISTOGRAM, 1},
                       {false, PANEL_INFO | PANEL_SCALE, PLOT_SURFACE, 2}};
    for (const auto& c : cases)
        EXPECT_EQ(GetPanelCount(c.plotOnly, c.flags, c.plotType), c.count)
            << c.plotOnly << " " << c.flags << " " << c.plotType;
}

TEST(PanelLayout, PanelRowOriginIsHalfTheSpacingLessThreeRoundedTowardZero) {
    struct {
        std::int32_t width, count, spacing, x;
    } const cases[] = {
        {640, 1, 492, 243}, {800, 6, -15, -10} /* -15 / 2 = -7, not -8 */, {640, 0, 0, 0}};
    for (const auto& c : cases) {
        const SPanelOrigin o = GetPanelOrigin(c.width, 55, c.count);
        EXPECT_EQ((std::array{o.x, o.y, o.spacing}), (std::array{c.x, 55, c.spacing}))
            << c.width << " / " << c.count;
    }
}

TEST(PanelLayout, WithNothingBelowThePlotItMovesDownFortyAt115) {
    SLayoutState plotOnly = State(PLOT_METERS, 63);
    plotOnly.bPlotOnly = true;
    for (const SLayoutState& s : {State(PLOT_HISTOGRAM, PANEL_SCALE), plotOnly}) {
        SFakeView view;
        const SLayoutResult r = view.Layout(s);
        EXPECT_EQ(view.plots[s.nPlotType].calls, (Calls{{115, 480 - 1 - 40}}));
        EXPECT_EQ(r.nPanelTop, 40);
        EXPECT_TRUE(view.volume.empty());
        for (CFakePanel* p : view.Overlays())
            EXPECT_TRUE(p->calls.empty());
    }
}

TEST(PanelLayout, VolumeStripSitsBesideTheFlatPlotAndPanelsFollowEachOther) {
    SFakeView view;
    view.Layout(State(PLOT_WATERFALL, kDefaultPanelFlags));
    const std::int32_t y = 480 - 1;
    EXPECT_EQ(view.plots[PLOT_WATERFALL].calls, (Calls{{10, y}}));
    EXPECT_EQ(view.volume, (VolumeCalls{{{360 + 90, y, 120}}})); // H + 90

    // Info, run status, scale, VU meter: each after the previous one's width
    // plus the spacing, on a row 6 below the plot's bottom edge.
    const SPanelOrigin o = GetPanelOrigin(640, y + 6 - 310, 4);
    std::int32_t x = o.x;
    for (CFakePanel* p : view.Overlays()) {
        EXPECT_EQ(p->calls, (Calls{{x, o.y}}));
        x += o.spacing + p->size.cx;
    }
}

// The viewport runs from the x offset to 20 short of the right edge (W - 3,
// or H + 105 where the volume strip stands), and from T to P - 21.
TEST(PanelLayout, ThreeDimensionalPlotsGetAViewportBetweenThePanelRowAndTheTop) {
    struct {
        std::int32_t plotType, flags, width, offsetX, right;
    } const cases[] = {{PLOT_SURFACE, PANEL_INFO, 800, 37, 800 - 3},
                       {PLOT_BARS, PANEL_VOLUME, 640, 0, 360 + 105}};
    for (const auto& c : cases) {
        SFakeView view;
        SLayoutState s = State(c.plotType, c.flags, c.width);
        s.nOffsetX = c.offsetX;
        const SLayoutResult r = view.Layout(s);
        const std::int32_t top = s.nPlotHeight - s.nRingRows / 2 - 43;
        ASSERT_TRUE(r.bViewport3D);
        EXPECT_EQ(r.nPanelTop, top);
        EXPECT_EQ(r.viewport3D,
                  (SViewport{c.offsetX + 3, top + 3, c.right - 20, (s.nPlotHeight - 21) - top}));
        const bool volume = c.flags & PANEL_VOLUME;
        const std::int32_t y = s.nPlotHeight - 1;
        EXPECT_EQ(view.plots[c.plotType].calls, (Calls{{volume ? 10 : 115, y}}));
        ASSERT_EQ(view.viewports.size(), 1u);
        EXPECT_EQ(view.viewports[0], std::make_pair(r.viewport3D, std::size_t{0}));
        EXPECT_EQ(view.volume, (volume ? VolumeCalls{{{c.right, y, 120}}} : VolumeCalls{}));
        EXPECT_EQ(view.info.calls,
                  (volume ? Calls{} : Calls{{GetPanelOrigin(c.width, 0, 1).x, top - 15}}));
    }
}
