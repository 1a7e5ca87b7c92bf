#include "app/DebugLog.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cctype>
#include <cstdlib>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

// The trace appended since `mark` (its length before the test's lines).
std::string Since(std::size_t mark) {
    return CTraceLog::Instance().Text().substr(mark);
}

bool IsTimePrefix(const std::string& s) {
    if (s.size() < 8)
        return false;
    for (int i = 0; i < 8; ++i) {
        const bool colon = i == 2 || i == 5;
        if (colon ? s[i] != ':' : !std::isdigit(static_cast<unsigned char>(s[i])))
            return false;
    }
    return s.substr(0, 2) < "24" && s.substr(3, 2) < "60" && s.substr(6, 2) < "61";
}

} // namespace

TEST(DebugLog, AppendsTheFormattedTextAfterALocalTimePrefix) {
    const std::size_t mark = CTraceLog::Instance().Text().size();
    DebugLog("%s %d: Couldn't get sound buffer lock\r\n", "InputThread", 68);
    const std::string line = Since(mark);
    ASSERT_EQ(line.size(),
              8 + std::string("InputThread 68: Couldn't get sound buffer lock\r\n").size());
    EXPECT_TRUE(IsTimePrefix(line)) << line;
    EXPECT_EQ(line.substr(8), "InputThread 68: Couldn't get sound buffer lock\r\n");
}

TEST(DebugLog, LongMessagesAreCutAt255Characters) {
    const std::size_t mark = CTraceLog::Instance().Text().size();
    const std::string longText(400, 'x');
    DebugLog("%s\r\n", longText.c_str());
    const std::string line = Since(mark);
    EXPECT_EQ(line.substr(8), std::string(255, 'x'));
}

TEST(DebugLog, LinesFromSeveralThreadsStayWhole) {
    constexpr int kThreads = 4;
    constexpr int kLines = 300;
    const std::size_t mark = CTraceLog::Instance().Text().size();
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t] {
            for (int i = 0; i < kLines; ++i)
                DebugLog("thread %d line %d %s\r\n", t, i, "....................");
        });
    }
    for (auto& thread : threads)
        thread.join();

    std::map<std::pair<int, int>, int> seen;
    std::istringstream in(Since(mark));
    std::string line;
    int lines = 0;
    while (std::getline(in, line)) {
        ++lines;
        ASSERT_TRUE(IsTimePrefix(line)) << line;
        int t = -1, i = -1;
        char dots[64] = {};
        ASSERT_EQ(std::sscanf(line.c_str() + 8, "thread %d line %d %63s", &t, &i, dots), 3) << line;
        ASSERT_EQ(std::string(dots), "....................") << line;
        ASSERT_EQ(line.back(), '\r') << line;
        ++seen[{t, i}];
    }
    EXPECT_EQ(lines, kThreads * kLines);
    EXPECT_EQ(seen.size(), static_cast<std::size_t>(kThreads * kLines));
    // Each thread's lines keep their order.
    std::istringstream again(Since(mark));
    std::vector<int> last(kThreads, -1);
    while (std::getline(again, line)) {
        int t = 0, i = 0;
        std::sscanf(line.c_str() + 8, "thread %d line %d", &t, &i);
        EXPECT_EQ(i, last[static_cast<std::size_t>(t)] + 1);
        last[static_cast<std::size_t>(t)] = i;
    }
}

TEST(DebugLog, ListenerRunsAfterEachAppendWithoutTheTraceLocked) {
    std::atomic<int> calls{0};
    std::atomic<bool> sawOwnLine{true};
    CTraceLog::Instance().SetListener([&] {
        // Reading the trace here would deadlock if the lock were still held.
        if (CTraceLog::Instance().Text().find("listener probe") == std::string::npos)
            sawOwnLine = false;
        ++calls;
    });
    DebugLog("listener probe %d\r\n", 1);
    std::thread other([] { DebugLog("listener probe %d\r\n", 2); });
    other.join();
    CTraceLog::Instance().SetListener(nullptr);
    DebugLog("after the listener was removed\r\n");
    EXPECT_EQ(calls.load(), 2);
    EXPECT_TRUE(sawOwnLine.load());
}

TEST(DebugLog, EnvironmentSwitchEchoesLinesToStandardError) {
    ::setenv("VIREON_TRACE", "1", 1);
    testing::internal::CaptureStderr();
    DebugLog("echo probe %d\r\n", 7);
    const std::string echoed = testing::internal::GetCapturedStderr();
    ::unsetenv("VIREON_TRACE");
    ASSERT_TRUE(IsTimePrefix(echoed)) << echoed;
    EXPECT_EQ(echoed.substr(8), "echo probe 7\r\n");

    testing::internal::CaptureStderr();
    DebugLog("quiet probe\r\n");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}
