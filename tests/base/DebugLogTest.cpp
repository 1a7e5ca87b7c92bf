// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/DebugLog.h"

#include <gtest/gtest.h>

#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

// The "%H:%M:%S" local time every line starts with.
const std::string kTime = "([01][0-9]|2[0-3]):[0-5][0-9]:[0-6][0-9]";

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

    const std::regex whole(kTime + "InputThread 68: thread ([0-3]) line ([0-9]+)\r");
    std::vector<int> next(kThreads, 0);
    std::istringstream in(Since(mark));
    for (std::string line; std::getline(in, line);) {
        std::smatch match;
        ASSERT_TRUE(std::regex_match(line, match, whole)) << line;
        EXPECT_EQ(std::stoi(match[3]), next[std::stoul(match[2])]++) << line;
    }
    EXPECT_EQ(next, std::vector<int>(kThreads, kLines));

    const std::size_t longMark = CTraceLog::Instance().Text().size(); // cut at 255 characters
    DebugLog("%s\r\n", std::string(400, 'x').c_str());
    EXPECT_TRUE(std::regex_match(Since(longMark), std::regex(kTime + "x{255}"))) << Since(longMark);
}
