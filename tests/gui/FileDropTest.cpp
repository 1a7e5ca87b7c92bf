// SPDX-License-Identifier: GPL-3.0-or-later
// Files dropped on the window: a sound file becomes the source (a recording
// in progress is closed first, its file complete), something that is not
// sound is reported while the source there was plays on, and a preset opens
// as File > Open opens it. The drops are synthesised on the main frame, over
// the view, as the window system delivers them.
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

#include "acquisition/CaptureDevice.h"
#include "acquisition/WavFile.h"
#include "platform/AudioFileDecoder.h"
#include "tests/gui/GuiTestApp.h"
#include "tests/platform/SoundFileSupport.h"
#include "tests/recording/AnswerCaptureSettings.h"

namespace {

using guitest::g_messages;

class FileDrop : public guitest::CFrameTest {
protected:
    // The drag enters over the view and is dropped there; whether the
    // window took it.
    bool Drop(const QUrl& url) {
        QMimeData data;
        data.setUrls({url});
        const QPoint at = m_frame->View()->mapTo(m_frame.get(), m_frame->View()->rect().center());
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        enter.ignore();
        QApplication::sendEvent(m_frame.get(), &enter);
        if (!enter.isAccepted())
            return false;
        QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        drop.ignore();
        QApplication::sendEvent(m_frame.get(), &drop);
        return drop.isAccepted() && drop.dropAction() == Qt::CopyAction;
    }
    bool Drop(const std::string& path) {
        return Drop(QUrl::fromLocalFile(QString::fromStdString(path)));
    }
    // The left channel's largest value in the blocks arriving now is near
    // `peak` (16-bit units).
    static bool PlayingAt(int peak) {
        return QTest::qWaitFor(
            [peak] { return std::abs(g_runState.GetStereoLevels().nLeftMax - peak) < 400; }, 5000);
    }
};

TEST_F(FileDrop, SoundBecomesTheSourceOtherFilesAreRefusedAndPresetsOpen) {
    const sndtest::CTempDir dir;
    const std::string first =
        sndtest::SoxTone(dir, "first.wav", "-r 44100 -b 16 -c 2", "synth 60 sine 1000 vol 0.25");
    const std::string second =
        sndtest::SoxTone(dir, "second.flac", "-r 48000 -b 24 -c 1", "synth 60 sine 700 vol 0.75");
    const std::string notes = dir.Write("notes.wav", sndtest::Bytes(300, 'n'));
    const std::string preset = dir.Path() + "/waterfall.tpz";
    sndtest::SoxTone(dir, "whole.flac", "-r 48000 -b 24 -c 2");
    ASSERT_TRUE(sndtest::Shell(dir, "head -c 100000 whole.flac > cut.flac"));
    CTamselView::SetBackendFactory([first](const std::string& path) {
        return CreateDecodedFileSource(path.empty() ? first : path);
    });
    ShowFrame();
    CTamselView* view = m_frame->View();
    ASSERT_TRUE(PlayingAt(8192));
    g_messages.clear(); // the first frame's, which had no source

    view->OnPlotWaterfall();
    ASSERT_TRUE(m_doc.DoSave(QString::fromStdString(preset)));
    view->OnPlotHistogram();
    m_doc.SetModifiedFlag(false); // opens without asking

    // A sound recording in progress.
    const std::string recording = dir.Path() + "/rec.wav";
    rectest::AnswerCaptureSettings({.screen = "", .wav = recording, .log = ""});
    m_frame->Action(ID_CAPTURE_SETTINGS)->trigger();
    m_frame->Action(ID_CAPTURE_ENABLE)->trigger();
    ASSERT_EQ(g_runState.GetCaptureFlags(), kCaptureSound);
    // Over a second recorded: the clock counts whole seconds.
    ASSERT_TRUE(QTest::qWaitFor([] { return g_runState.GetCaptureElapsed() >= 2; }, 5000));

    EXPECT_FALSE(Drop(QUrl(QStringLiteral("https://example.org/tone.wav")))) << "not a local file";
    ASSERT_TRUE(Drop(second));
    EXPECT_TRUE(PlayingAt(24575));
    EXPECT_FALSE(view->IsCaptureConfigured());
    EXPECT_EQ(g_runState.GetCaptureFlags(), 0);
    CWavFile recorded;
    ASSERT_TRUE(recorded.Open(recording)) << recorded.Error();
    EXPECT_FALSE(recorded.IsTruncated());
    EXPECT_GE(recorded.FrameCount(), 39690u); // 0.9 s
    EXPECT_TRUE(QTest::qWaitFor([&] { return view->IsAcquiring(); }, 3000)) << "running again";
    EXPECT_TRUE(g_messages.empty());

    ASSERT_TRUE(Drop(notes));
    ASSERT_TRUE(QTest::qWaitFor([] { return !g_messages.empty(); }, 3000));
    EXPECT_EQ(g_messages[0],
              std::make_pair(1, "Couldn't initialize sound capture device\ninput file \"" + notes +
                                    "\": not a sound file FFmpeg can read: Invalid data found "
                                    "when processing input"));
    const std::uint64_t frames = GetCapturedFrames();
    EXPECT_TRUE(QTest::qWaitFor([&] { return GetCapturedFrames() > frames + 4410; }, 3000))
        << "the dropped source plays on";
    EXPECT_TRUE(PlayingAt(24575));

    ASSERT_TRUE(Drop(preset));
    EXPECT_TRUE(QTest::qWaitFor([&] { return view->PlotType() == PLOT_WATERFALL; }, 3000));
    EXPECT_EQ(m_doc.GetPathName(), preset);
    EXPECT_TRUE(PlayingAt(24575));
    EXPECT_EQ(g_messages.size(), 1u);

    // A file that cannot be read to its end plays what it can, and says so once.
    ASSERT_TRUE(Drop(dir.Path() + "/cut.flac"));
    ASSERT_TRUE(QTest::qWaitFor([] { return g_messages.size() == 2; }, 5000));
    EXPECT_EQ(g_messages[1].first, 2);
    EXPECT_EQ(g_messages[1].second.rfind("Sound input failed\ninput file \"" + dir.Path() +
                                             "/cut.flac\": decoding failed after ",
                                         0),
              0u)
        << g_messages[1].second;
    const std::int32_t ticks = view->Ticks();
    ASSERT_TRUE(QTest::qWaitFor([&] { return view->Ticks() > ticks + 5; }, 3000));
    EXPECT_EQ(g_messages.size(), 2u);
    EXPECT_TRUE(PlayingAt(16384));
}

} // namespace
