// SPDX-License-Identifier: GPL-3.0-or-later
// The main frame and the view's commands, mouse drags and status hints
// through the real window: key sequences and toolbar clicks on the frame,
// mouse events on the view, and what the menu items and the status-bar panes
// then show.
#include <QDialog>
#include <QDir>
#include <QMenu>
#include <QToolBar>
#include <QUrl>

#include <chrono>
#include <map>

#include "tests/acquisition/AcquisitionTestSupport.h"
#include "tests/gui/GuiTestApp.h"

namespace {

using guitest::g_messages;
const Qt::KeyboardModifiers kCtrl = Qt::ControlModifier, kCtrlAlt = kCtrl | Qt::AltModifier,
                            kCtrlShift = kCtrl | Qt::ShiftModifier;

class ViewCommands : public guitest::CFrameTest {
protected:
    // A press at `from`, one move to `to`, a release; the keys held all along.
    void Drag(Qt::MouseButton button, Qt::KeyboardModifiers keys, QPoint from, QPoint to) {
        QTest::mousePress(Surface(), button, keys, from);
        QTest::mouseEvent(QTest::MouseMove, Surface(), Qt::NoButton, keys, to);
        QTest::mouseRelease(Surface(), button, keys, to);
    }
    // The pane's text once the timer's next redraw has set it.
    bool PaneReads(int pane, const QString& text) {
        return QTest::qWaitFor([&] { return m_frame->PaneText(pane) == text; }, 2000);
    }
};

// No backend was given, so the capture device cannot start: reported with the
// stop icon while the window runs on. Then each accelerator, exit last (it
// closes the window). A plot type checks its own item only; the scale panel
// shows magnitudes as colours, so only the waterfall and the surface may
// switch it, and it keeps its check meanwhile.
TEST_F(ViewCommands, AFailedCaptureDeviceIsReportedAndEveryAcceleratorReachesItsOwnCommand) {
    ASSERT_TRUE(QTest::qWaitFor([] { return !g_messages.empty(); }, 2000));
    EXPECT_EQ(g_messages[0],
              std::make_pair(1, std::string("Couldn't initialize sound capture device")));
    EXPECT_TRUE(QTest::qWaitFor([&] { return View()->Ticks() >= 2; }, 2000));
    const std::map<int, int> plots = {{ID_PLOT_HISTOGRAM, PLOT_HISTOGRAM},
                                      {ID_PLOT_WATERFALL, PLOT_WATERFALL},
                                      {ID_PLOT_SURFACE, PLOT_SURFACE},
                                      {ID_PLOT_BARS, PLOT_BARS},
                                      {ID_PLOT_METERS, PLOT_METERS}};
    const struct {
        Qt::KeyboardModifiers modifiers;
        int key, command;
    } table[] = {
        // exit last: it closes the window
        {kCtrl, Qt::Key_A, ID_FILE_SAVE_AS},
        {kCtrlAlt, Qt::Key_A, ID_VIEW_ACQUIRE},
        {kCtrlAlt, Qt::Key_B, ID_PLOT_BARS},
        {kCtrl, Qt::Key_C, ID_EDIT_COPY},
        {kCtrlAlt, Qt::Key_D, ID_DEBUG_WINDOW},
        {kCtrlAlt, Qt::Key_G, ID_PALETTE_GRAYSCALE},
        {kCtrlAlt, Qt::Key_M, ID_PLOT_METERS},
        {kCtrl, Qt::Key_N, ID_FILE_NEW},
        {kCtrl, Qt::Key_O, ID_FILE_OPEN},
        {kCtrlAlt, Qt::Key_P, ID_SHOW_TIMING},
        {kCtrl, Qt::Key_R, ID_FILE_RUN},
        {kCtrlAlt, Qt::Key_R, ID_PALETTE_RAINBOW},
        {kCtrl, Qt::Key_S, ID_FILE_SAVE},
        {kCtrlAlt, Qt::Key_S, ID_PLOT_WATERFALL},
        {kCtrl, Qt::Key_T, ID_FILE_REVERT},
        {kCtrlAlt, Qt::Key_U, ID_PLOT_SURFACE},
        {kCtrl, Qt::Key_W, ID_CAPTURE_ENABLE},
        {kCtrlAlt, Qt::Key_Z, ID_PLOT_RESET},
        {kCtrlShift, Qt::Key_D, ID_VIEW_DECIBEL_SCALE},
        {kCtrlShift, Qt::Key_L, ID_VIEW_LOG_FREQUENCY},
        {Qt::NoModifier, Qt::Key_Space, ID_VIEW_FREEZE},
        {kCtrlShift, Qt::Key_P, ID_VIEW_PEAK_READOUT},
        {kCtrlShift, Qt::Key_H, ID_VIEW_MAX_HOLD},
        {kCtrlAlt, Qt::Key_H, ID_PLOT_HISTOGRAM},
        {kCtrl, Qt::Key_Q, ID_APP_EXIT},
    };
    // Commands that open a dialog (Open, Save As, Acquire) find it closed.
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [] {
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
            dialog->reject();
    });
    closer.start(20);
    for (const auto& accel : table) {
        SCOPED_TRACE("command " + std::to_string(accel.command));
        QAction* target = m_frame->Action(accel.command);
        // Commands still waiting for their handlers are greyed; a greyed
        // action ignores its key, so enable it for the press.
        target->setEnabled(true);
        QSignalSpy spy(target, &QAction::triggered);
        // A dialog that just closed hands the focus back asynchronously.
        QApplication::setActiveWindow(m_frame.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(m_frame.get()));
        Keys(static_cast<Qt::Key>(accel.key), accel.modifiers);
        EXPECT_EQ(spy.count(), 1);
        if (!plots.contains(accel.command))
            continue;
        const int type = plots.at(accel.command);
        EXPECT_EQ(View()->PlotType(), type);
        for (const auto& plot : plots)
            EXPECT_EQ(Checked(plot.first), plot.first == accel.command);
        const bool colours = type == PLOT_WATERFALL || type == PLOT_SURFACE;
        EXPECT_EQ(Enabled(ID_VIEW_MAGNITUDE_SCALE), colours);
        EXPECT_TRUE(Checked(ID_VIEW_MAGNITUDE_SCALE));
        EXPECT_EQ(View()->GetPanelCount(), colours ? 4 : 3) << "info, run status, VU, scale";
    }
    EXPECT_FALSE(m_frame->isVisible()) << "Ctrl+Q closes the window";
}

// The decibel scale and the log axis switch from their keys and toolbar
// buttons, are checked while on and reach the store the analysis reads;
// the frame hears of each switch. On the log axis a sideways drag pans both
// ends by the same factor, a tenth of the ratio's decades for a tenth of the
// width, and the range pane shows the new ends.
TEST_F(ViewCommands, TheScaleOptionsSwitchFromKeysAndButtonsAndTheLogAxisDragsByRatios) {
    QSignalSpy changed(View(), &CTamselView::displayScaleChanged);
    Keys(Qt::Key_D, kCtrlShift);
    EXPECT_TRUE(Checked(ID_VIEW_DECIBEL_SCALE));
    EXPECT_FALSE(Checked(ID_VIEW_LOG_FREQUENCY));
    EXPECT_EQ(g_runState.GetDisplayScale(), (SDisplayScale{true, false}));
    QTest::mouseClick(m_frame->ToolBar()->widgetForAction(m_frame->Action(ID_VIEW_LOG_FREQUENCY)),
                      Qt::LeftButton);
    EXPECT_TRUE(Checked(ID_VIEW_LOG_FREQUENCY));
    EXPECT_EQ(g_runState.GetDisplayScale(), (SDisplayScale{true, true}));
    ASSERT_EQ(changed.count(), 2);
    EXPECT_EQ(changed.last(), (QList<QVariant>{true, true}));

    g_runState.SetDisplayRange({100, 1000, 900, 0.0, 1.0, false});
    const int tenth = g_startupSettings.m_nHistoryLength / 10;
    Drag(Qt::LeftButton, Qt::NoModifier, {300, 200}, {300 - tenth, 200});
    const SDisplayRange range = g_runState.GetDisplayRange();
    EXPECT_NEAR(range.dFreqMin, 100.0 * std::pow(10.0, 0.1), 1e-6);
    EXPECT_NEAR(range.dFreqMax, 1000.0 * std::pow(10.0, 0.1), 1e-6);
    EXPECT_TRUE(PaneReads(1, QStringLiteral("F(0.13->1.26KHz),M(-100-> 0dB)")));

    Keys(Qt::Key_D, kCtrlShift);
    Keys(Qt::Key_L, kCtrlShift);
    EXPECT_FALSE(Checked(ID_VIEW_DECIBEL_SCALE) || Checked(ID_VIEW_LOG_FREQUENCY));
    EXPECT_EQ(g_runState.GetDisplayScale(), SDisplayScale{});
    EXPECT_EQ(changed.count(), 4);
}

// Peak readout and max hold switch from their keys, the averages from the
// View > Average submenu as radio items (Off checked at first); each reaches
// the store the analysis and the histogram read, and the frame hears of it.
TEST_F(ViewCommands, TheMeasureOptionsSwitchFromKeysAndTheAverageSubmenu) {
    QSignalSpy changed(View(), &CTamselView::measureOptionsChanged);
    const int averages[] = {ID_VIEW_AVERAGE_OFF, ID_VIEW_AVERAGE_2,  ID_VIEW_AVERAGE_4,
                            ID_VIEW_AVERAGE_8,   ID_VIEW_AVERAGE_16, ID_VIEW_AVERAGE_32};
    const auto checkedAverage = [&] {
        int found = -1;
        for (const int id : averages)
            if (Checked(id))
                found = found < 0 ? id : 0; // 0: more than one
        return found;
    };
    EXPECT_EQ(checkedAverage(), ID_VIEW_AVERAGE_OFF);
    Keys(Qt::Key_P, kCtrlShift);
    Keys(Qt::Key_H, kCtrlShift);
    EXPECT_TRUE(Checked(ID_VIEW_PEAK_READOUT));
    EXPECT_TRUE(Checked(ID_VIEW_MAX_HOLD));
    EXPECT_EQ(g_runState.GetMeasureOptions(), (SMeasureOptions{true, 0, true}));

    auto* menu = m_frame->findChild<QMenu*>(QStringLiteral("AverageMenu"));
    ASSERT_NE(menu, nullptr);
    const QList<QAction*> items = menu->actions();
    ASSERT_EQ(items.size(), 6);
    const char* const texts[] = {"Off",      "2 Blocks",  "4 Blocks",
                                 "8 Blocks", "16 Blocks", "32 Blocks"};
    for (int i = 0; i < 6; ++i) {
        SCOPED_TRACE(texts[i]);
        EXPECT_EQ(items[i]->text(), QString::fromLatin1(texts[i]));
        items[i]->trigger();
        EXPECT_EQ(checkedAverage(), averages[i]);
        EXPECT_EQ(g_runState.GetMeasureOptions().nAverageBlocks, i == 0 ? 0 : 1 << i);
        EXPECT_EQ(changed.last(), (QList<QVariant>{true, i == 0 ? 0 : 1 << i, true}));
    }
    items[0]->trigger();
    Keys(Qt::Key_P, kCtrlShift);
    Keys(Qt::Key_H, kCtrlShift);
    EXPECT_EQ(g_runState.GetMeasureOptions(), SMeasureOptions{});
    EXPECT_EQ(changed.count(), 2 + 6 + 1 + 2);

    // A stored count no item offers checks the one below it.
    View()->SetMeasureOptions({false, 12, false});
    m_frame->UpdateCommandUI();
    EXPECT_EQ(checkedAverage(), ID_VIEW_AVERAGE_8);
}

// Plot Only hides every panel and greys their items, which keep their checks;
// a second click brings back the set there was.
TEST_F(ViewCommands, PlotOnlyTwiceRestoresThePanelSet) {
    m_frame->Action(ID_VIEW_VU_METER)->trigger(); // off
    const std::int32_t flags = View()->PanelFlags();
    ASSERT_EQ(flags, kDefaultPanelFlags & ~PANEL_VUMETER);
    QWidget* plotOnly = m_frame->ToolBar()->widgetForAction(m_frame->Action(ID_VIEW_PLOT_ONLY));
    QTest::mouseClick(plotOnly, Qt::LeftButton);
    EXPECT_TRUE(Checked(ID_VIEW_PLOT_ONLY));
    EXPECT_EQ(View()->GetPanelCount(), 0);
    EXPECT_FALSE(Enabled(ID_VIEW_PROGRAM_INFO));
    EXPECT_TRUE(Checked(ID_VIEW_PROGRAM_INFO)) << "greyed items keep their check marks";
    QTest::mouseClick(plotOnly, Qt::LeftButton);
    EXPECT_FALSE(Checked(ID_VIEW_PLOT_ONLY));
    EXPECT_EQ(View()->PanelFlags(), flags);
    EXPECT_TRUE(Enabled(ID_VIEW_VU_METER));
}

// The plot's native window fills the view and takes the drags. The range
// pane follows the range in Hz or kHz, a drag included. Left drags move the
// frequency range, right drags shape the palette; each row starts from its
// own range and palette. On the histogram Ctrl and Shift drags have nothing
// to turn: no change, and the hint pane shows a single space while Ctrl or
// Shift is held.
TEST_F(ViewCommands, DragsClampTheRangeShapeThePaletteAndShowInThePanesButCtrlDragsDoNothing) {
    ASSERT_NE(Surface(), nullptr);
    EXPECT_EQ(Surface()->size(), View()->size());
    EXPECT_TRUE(PaneReads(1, QStringLiteral("F(0.00->10.00KHz),M(-100-> 0dB)")));
    g_runState.SetDisplayRange({20, 999, 979, 0.001, 0.5, false});
    EXPECT_TRUE(PaneReads(1, QStringLiteral("F(0020-> 999Hz),M(-60->-6dB)")));
    QTest::mousePress(Surface(), Qt::LeftButton, Qt::NoModifier, {300, 200});
    QTest::mouseEvent(QTest::MouseMove, Surface(), Qt::NoButton, Qt::NoModifier, {300, 199});
    EXPECT_TRUE(PaneReads(1, QStringLiteral("F(0.02->1.02KHz),M(-60->-6dB)")));
    EXPECT_TRUE(
        PaneReads(0, QStringLiteral("Click+Drag L/R Offsets Frequency,Up/Down Scales Range")));
    QTest::mouseRelease(Surface(), Qt::LeftButton, Qt::NoModifier, {300, 199});

    const QPoint at(300, 200);
    const struct {
        const char* what;
        QPoint move;
        double fmin, span, wantMin, wantMax;
    } left[] = {
        {"right from 5 Hz: the floor", {2, 0}, 5, 1000, 1, 1001},
        {"down: the minimum span", {0, 20}, 1000, 300, 1000, 1100},
        {"left to 19990 Hz: the ceiling", {-99, 0}, 19000, 200, 19990, 20000},
        {"far left: the start's ceiling", {-5000, 0}, 1000, 100, 19990, 20000},
    };
    for (const auto& row : left) {
        SCOPED_TRACE(row.what);
        g_runState.SetDisplayRange({row.fmin, row.fmin + row.span, row.span, 0.0, 1.0, false});
        Drag(Qt::LeftButton, Qt::NoModifier, at, at + row.move);
        const SDisplayRange range = g_runState.GetDisplayRange();
        EXPECT_DOUBLE_EQ(range.dFreqMin, row.wantMin);
        EXPECT_DOUBLE_EQ(range.dFreqMax, row.wantMax);
        EXPECT_DOUBLE_EQ(range.dFreqSpan, row.wantMax - row.wantMin);
    }
    const struct {
        const char* what;
        QPoint move;
        bool invert; // palette inverted before
        int wantShift;
        float wantScale;
    } right[] = {
        {"diagonal: the scale", {5, 5}, false, 0, 1.05f},
        {"sideways: the shift", {-7, 2}, false, -7, 1},
        {"inverted: against the drag", {7, 2}, true, -7, 1},
        {"up: a smaller scale", {0, -1}, false, 0, 0.95f},
    };
    g_runState.SetDisplayRange({1, 10000, 9999, 0.0, 1.0, false});
    for (const auto& row : right) {
        SCOPED_TRACE(row.what);
        m_frame->Action(ID_PALETTE_RESET)->trigger();
        if (row.invert)
            m_frame->Action(ID_PALETTE_INVERT)->trigger();
        Drag(Qt::RightButton, Qt::NoModifier, at, at + row.move);
        EXPECT_EQ(View()->Palette().m_nPaletteShift, row.wantShift);
        EXPECT_FLOAT_EQ(View()->Palette().m_fPaletteScale, row.wantScale);
    }

    const auto rotation = g_projection3D.GetRotation();
    const auto translation = g_projection3D.GetTranslation();
    for (const Qt::KeyboardModifier keys : {Qt::ControlModifier, Qt::ShiftModifier})
        Drag(Qt::LeftButton, keys, at, {340, 260});
    EXPECT_EQ(g_runState.GetDisplayRange().dFreqMax, 10000);
    EXPECT_EQ(g_projection3D.GetRotation(), rotation);
    EXPECT_EQ(g_projection3D.GetTranslation(), translation);
    EXPECT_TRUE(PaneReads(0, QStringLiteral(" ")));
}

// On the surface a Ctrl drag turns the scene a degree a pixel with the guide
// lines on, a Shift drag moves it nearer; Reset Plot puts the camera and the
// range back but leaves the palette.
TEST_F(ViewCommands, CtrlAndShiftDragsTurnAndZoomTheSurfaceUntilResetPlot) {
    Keys(Qt::Key_U, kCtrlAlt);
    const double r = g_startupSettings.m_nSurfaceRows;
    QTest::mousePress(Surface(), Qt::LeftButton, Qt::ControlModifier, {300, 200});
    QTest::mouseEvent(QTest::MouseMove, Surface(), Qt::NoButton, Qt::ControlModifier, {330, 210});
    EXPECT_TRUE(PaneReads(0, QStringLiteral("Click+Drag to Rotate View")));
    EXPECT_TRUE(View()->SurfacePlot().GetShowAxes());
    EXPECT_TRUE(View()->BarsPlot().GetShowBox());
    QTest::mouseRelease(Surface(), Qt::LeftButton, Qt::ControlModifier, {330, 210});
    EXPECT_EQ(g_projection3D.GetRotation(), (std::array<double, 3>{10, 30, 0}));

    Drag(Qt::LeftButton, Qt::ShiftModifier, {300, 200}, {300, 150}); // up: nearer
    EXPECT_EQ(g_projection3D.GetTranslation(), (std::array<double, 3>{0, 0, -1.6 * r + 50}));
    Drag(Qt::LeftButton, Qt::NoModifier, {300, 200}, {290, 200});
    Drag(Qt::RightButton, Qt::NoModifier, {300, 200}, {320, 200});
    EXPECT_TRUE(PaneReads(
        0, QStringLiteral("Click+Drag Left Mouse=Range, Shift/Ctrl=View, Right Mouse=Color")));
    EXPECT_FALSE(View()->SurfacePlot().GetShowAxes());

    Keys(Qt::Key_Z, kCtrlAlt);
    EXPECT_EQ(g_projection3D.GetRotation(), (std::array<double, 3>{0, 0, 0}));
    EXPECT_EQ(g_projection3D.GetTranslation(), (std::array<double, 3>{0, 0, -1.6 * r}));
    EXPECT_EQ(g_runState.GetDisplayRange().dFreqMin, kDefaultDisplayRange.dFreqMin);
    EXPECT_EQ(g_runState.GetDisplayRange().dFreqMax, kDefaultDisplayRange.dFreqMax);
    EXPECT_EQ(View()->Palette().m_nPaletteShift, 20) << "Reset Plot leaves the palette";
}

// Help opens the page under the current directory, else the installed copy,
// else the current directory's address all the same.
TEST_F(ViewCommands, HelpOpensTheLocalPageTheInstalledOneOrTheExpectedAddress) {
    acqtest::CTempDir dir;
    const std::string installed = dir.Write("Installed.htm", {'<', 'p', '>'});
    const QString cwd = QDir::currentPath();
    std::vector<QUrl> opened;
    CTamselView::SetUrlOpener([&](const QUrl& url) {
        opened.push_back(url);
        return opened.size() < 3; // the browser fails the last time
    });
    CTamselView::SetInstalledHelpFile(QString::fromStdString(installed));
    // '#' and '?' in the directory must stay in the file's path.
    const QString work = QString::fromStdString(dir.Path()) + "/Help #1?";
    const QString local = work + "/HTML/TamselHelp.htm";
    std::filesystem::create_directories(work.toStdString() + "/HTML");
    ASSERT_TRUE(QDir::setCurrent(work));

    QAction* help = m_frame->Action(ID_CONTEXT_HELP);
    QTest::mouseClick(m_frame->ToolBar()->widgetForAction(help), Qt::LeftButton);
    std::filesystem::remove(installed);
    m_frame->Action(ID_HELP_FINDER)->trigger();
    std::ofstream(local.toStdString()) << "<p>";
    m_frame->Action(ID_HELP_FINDER)->trigger();
    QDir::setCurrent(cwd);

    ASSERT_EQ(opened.size(), 3u);
    EXPECT_EQ(opened[0].toLocalFile(), QString::fromStdString(installed));
    EXPECT_EQ(opened[1].toLocalFile(), local) << "neither: the usual address";
    EXPECT_EQ(opened[2].toLocalFile(), local);
    ASSERT_EQ(g_messages.size(), 2u) << "the capture device's, then the browser's";
    EXPECT_EQ(g_messages[1], std::make_pair(2, std::string("Can't open help file in a browser")));
}

// Run that cannot start capture stays stopped: no RUN pane, no running
// status, Run unchecked. Without a device (reported at start-up) it says
// nothing more; a device that initialised but does not start is named with
// its reason, once for the first run and once for each Run after, until it
// starts. Run while running then stops capture while the worker threads go
// on, and the next Run starts the device again.
TEST_F(ViewCommands, RunThatCannotStartCaptureStaysStoppedAndSaysWhyOncePerTryElseItToggles) {
    const auto stopped = [&] {
        EXPECT_TRUE(PaneReads(2, QStringLiteral("STOP")));
        EXPECT_FALSE(g_runState.IsAcquiring()) << "the run status panel reads it";
        EXPECT_FALSE(Checked(ID_FILE_RUN));
    };
    ASSERT_TRUE(QTest::qWaitFor([&] { return View()->Ticks() >= 7; }, 3000));
    stopped();
    Keys(Qt::Key_R, Qt::ControlModifier);
    stopped();
    ASSERT_EQ(g_messages.size(), 1u) << "only the start-up's";
    EXPECT_EQ(g_messages[0].second, "Couldn't initialize sound capture device");

    const auto script = std::make_shared<acqtest::SScript>();
    script->failAt = acqtest::EFailAt::Start;
    script->error = "the capture stream can't start: Device unavailable";
    CTamselView::SetBackendFactory([script](const std::string&) {
        return std::make_unique<acqtest::CScriptedBackend>(script);
    });
    g_messages.clear();
    ShowFrame();
    const std::pair<int, std::string> why = {2, "Couldn't start sound capture device scripted\n" +
                                                    script->error};
    ASSERT_TRUE(QTest::qWaitFor([&] { return View()->Ticks() >= 7; }, 3000));
    stopped();
    EXPECT_EQ(g_messages, (std::vector{why}));
    Keys(Qt::Key_R, Qt::ControlModifier);
    stopped();
    EXPECT_EQ(g_messages, (std::vector{why, why}));

    script->failAt = acqtest::EFailAt::Nothing;
    Keys(Qt::Key_R, Qt::ControlModifier);
    EXPECT_TRUE(PaneReads(2, QStringLiteral("RUN")));
    EXPECT_TRUE(g_runState.IsAcquiring());
    EXPECT_TRUE(Checked(ID_FILE_RUN));
    EXPECT_EQ(g_messages.size(), 2u);
    ASSERT_TRUE(QTest::qWaitFor([&] { return g_runState.GetRenderThreadState() == 1; }, 3000));
    Keys(Qt::Key_R, Qt::ControlModifier);
    EXPECT_FALSE(Checked(ID_FILE_RUN));
    EXPECT_TRUE(PaneReads(2, QStringLiteral("STOP")));
    for (const int state : {g_runState.GetInputThreadState(), g_runState.GetRenderThreadState(),
                            g_runState.GetScreenshotThreadState()})
        EXPECT_EQ(state, 1) << "the threads go on";
    const int starts = script->starts;
    Keys(Qt::Key_R, Qt::ControlModifier);
    EXPECT_TRUE(PaneReads(2, QStringLiteral("RUN")));
    EXPECT_EQ(script->starts, starts + 1);
}

// A display costs CPU for every frame, so it draws only for a change. While
// acquiring, new rows keep it drawing. Stopped, with the run-status panel
// off, not one frame is drawn however many ticks pass, until a command
// changes the picture; with the panel on, a frame about every second for its
// clock.
TEST_F(ViewCommands, AStoppedDisplayDrawsOnlyForAChangeOrTheRunStatusClock) {
    const acqtest::CTempDir dir;
    const std::string input =
        dir.Write("tone.wav", acqtest::Wav(acqtest::Tone(1000.0, 8000.0, 2 * kSampleRate)));
    ASSERT_NO_FATAL_FAILURE(ShowFramePlaying(input));
    const auto afterTicks = [&](int ticks) {
        const int until = View()->Ticks() + ticks;
        return QTest::qWaitFor([&] { return View()->Ticks() >= until; }, 100 * ticks + 10000);
    };
    const std::int64_t running = View()->DrawCount();
    ASSERT_TRUE(afterTicks(10));
    EXPECT_GT(View()->DrawCount(), running + 2) << "new rows are drawn";

    Keys(Qt::Key_R, Qt::ControlModifier); // stop
    ASSERT_FALSE(View()->IsAcquiring());
    m_frame->Action(ID_VIEW_RUN_STATUS)->trigger();
    ASSERT_FALSE(Checked(ID_VIEW_RUN_STATUS));
    ASSERT_TRUE(afterTicks(3)); // the last blocks and the panel's removal
    const std::int64_t stopped = View()->DrawCount();
    ASSERT_TRUE(afterTicks(30));
    EXPECT_EQ(View()->DrawCount(), stopped) << "30 ticks without a change";

    m_frame->Action(ID_PALETTE_INVERT)->trigger();
    EXPECT_TRUE(QTest::qWaitFor([&] { return View()->DrawCount() > stopped; }, 3000));

    m_frame->Action(ID_VIEW_RUN_STATUS)->trigger();
    ASSERT_TRUE(afterTicks(3));
    const std::int64_t clock = View()->DrawCount();
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(afterTicks(35));
    const auto seconds =
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - start)
            .count();
    EXPECT_GE(View()->DrawCount() - clock, 2);
    EXPECT_LE(View()->DrawCount() - clock, seconds + 2) << "one a second";
}

} // namespace
