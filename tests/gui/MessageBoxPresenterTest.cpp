// SPDX-License-Identifier: GPL-3.0-or-later
// ReportMessage through the Qt presenter: real message boxes, inspected and
// closed by a timer while they run modally.
#include <QThread>

#include <thread>

#include "base/Messages.h"
#include "tests/gui/GuiTestApp.h"

namespace {

// The worker must come back while this thread is not processing events: the
// user-interface thread may be waiting for that worker to end. A message that
// arrives while a box is open returns at once and shows after the box has
// closed, never on top of it.
TEST(MessageBoxPresenter, AWorkersMessageShowsOnTheUiThreadAndOneArrivingMeanwhileFollowsIt) {
    if (GuiTestApp() == nullptr)
        GTEST_SKIP() << "needs an X display (run under xvfb-run)";
    CMessageBoxPresenter::SetTestSink(nullptr);
    std::vector<QString> texts;
    QThread* boxThread = nullptr;
    bool secondReturned = false;
    int mostOpen = 0;
    // Notes each box that becomes the active modal widget; the first stays open
    // until a second message has been reported from this thread.
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        int open = 0;
        for (QWidget* widget : QApplication::topLevelWidgets())
            open += qobject_cast<QMessageBox*>(widget) != nullptr && widget->isVisible();
        mostOpen = std::max(mostOpen, open);
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr)
            return;
        if (!box->property("noted").toBool()) {
            box->setProperty("noted", true);
            texts.push_back(box->text());
            if (texts.size() == 1) {
                EXPECT_EQ(box->icon(), QMessageBox::Critical) << "level 1: the stop icon";
                boxThread = QThread::currentThread();
                QTimer::singleShot(0, [&] {
                    ReportMessage(2, "Second");
                    secondReturned = true;
                });
            }
        }
        if (secondReturned)
            box->accept();
    });
    closer.start(20);
    std::thread worker([] { ReportMessage(1, "From a worker\r\n"); });
    worker.join();
    EXPECT_TRUE(texts.empty());
    ASSERT_TRUE(QTest::qWaitFor([&] { return texts.size() == 2; }, 3000));
    EXPECT_EQ(texts,
              (std::vector<QString>{QStringLiteral("From a worker\n"), QStringLiteral("Second")}))
        << "in order, and no stray carriage return";
    EXPECT_EQ(mostOpen, 1) << "one box at a time";
    EXPECT_EQ(boxThread, QApplication::instance()->thread());
    QTest::qWait(100); // a third box would show now
    EXPECT_EQ(texts.size(), 2u);
}

} // namespace
