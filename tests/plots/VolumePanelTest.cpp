#include "plots/VolumePanel.h"

#include "GlFixture.h"

namespace {

class VolumePanel : public GlTest {};

// Each row i above the strip's bottom is the block r + 1 + i of the chosen
// channel's histories; a block spanning -1..1 runs from 58 pixels left of the
// centre to 58 right of it at width 120, a silent one from centre - 1 to
// centre + 1 (a line lights its start pixel, not its end pixel).
TEST_F(VolumePanel, RowsSpanEachBlocksLevelsForTheChosenChannel) {
    constexpr int kH = 20, kRing = 2 * kH + 1;
    std::vector<double> levels[6];
    for (auto& l : levels)
        l.assign(kRing, 0.0);
    const int r = 7; // the next row to write
    // Newest block (row r + 1): -1..1 in the histories of channel 0, 1, 2 in
    // turn; the next one -0.5..0.25.
    const int pairs[3][2] = {{2, 3}, {4, 5}, {0, 1}};
    CRunState store;
    store.SetHistoryGeometry({2 * kH, kH, r, kH});
    store.SetCaptureFormat(kDefaultCaptureFormat);
    store.SetLevelHistories({levels[0].data(), levels[1].data(), levels[2].data(), levels[3].data(),
                             levels[4].data(), levels[5].data()});
    for (int channel = 0; channel < 3; ++channel) {
        SCOPED_TRACE("channel " + std::to_string(channel));
        for (auto& l : levels)
            std::fill(l.begin(), l.end(), 0.0);
        levels[pairs[channel][0]][r + 1] = -1.0;
        levels[pairs[channel][1]][r + 1] = 1.0;
        levels[pairs[channel][0]][r + 2] = -0.5;
        levels[pairs[channel][1]][r + 2] = 0.25;
        CVolumePanel panel;
        panel.SetChannel(channel);
        Attach(panel, store, 1200, {}, {});
        panel.Layout(20, 150, 120);
        UseOrtho(0.5);
        glClear(GL_COLOR_BUFFER_BIT);
        panel.Draw();
        const auto f = Frame();
        const CRect area = panel.GetLevelArea();
        const int centre = panel.GetCentreX();
        EXPECT_EQ(centre, area.left + 61);
        const auto span = [&](int y) {
            SBox box;
            for (int x = area.left + 1; x < area.right; ++x)
                if (Lit(f, x, y))
                    box = {std::min(box.left, x), y, std::max(box.right, x), y};
            return std::pair{box.left - centre, box.right - centre};
        };
        EXPECT_EQ(span(area.bottom + 1), (std::pair{-58, 57})) << "newest block";
        // -0.5 * 57.5 - 1 = -29.75 and 0.25 * 57.5 + 1 = 15.375, truncated.
        EXPECT_EQ(span(area.bottom + 2), (std::pair{-29, 14}));
        EXPECT_EQ(span(area.bottom + 3), (std::pair{-1, 0})) << "silent block";
    }
}

} // namespace
