// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/DebugLog.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

// What follows the "%H:%M:%S" local time a line starts with; nothing when
// it does not start with one.
std::optional<std::string> AfterTime(const std::string& line) {
    const auto pair = [&](std::size_t at, char highestTens, int highest) {
        return std::isdigit(static_cast<unsigned char>(line[at])) && line[at] <= highestTens &&
               std::isdigit(static_cast<unsigned char>(line[at + 1])) &&
               std::stoi(line.substr(at, 2)) <= highest;
    };
    if (line.size() < 8 || line[2] != ':' || line[5] != ':' || !pair(0, '2', 23) ||
        !pair(3, '5', 59) || !pair(6, '6', 60))
        return std::nullopt;
    return line.substr(8);
}

// The trace appended since mark, the trace's length before the test's lines.
std::string Since(std::size_t mark) {
    return CTraceLog::Instance().Text().substr(mark);
}

} // namespace

TEST(DebugLog, LinesFromSeveralThreadsStayWholeAndInOrderBehindTheTimeAndLongOnesAreCut) {
    constexpr int kThreads = 4;
    constexpr int kLines = 300;
    const std::size_t mark = CTraceLog::Instance().Text().size();
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t] {
            for (int i = 0; i < kLines; ++i)
                DebugLog("%s %d: thread %d line %d\r\n", "InputThread", 68, t, i);
        });
    }
    for (auto& thread : threads)
        thread.join();

    std::vector<int> next(kThreads, 0);
    std::istringstream in(Since(mark));
    for (std::string line; std::getline(in, line);) {
        const std::optional<std::string> text = AfterTime(line);
        ASSERT_TRUE(text) << line;
        int thread = -1, index = -1, length = 0;
        char end = 0;
        ASSERT_EQ(std::sscanf(text->c_str(), "InputThread 68: thread %d line %d%c%n", &thread,
                              &index, &end, &length),
                  3)
            << line;
        ASSERT_TRUE(end == '\r' && length == static_cast<int>(text->size()) && thread >= 0 &&
                    thread < kThreads)
            << line;
        EXPECT_EQ(index, next[static_cast<std::size_t>(thread)]++) << line;
    }
    EXPECT_EQ(next, std::vector<int>(kThreads, kLines));

    const std::size_t longMark = CTraceLog::Instance().Text().size(); // cut at 255 characters
    DebugLog("%s\r\n", std::string(400, 'x').c_str());
    EXPECT_EQ(AfterTime(Since(longMark)), std::string(255, 'x')) << Since(longMark);
}
