// File > Capture > Enable and Close in the running window: a sound capture
// from the WAV file source is set up, enabled, stopped by its time limit on
// the view's timer (no screen frames to stop it), and closed.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "../acquisition/AcquisitionTestSupport.h"
#include "acquisition/WavFile.h"
#include "acquisition/WavFileSource.h"
#include "app/MainFrame.h"
#include "app/MessageBoxPresenter.h"
#include "presets/TamselDoc.h"
#include "recording/CaptureSettingsDlg.h"
#include "resources/Resource.h"
#include "tests/gui/GuiTestApp.h"
#include "view/TamselView.h"

namespace {

using namespace acqtest;

// Fills the settings dialog, once it shows, with a WAV name and a time
// limit of 2 seconds, and confirms it.
void AnswerSettings(const std::string& wav) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, wav] {
        auto* dlg = qobject_cast<CCaptureSettingsDlg*>(QApplication::activeModalWidget());
        if (dlg == nullptr)
            return;
        timer->stop();
        timer->deleteLater();
        qobject_cast<QLineEdit*>(dlg->Control(IDC_CAPTURE_WAV_FILE))
            ->setText(QString::fromStdString(wav));
        qobject_cast<QAbstractButton*>(dlg->Control(IDC_CAPTURE_LIMIT))->setChecked(true);
        qobject_cast<QLineEdit*>(dlg->Control(IDC_CAPTURE_LIMIT_VALUE))->setText("2");
        qobject_cast<QPushButton*>(dlg->Control(IDC_CAPTURE_OK))->click();
    });
    timer->start();
}

TEST(CaptureCommands, EnableRecordsUntilTheLimitOnTheTimerAndCloseEndsTheCapture) {
    if (GuiTestApp() == nullptr)
        GTEST_SKIP() << "needs an X display (run under xvfb-run)";
    CMessageBoxPresenter::SetTestSink([](int, const std::string&) {});
    const CTempDir dir;
    const std::string input = dir.Write("in.wav", Wav(Tone(440.0, 8000.0, 44100)));
    const std::string wav = dir.Path() + "/rec.wav";
    CTamselView::SetBackendFactory([input] { return std::make_unique<CWavFileSource>(input); });

    CTamselDoc doc;
    auto frame = std::make_unique<CMainFrame>(&doc);
    frame->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(frame.get()));
    QTRY_VERIFY_WITH_TIMEOUT(frame->View()->Ticks() >= 7, 5000);
    QAction* enable = frame->Action(ID_CAPTURE_ENABLE);
    QAction* close = frame->Action(ID_CAPTURE_CLOSE);
    frame->UpdateCommandUI();
    EXPECT_FALSE(enable->isEnabled());
    EXPECT_FALSE(close->isEnabled());

    AnswerSettings(wav);
    frame->Action(ID_CAPTURE_SETTINGS)->trigger();
    ASSERT_TRUE(enable->isEnabled());
    EXPECT_TRUE(close->isEnabled());
    EXPECT_FALSE(enable->isChecked());

    enable->trigger();
    EXPECT_TRUE(enable->isChecked());
    EXPECT_EQ(g_runState.GetCaptureFlags(), kCaptureSound);
    // The limit runs out on a timer tick: the check mark and the store's
    // flags go, the recorded time stays.
    QTRY_VERIFY_WITH_TIMEOUT(!enable->isChecked(), 5000);
    EXPECT_EQ(g_runState.GetCaptureFlags(), 0);
    EXPECT_GE(g_runState.GetCaptureElapsed(), 1);

    close->trigger();
    EXPECT_FALSE(enable->isEnabled());
    EXPECT_FALSE(close->isEnabled());
    EXPECT_EQ(g_runState.GetCaptureElapsed(), 0);
    CWavFile recorded;
    ASSERT_TRUE(recorded.Open(wav)) << recorded.Error();
    EXPECT_GE(recorded.FrameCount(), 39690u); // 0.9 s: whole-second clock
    EXPECT_LE(recorded.FrameCount(), 3u * 44100u);

    frame->close();
    frame.reset();
    CTamselView::SetBackendFactory(nullptr);
    CMessageBoxPresenter::SetTestSink(nullptr);
}

} // namespace
