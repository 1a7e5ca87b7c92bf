#include "view/PanelLayout.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// A panel of fixed size that records where it was placed.
class CFakePanel : public CPanel {
public:
    CFakePanel(std::int32_t width, std::int32_t height) : m_fixed{width, height} {}
    CSize Layout(std::int32_t x, std::int32_t y) override {
        calls.push_back({x, y});
        return m_fixed;
    }
    std::vector<CPoint> calls;

private:
    CSize m_fixed;
};

struct SVolumeCall {
    std::int32_t x, y, width;
};

// The view's set of panels with distinct sizes.
struct SFakeView {
    CFakePanel histogram{500, 300};
    CFakePanel waterfall{510, 310};
    CFakePanel surface{520, 320};
    CFakePanel bars{530, 330};
    CFakePanel meters{540, 340};
    CFakePanel info{140, 90};
    CFakePanel runStatus{100, 90};
    CFakePanel scale{60, 90};
    CFakePanel vuMeter{120, 90};
    std::vector<SVolumeCall> volumeCalls;

    SLayoutPanels Panels() {
        SLayoutPanels p;
        p.plots = {&histogram, &waterfall, &surface, &bars, &meters};
        p.layoutVolume = [this](std::int32_t x, std::int32_t y, std::int32_t w) {
            volumeCalls.push_back({x, y, w});
        };
        p.pInfo = &info;
        p.pRunStatus = &runStatus;
        p.pScale = &scale;
        p.pVuMeter = &vuMeter;
        return p;
    }
};

SLayoutState State(std::int32_t plotType, std::int32_t flags, std::int32_t width = 640) {
    SLayoutState s;
    s.nPlotType = plotType;
    s.nPanelFlags = flags;
    s.nPlotWidth = width;
    s.nPlotHeight = width * 3 / 4;
    s.nHistoryLength = s.nPlotHeight - 120;
    s.nRingRows = 2 * s.nHistoryLength;
    return s;
}

TEST(PanelCount, CountsTheFiveLowFlagBitsAndNothingWhenPlotOnly) {
    EXPECT_EQ(GetPanelCount(false, kDefaultPanelFlags, PLOT_WATERFALL), 4);
    EXPECT_EQ(GetPanelCount(false, 31, PLOT_SURFACE), 5);
    // Bit 4 has no panel but still takes a place; bit 5 (volume) does not.
    EXPECT_EQ(GetPanelCount(false, 16, PLOT_WATERFALL), 1);
    EXPECT_EQ(GetPanelCount(false, PANEL_VOLUME, PLOT_WATERFALL), 0);
    EXPECT_EQ(GetPanelCount(true, 31, PLOT_WATERFALL), 0);
}

TEST(PanelCount, ScalePanelIsCountedOnlyWithTheWaterfallOrSurface) {
    const std::int32_t flags = PANEL_INFO | PANEL_SCALE;
    EXPECT_EQ(GetPanelCount(false, flags, PLOT_HISTOGRAM), 1);
    EXPECT_EQ(GetPanelCount(false, flags, PLOT_BARS), 1);
    EXPECT_EQ(GetPanelCount(false, flags, PLOT_METERS), 1);
    EXPECT_EQ(GetPanelCount(false, flags, PLOT_WATERFALL), 2);
    EXPECT_EQ(GetPanelCount(false, flags, PLOT_SURFACE), 2);
}

TEST(PanelOrigin, SpreadsTheRowAcrossTheWidth) {
    const SPanelOrigin one = GetPanelOrigin(640, 100, 1);
    EXPECT_EQ(one.spacing, 492);
    EXPECT_EQ(one.x, 243);
    EXPECT_EQ(one.y, 100);
    const SPanelOrigin four = GetPanelOrigin(960, 7, 4);
    EXPECT_EQ(four.spacing, 960 / 4 - 148);
    EXPECT_EQ(four.x, (960 / 4 - 148) / 2 - 3);
    const SPanelOrigin none = GetPanelOrigin(640, 55, 0);
    EXPECT_EQ(none.spacing, 0);
    EXPECT_EQ(none.x, 0);
    EXPECT_EQ(none.y, 55);
}

TEST(PanelOrigin, HalvingANegativeSpacingRoundsTowardZero) {
    // 640 / 5 - 148 = -20; 800 / 6 - 148 = -15, halved -7, then -3.
    EXPECT_EQ(GetPanelOrigin(640, 0, 5).x, -13);
    EXPECT_EQ(GetPanelOrigin(800, 0, 6).x, -10);
}

TEST(LayoutPanels, WithNothingBelowThePlotItMovesDownFortyAndLeft115) {
    SFakeView view;
    const SLayoutResult r = LayoutPanels(State(PLOT_HISTOGRAM, PANEL_SCALE), view.Panels());
    ASSERT_EQ(view.histogram.calls.size(), 1u);
    EXPECT_EQ(view.histogram.calls[0], (CPoint{115, 480 - 1 - 40}));
    EXPECT_EQ(r.nPanelTop, 40);
    EXPECT_TRUE(view.volumeCalls.empty());
    EXPECT_TRUE(view.scale.calls.empty());
}

TEST(LayoutPanels, VolumeStripSitsBesideTheFlatPlotAndPanelsBelowIt) {
    SFakeView view;
    const SLayoutState s = State(PLOT_WATERFALL, kDefaultPanelFlags);
    LayoutPanels(s, view.Panels());
    const std::int32_t y = 480 - 1;
    ASSERT_EQ(view.waterfall.calls.size(), 1u);
    EXPECT_EQ(view.waterfall.calls[0], (CPoint{10, y}));
    ASSERT_EQ(view.volumeCalls.size(), 1u);
    EXPECT_EQ(view.volumeCalls[0].x, 360 + 90);
    EXPECT_EQ(view.volumeCalls[0].y, y);
    EXPECT_EQ(view.volumeCalls[0].width, 120);

    // Info, run status, scale (waterfall), VU meter, each after the previous
    // panel's width plus the spacing.
    const std::int32_t rowY = y + 6 - 310;
    const SPanelOrigin o = GetPanelOrigin(640, rowY, 4);
    std::int32_t x = o.x;
    for (CFakePanel* p : {&view.info, &view.runStatus, &view.scale, &view.vuMeter}) {
        ASSERT_EQ(p->calls.size(), 1u);
        EXPECT_EQ(p->calls[0], (CPoint{x, rowY}));
        x += o.spacing + p->Layout(0, 0).cx;
    }
}

TEST(LayoutPanels, OneVisiblePanelIsPlacedAt243) {
    SFakeView view;
    LayoutPanels(State(PLOT_HISTOGRAM, PANEL_RUNSTATUS | PANEL_SCALE), view.Panels());
    ASSERT_EQ(view.runStatus.calls.size(), 1u);
    EXPECT_EQ(view.runStatus.calls[0].x, 243);
    EXPECT_EQ(view.runStatus.calls[0].y, 480 - 1 + 6 - 300);
    EXPECT_TRUE(view.info.calls.empty());
    EXPECT_TRUE(view.scale.calls.empty());
    EXPECT_TRUE(view.vuMeter.calls.empty());
}

TEST(LayoutPanels, SurfaceGetsA3DViewportBetweenThePanelRowAndTheTop) {
    SFakeView view;
    SLayoutState s = State(PLOT_SURFACE, PANEL_INFO, 800);
    s.nOffsetX = 37;
    const SLayoutResult r = LayoutPanels(s, view.Panels());
    const std::int32_t top = 600 - s.nRingRows / 2 - 43;
    ASSERT_TRUE(r.bViewport3D);
    EXPECT_EQ(r.nPanelTop, top);
    EXPECT_EQ(r.viewport3D, (SViewport{37 + 3, top + 3, (800 - 3) - 20, (600 - 21) - top}));
    ASSERT_EQ(view.surface.calls.size(), 1u);
    EXPECT_EQ(view.surface.calls[0], (CPoint{115, 600 - 1}));
    ASSERT_EQ(view.info.calls.size(), 1u);
    EXPECT_EQ(view.info.calls[0].y, top - 15);
}

TEST(LayoutPanels, BarsWithTheVolumeStripNarrowTheViewportToTheHistory) {
    SFakeView view;
    const SLayoutState s = State(PLOT_BARS, PANEL_VOLUME);
    const SLayoutResult r = LayoutPanels(s, view.Panels());
    const std::int32_t right = 360 + 105;
    const std::int32_t top = 480 - 360 - 43;
    EXPECT_EQ(r.viewport3D, (SViewport{3, top + 3, right - 20, (480 - 21) - top}));
    ASSERT_EQ(view.volumeCalls.size(), 1u);
    EXPECT_EQ(view.volumeCalls[0].x, right);
    EXPECT_EQ(view.bars.calls[0], (CPoint{10, 479}));
}

TEST(LayoutPanels, PlotOnlyPlacesJustThePlot) {
    SFakeView view;
    SLayoutState s = State(PLOT_METERS, 63);
    s.bPlotOnly = true;
    const SLayoutResult r = LayoutPanels(s, view.Panels());
    EXPECT_EQ(view.meters.calls[0], (CPoint{115, 479 - 40}));
    EXPECT_FALSE(r.bViewport3D);
    EXPECT_TRUE(view.volumeCalls.empty());
    for (CFakePanel* p : {&view.info, &view.runStatus, &view.scale, &view.vuMeter})
        EXPECT_TRUE(p->calls.empty());
}

TEST(LayoutPanels, MissingPanelObjectsAreSkipped) {
    SFakeView view;
    SLayoutPanels panels = view.Panels();
    panels.plots[PLOT_HISTOGRAM] = nullptr;
    panels.pInfo = nullptr;
    panels.layoutVolume = nullptr;
    LayoutPanels(State(PLOT_HISTOGRAM, kDefaultPanelFlags), panels);
    // With no plot of height h the row starts at y + 6.
    ASSERT_EQ(view.runStatus.calls.size(), 1u);
    EXPECT_EQ(view.runStatus.calls[0].y, 479 + 6);
}

} // namespace
