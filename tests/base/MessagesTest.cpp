// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/Messages.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "base/DebugLog.h"

namespace {

using namespace std::chrono_literals;
using Shown = std::vector<std::pair<int, std::string>>;

// Records what it is asked to show; holds its first box open until told,
// and can fail to show.
class CFakePresenter : public IMessagePresenter {
public:
    bool Present(int level, const std::string& text) override {
        shown.emplace_back(level, text);
        if (holdFirst && shown.size() == 1) {
            opened.set_value();
            closeBox.get_future().wait();
        }
        return succeed;
    }

    Shown shown; // read by the test only while no box is open
    bool succeed = true;
    bool holdFirst = false;
    std::promise<void> opened;
    std::promise<void> closeBox;
};

template <typename Presenter> class CInstalled {
public:
    Presenter* operator->() const { return m_pPresenter; }
    ~CInstalled() { SetMessagePresenter(std::move(m_previous)); }

private:
    std::unique_ptr<Presenter> m_owned = std::make_unique<Presenter>();
    Presenter* m_pPresenter = m_owned.get();
    std::unique_ptr<IMessagePresenter> m_previous = SetMessagePresenter(std::move(m_owned));
};

} // namespace

TEST(Messages, LevelsUpToFourAreShownFormattedAndCutAt255Characters) {
    const CInstalled<CFakePresenter> presenter;
    Shown expected;
    for (int level : {1, 2, 3, 4, 5, 100}) {
        ReportMessage(level, "level %d", level);
        if (level <= 4)
            expected.emplace_back(level, "level " + std::to_string(level));
    }
    ReportMessage(2, "%s", std::string(300, 'y').c_str());
    expected.emplace_back(2, std::string(255, 'y'));
    EXPECT_EQ(presenter->shown, expected);
}

// While the first box is open, other threads' messages return at once and
// wait: repeats fold into one, eight wait at most and the rest are counted
// (at the most severe level among them) in one last box. A box that failed
// to show blocks nothing later, and a repeat after the boxes have closed
// shows again.
TEST(Messages, MessagesArrivingWhileABoxIsOpenFollowItInOrderFoldedAndBounded) {
    const CInstalled<CFakePresenter> presenter;
    presenter->holdFirst = true;
    presenter->succeed = false;
    const std::size_t mark = CTraceLog::Instance().Text().size();
    std::thread first([] { ShowMessage(1, "Clipboard Error"); });
    presenter->opened.get_future().wait();
    Shown expected = {{1, "Clipboard Error"}};
    const auto report = [](int level, const std::string& text) {
        std::thread([&] { ShowMessage(level, text); }).join();
    };
    report(1, "Clipboard Error"); // the box on screen already says it
    for (int i = 0; i < 3; ++i)
        report(2, "Screen Capture Error");
    expected.emplace_back(2, "Screen Capture Error");
    for (int i = 1; i <= 7; ++i) {
        report(2, "Failure " + std::to_string(i));
        expected.emplace_back(2, "Failure " + std::to_string(i));
    }
    report(2, "Failure 8");
    report(1, "Failure 9");
    report(2, "Failure 10");
    expected.emplace_back(1, "3 more messages were not shown; the trace holds them.");
    EXPECT_EQ(presenter->shown.size(), 1u) << "nothing more while the box is open";
    presenter->closeBox.set_value();
    first.join();
    ShowMessage(1, "Clipboard Error");
    expected.emplace_back(1, "Clipboard Error");
    EXPECT_EQ(presenter->shown, expected);
    const std::string trace = CTraceLog::Instance().Text().substr(mark);
    for (const char* lost : {"Failure 8", "Failure 9", "Failure 10"})
        EXPECT_NE(trace.find(std::string("Message not shown: ") + lost + "\r\n"), std::string::npos)
            << lost;
}

namespace {

// A presenter whose boxes belong to the test's own thread, as a window's
// belong to the user-interface thread: drains reported elsewhere are posted
// to it and run only when the test runs them, so a worker that waited for
// its box would never come back.
class CLoopPresenter : public IMessagePresenter {
public:
    void Schedule(std::function<void()> drain) override {
        if (std::this_thread::get_id() == m_ownId)
            return drain();
        std::lock_guard<std::mutex> lock(m_mutex);
        m_posted.push_back(std::move(drain));
        m_wake.notify_one();
    }
    bool Present(int level, const std::string& text) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        shown.emplace_back(level, text);
        onOwnThread = onOwnThread && std::this_thread::get_id() == m_ownId;
        return true;
    }
    // Runs the posted drains until count messages were shown.
    bool RunUntilShown(std::size_t count) {
        const auto until = std::chrono::steady_clock::now() + 10s;
        std::unique_lock<std::mutex> lock(m_mutex);
        while (shown.size() < count) {
            if (!m_wake.wait_until(lock, until, [this] { return !m_posted.empty(); }))
                return false;
            const std::function<void()> drain = std::move(m_posted.front());
            m_posted.pop_front();
            lock.unlock();
            drain();
            lock.lock();
        }
        return true;
    }

    Shown shown; // read once RunUntilShown has returned
    bool onOwnThread = true;

private:
    const std::thread::id m_ownId = std::this_thread::get_id();
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<std::function<void()>> m_posted;
};

} // namespace

// Workers report at once from several threads: none waits for a box, and
// every message is shown on the presenter's thread, once, each worker's in
// the order it reported them.
TEST(Messages, WorkersNeverWaitAndEachMessageShowsOnceOnThePresentersThreadInItsWorkersOrder) {
    constexpr int kWorkers = 4, kEach = 2; // all fit in the queue
    const CInstalled<CLoopPresenter> presenter;
    std::vector<std::future<void>> workers;
    for (int w = 0; w < kWorkers; ++w)
        workers.push_back(std::async(std::launch::async, [w] {
            for (int i = 0; i < kEach; ++i)
                ReportMessage(MESSAGE_WARNING, "worker %d message %d", w, i);
        }));
    bool returned = true;
    for (auto& worker : workers)
        returned = worker.wait_for(10s) == std::future_status::ready && returned;
    EXPECT_TRUE(returned) << "a worker waited for a box";

    ASSERT_TRUE(presenter->RunUntilShown(kWorkers * kEach));
    EXPECT_EQ(presenter->shown.size(), static_cast<std::size_t>(kWorkers * kEach));
    EXPECT_TRUE(presenter->onOwnThread);
    for (int w = 0; w < kWorkers; ++w) {
        std::vector<std::string> mine;
        for (const auto& [level, text] : presenter->shown)
            if (text.starts_with("worker " + std::to_string(w) + " "))
                mine.push_back(text);
        std::vector<std::string> reported;
        for (int i = 0; i < kEach; ++i)
            reported.push_back("worker " + std::to_string(w) + " message " + std::to_string(i));
        EXPECT_EQ(mine, reported) << "worker " << w;
    }
}
