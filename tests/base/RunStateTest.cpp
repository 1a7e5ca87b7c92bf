#include "base/RunState.h"

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <thread>

TEST(RunState, ColoursTravelAsRedGreenBlueButLieAsRedBlueGreen) {
    CRunState store;
    store.SetBackgroundColor(0.2f, 0.4f, 0.6f);
    const SColour c = store.GetBackgroundColor();
    EXPECT_EQ((std::array{c.r, c.g, c.b}), (std::array{0.2f, 0.4f, 0.6f}));
    const float* mem = store.BackgroundMemory();
    EXPECT_EQ((std::array{mem[0], mem[1], mem[2]}), (std::array{0.2f, 0.6f, 0.4f}));
}

TEST(RunState, GroupsAreCopiedWhole) {
    // A writer flips between two consistent ranges; a reader must never see
    // a minimum of one with the maximum of the other.
    CRunState store;
    store.SetDisplayRange({1.0, 2.0, 1.0, 0.0, 1.0, false});
    std::atomic<bool> stop{false};
    std::thread writer([&] {
        for (int i = 0; i < 20000; ++i) {
            const double base = (i % 2) ? 100.0 : 1.0;
            store.SetDisplayRange({base, base + 1.0, 1.0, 0.0, 1.0, false});
        }
        stop = true;
    });
    int torn = 0;
    while (!stop) {
        const SDisplayRange r = store.GetDisplayRange();
        if (r.dFreqMax - r.dFreqMin != 1.0)
            ++torn;
    }
    writer.join();
    EXPECT_EQ(torn, 0);
}
