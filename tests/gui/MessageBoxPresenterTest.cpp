// ReportMessage through the Qt presenter: real message boxes, inspected and
// closed by a timer while they run modally.
#include <gtest/gtest.h>

#include <QMessageBox>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <string>
#include <thread>
#include <vector>

#include "app/Messages.h"
#include "tests/gui/GuiTestApp.h"

namespace {

struct SSeenBox {
    QMessageBox::Icon icon;
    QString text;
};

// Closes every message box that becomes the active modal widget, noting it.
class CBoxCloser {
public:
    CBoxCloser() {
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box == nullptr || box == m_pLast)
                return;
            m_pLast = box;
            seen.push_back({box->icon(), box->text()});
            if (onBox)
                onBox();
            box->accept();
        });
        m_timer.start(20);
    }
    std::vector<SSeenBox> seen;
    std::function<void()> onBox;

private:
    QTimer m_timer;
    QMessageBox* m_pLast = nullptr;
};

class MessageBoxPresenterTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (GuiTestApp() == nullptr)
            GTEST_SKIP() << "needs an X display (run under xvfb-run)";
        CMessageBoxPresenter::SetTestSink(nullptr);
    }
};

TEST_F(MessageBoxPresenterTest, TheLevelChoosesTheIcon) {
    const std::pair<int, QMessageBox::Icon> levels[] = {
        {1, QMessageBox::Critical}, {2, QMessageBox::Warning}, {4, QMessageBox::Information}};
    for (const auto& [level, icon] : levels) {
        CBoxCloser closer;
        ReportMessage(level, "Level %d message\r\n", level);
        ASSERT_EQ(closer.seen.size(), 1u) << "level " << level;
        EXPECT_EQ(closer.seen[0].icon, icon) << "level " << level;
        EXPECT_EQ(closer.seen[0].text, QStringLiteral("Level %1 message\n").arg(level));
    }
}

TEST_F(MessageBoxPresenterTest, AMessageArrivingWhileABoxIsOpenIsDropped) {
    CBoxCloser closer;
    bool secondReturned = false;
    closer.onBox = [&] {
        if (closer.seen.size() == 1) {
            ReportMessage(2, "Second");
            secondReturned = true;
        }
    };
    ReportMessage(1, "First");
    QTest::qWait(100); // a queued second box would show now
    EXPECT_TRUE(secondReturned);
    ASSERT_EQ(closer.seen.size(), 1u);
    EXPECT_EQ(closer.seen[0].text, QStringLiteral("First"));
}

TEST_F(MessageBoxPresenterTest,
       AWorkerThreadsMessageShowsOnTheUserInterfaceThreadWithoutBlockingIt) {
    CBoxCloser closer;
    QThread* boxThread = nullptr;
    closer.onBox = [&] { boxThread = QThread::currentThread(); };
    // The worker must come back while this thread is not processing events:
    // the user-interface thread may be waiting for that worker to end.
    std::thread worker([] { ReportMessage(2, "From a worker"); });
    worker.join();
    EXPECT_TRUE(closer.seen.empty());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !closer.seen.empty(); }, 2000));
    EXPECT_EQ(closer.seen[0].text, QStringLiteral("From a worker"));
    EXPECT_EQ(closer.seen[0].icon, QMessageBox::Warning);
    EXPECT_EQ(boxThread, QApplication::instance()->thread());
}

} // namespace
