// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/RunState.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <thread>

TEST(RunState, WritersOfTwoPartsOfOneGroupNeverUndoEachOther) {
    // Two threads each own one part of a group and check, before every
    // write and at the end, that their part still holds what they wrote
    // last. A part written as a copy of the whole group (read, change,
    // write) would put back the other part's older value in between.
    struct SPart {
        std::function<void(CRunState&, std::int16_t)> set;
        std::function<std::int16_t(const CRunState&)> get;
    };
    const struct {
        const char* group;
        SPart a, b;
    } cases[] = {
        {"capture",
         {[](CRunState& s, std::int16_t v) { s.SetCaptureFlags(v); },
          [](const CRunState& s) { return static_cast<std::int16_t>(s.GetCaptureFlags()); }},
         {[](CRunState& s, std::int16_t v) { s.SetCaptureElapsed(v); },
          [](const CRunState& s) { return static_cast<std::int16_t>(s.GetCaptureElapsed()); }}},
        {"block levels",
         {[](CRunState& s, std::int16_t v) {
              s.SetLevels({0, v, 0});
          },
          [](const CRunState& s) { return s.GetLevels().nPeakMax; }},
         {[](CRunState& s, std::int16_t v) {
              s.SetStereoLevels({0, v, 0, 0});
          },
          [](const CRunState& s) { return s.GetStereoLevels().nLeftMax; }}},
        {"history",
         {[](CRunState& s, std::int16_t v) { s.SetRenderThreadState(v); },
          [](const CRunState& s) { return static_cast<std::int16_t>(s.GetRenderThreadState()); }},
         {[](CRunState& s, std::int16_t v) {
              s.SetHistoryGeometry({0, 0, v, 0});
          },
          [](const CRunState& s) {
              return static_cast<std::int16_t>(s.GetHistoryGeometry().nHistoryRow);
          }}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.group);
        CRunState store;
        std::atomic<int> undone{0};
        std::atomic<int> started{0};
        const auto writer = [&store, &undone, &started](const SPart& part) {
            ++started;
            while (started.load() < 2) {
            }
            std::int16_t last = 0;
            for (int i = 0; i < 200000; ++i) {
                undone += part.get(store) != last;
                last = static_cast<std::int16_t>(1 + i % 30000);
                part.set(store, last);
            }
            undone += part.get(store) != last;
        };
        std::thread other(writer, c.b);
        writer(c.a);
        other.join();
        EXPECT_EQ(undone.load(), 0);
    }
}
