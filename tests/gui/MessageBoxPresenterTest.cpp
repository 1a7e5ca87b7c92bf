// ReportMessage through the Qt presenter: real message boxes, inspected and
// closed by a timer while they run modally.
#include <QThread>

#include <thread>

#include "base/Messages.h"
#include "tests/gui/GuiTestApp.h"

namespace {

// The worker must come back while this thread is not processing events: the
// user-interface thread may be waiting for that worker to end. A message that
// arrives while a box is open is dropped rather than stacking boxes.
TEST(MessageBoxPresenter, AWorkerThreadsMessageShowsOnTheUiThreadAndOneArrivingMeanwhileIsDropped) {
    if (GuiTestApp() == nullptr)
        GTEST_SKIP() << "needs an X display (run under xvfb-run)";
    CMessageBoxPresenter::SetTestSink(nullptr);
    int boxes = 0;
    QThread* boxThread = nullptr;
    bool secondReturned = false;
    // Notes each box that becomes the active modal widget; the first stays open
    // until a second message has been reported from this thread.
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr)
            return;
        if (!box->property("noted").toBool()) {
            box->setProperty("noted", true);
            if (++boxes > 1)
                return box->accept();
            EXPECT_EQ(box->text(), QStringLiteral("From a worker\n")) << "no stray carriage return";
            EXPECT_EQ(box->icon(), QMessageBox::Critical) << "level 1: the stop icon";
            boxThread = QThread::currentThread();
            QTimer::singleShot(0, [&] {
                ReportMessage(2, "Second");
                secondReturned = true;
            });
        }
        if (secondReturned)
            box->accept();
    });
    closer.start(20);
    std::thread worker([] { ReportMessage(1, "From a worker\r\n"); });
    worker.join();
    EXPECT_EQ(boxes, 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return boxes > 0; }, 2000));
    QTest::qWait(100); // a queued second box would show now
    EXPECT_TRUE(secondReturned);
    EXPECT_EQ(boxes, 1);
    EXPECT_EQ(boxThread, QApplication::instance()->thread());
}

} // namespace
