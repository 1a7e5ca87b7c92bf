// The view's commands, mouse drags and status hints through the real window:
// key sequences and toolbar clicks on the main frame, mouse events on the
// view, and what the menu items and the status-bar panes then show.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QTest>
#include <QToolBar>
#include <QUrl>

#include <filesystem>
#include <fstream>
#include <memory>

#include "app/MainFrame.h"
#include "app/MessageBoxPresenter.h"
#include "base/RunState.h"
#include "base/StartupSettings.h"
#include "plots/Projection.h"
#include "presets/TamselDoc.h"
#include "resources/Resource.h"
#include "tests/acquisition/AcquisitionTestSupport.h"
#include "tests/gui/GuiTestApp.h"
#include "view/TamselView.h"

namespace {

const Qt::KeyboardModifiers kCtrlAlt = Qt::ControlModifier | Qt::AltModifier;
std::vector<std::pair<int, std::string>> g_messages;

class ViewCommands : public ::testing::Test {
protected:
    void SetUp() override {
        if (GuiTestApp() == nullptr)
            GTEST_SKIP() << "needs an X display (run under xvfb-run)";
        g_messages.clear();
        CMessageBoxPresenter::SetTestSink(
            [](int level, const std::string& text) { g_messages.emplace_back(level, text); });
        m_frame = std::make_unique<CMainFrame>(&m_doc);
        m_frame->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_frame.get()));
        QApplication::setActiveWindow(m_frame.get());
        m_frame->activateWindow();
        m_view = m_frame->View();
        QTest::qWait(50);
    }
    void TearDown() override {
        if (m_frame)
            m_frame->close();
        m_frame.reset();
        CTamselView::SetBackendFactory(nullptr);
        CTamselView::SetUrlOpener(nullptr);
        CTamselView::SetInstalledHelpFile({});
        CMessageBoxPresenter::SetTestSink(nullptr);
    }

    void Keys(Qt::Key key, Qt::KeyboardModifiers modifiers) {
        QTest::keyClick(m_frame.get(), key, modifiers);
    }
    bool Checked(int id) const { return m_frame->Action(id)->isChecked(); }
    bool Enabled(int id) const { return m_frame->Action(id)->isEnabled(); }
    // A press at `from`, one move to `to`, a release; the keys held all along.
    void Drag(Qt::MouseButton button, Qt::KeyboardModifiers keys, QPoint from, QPoint to) {
        QTest::mousePress(m_view, button, keys, from);
        QTest::mouseEvent(QTest::MouseMove, m_view, Qt::NoButton, keys, to);
        QTest::mouseRelease(m_view, button, keys, to);
    }
    // The pane's text once the timer's next redraw has set it.
    bool PaneReads(int pane, const QString& text, int timeoutMs = 2000) {
        return QTest::qWaitFor([&] { return m_frame->PaneText(pane) == text; }, timeoutMs);
    }

    CTamselDoc m_doc;
    std::unique_ptr<CMainFrame> m_frame;
    CTamselView* m_view = nullptr;
};

TEST_F(ViewCommands, PlotTypeKeysCheckTheirMenuItemOnly) {
    const struct {
        Qt::Key key;
        int command, type;
    } table[] = {
        {Qt::Key_S, ID_PLOT_WATERFALL, PLOT_WATERFALL}, {Qt::Key_U, ID_PLOT_SURFACE, PLOT_SURFACE},
        {Qt::Key_B, ID_PLOT_BARS, PLOT_BARS},           {Qt::Key_M, ID_PLOT_METERS, PLOT_METERS},
        {Qt::Key_H, ID_PLOT_HISTOGRAM, PLOT_HISTOGRAM},
    };
    for (const auto& row : table) {
        SCOPED_TRACE(row.command);
        Keys(row.key, kCtrlAlt);
        EXPECT_EQ(m_view->PlotType(), row.type);
        for (const auto& other : table)
            EXPECT_EQ(Checked(other.command), other.command == row.command);
    }
}

// The images are compiled in: a lost resource would leave blank buttons.
TEST_F(ViewCommands, EveryToolbarButtonShowsItsOwnImage) {
    std::vector<QImage> seen;
    for (QAction* action : m_frame->ToolBar()->actions()) {
        if (action->isSeparator())
            continue;
        SCOPED_TRACE(action->toolTip().toStdString());
        const QImage image = action->icon().pixmap(16, 16).toImage();
        ASSERT_EQ(image.size(), QSize(16, 16));
        int opaque = 0;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x)
                opaque += qAlpha(image.pixel(x, y)) > 0;
        EXPECT_GT(opaque, 20);
        EXPECT_EQ(std::count(seen.begin(), seen.end(), image), 0);
        seen.push_back(image);
    }
    EXPECT_EQ(seen.size(), 15u);
}

// The scale panel shows magnitudes as colours: only with the waterfall and
// the surface may it be switched, and it keeps its flag meanwhile.
TEST_F(ViewCommands, MagnitudeScaleIsGreyedButStaysCheckedAwayFromColourPlots) {
    Keys(Qt::Key_S, kCtrlAlt);
    ASSERT_TRUE(Checked(ID_VIEW_MAGNITUDE_SCALE));
    ASSERT_TRUE(Enabled(ID_VIEW_MAGNITUDE_SCALE));
    Keys(Qt::Key_H, kCtrlAlt);
    EXPECT_FALSE(Enabled(ID_VIEW_MAGNITUDE_SCALE));
    EXPECT_TRUE(Checked(ID_VIEW_MAGNITUDE_SCALE));
    EXPECT_EQ(m_view->GetPanelCount(), 3) << "info, run status, VU meter";
    Keys(Qt::Key_S, kCtrlAlt);
    EXPECT_TRUE(Enabled(ID_VIEW_MAGNITUDE_SCALE));
    EXPECT_EQ(m_view->GetPanelCount(), 4);
}

TEST_F(ViewCommands, PlotOnlyTwiceRestoresThePanelSet) {
    m_frame->Action(ID_VIEW_VU_METER)->trigger(); // off
    m_frame->Action(ID_VIEW_VOLUME)->trigger();   // off
    const std::int32_t flags = m_view->PanelFlags();
    ASSERT_EQ(flags, kDefaultPanelFlags & ~(PANEL_VUMETER | PANEL_VOLUME));
    QAction* plotOnly = m_frame->Action(ID_VIEW_PLOT_ONLY);
    QTest::mouseClick(m_frame->ToolBar()->widgetForAction(plotOnly), Qt::LeftButton);
    EXPECT_TRUE(Checked(ID_VIEW_PLOT_ONLY));
    EXPECT_EQ(m_view->GetPanelCount(), 0);
    for (int id : {ID_VIEW_PROGRAM_INFO, ID_VIEW_RUN_STATUS, ID_VIEW_VU_METER, ID_VIEW_VOLUME})
        EXPECT_FALSE(Enabled(id)) << id;
    EXPECT_TRUE(Checked(ID_VIEW_PROGRAM_INFO)) << "greyed items keep their check marks";
    QTest::mouseClick(m_frame->ToolBar()->widgetForAction(plotOnly), Qt::LeftButton);
    EXPECT_FALSE(Checked(ID_VIEW_PLOT_ONLY));
    EXPECT_EQ(m_view->PanelFlags(), flags);
    EXPECT_FALSE(Checked(ID_VIEW_VU_METER));
    EXPECT_TRUE(Enabled(ID_VIEW_VU_METER));
}

// Left drags move the frequency range, right drags shape the palette; each
// row starts from its own range and palette.
TEST_F(ViewCommands, DragsClampTheRangeAndShapeThePalette) {
    const QPoint at(300, 200);
    const struct {
        const char* what;
        Qt::MouseButton button;
        QPoint move;
        double fmin, span; // before
        bool invert;       // palette inverted before
        double wantMin, wantMax, wantSpan;
        int wantShift;
        float wantScale;
    } table[] = {
        {"right from 5 Hz: the floor", Qt::LeftButton, {2, 0}, 5, 1000, false, 1, 1001, 1000, 0, 1},
        {"down: the minimum span",
         Qt::LeftButton,
         {0, 20},
         1000,
         300,
         false,
         1000,
         1100,
         100,
         0,
         1},
        {"left to 19990 Hz: the ceiling",
         Qt::LeftButton,
         {-99, 0},
         19000,
         200,
         false,
         19990,
         20000,
         10,
         0,
         1},
        {"far left: the start's ceiling",
         Qt::LeftButton,
         {-5000, 0},
         1000,
         100,
         false,
         19990,
         20000,
         10,
         0,
         1},
        {"diagonal right drag: the scale",
         Qt::RightButton,
         {5, 5},
         1,
         9999,
         false,
         1,
         10000,
         9999,
         0,
         1.05f},
        {"sideways right drag: the shift",
         Qt::RightButton,
         {-7, 2},
         1,
         9999,
         false,
         1,
         10000,
         9999,
         -7,
         1},
        {"inverted: against the drag",
         Qt::RightButton,
         {7, 2},
         1,
         9999,
         true,
         1,
         10000,
         9999,
         -7,
         1},
        {"up: a smaller scale", Qt::RightButton, {0, -1}, 1, 9999, false, 1, 10000, 9999, 0, 0.95f},
    };
    for (const auto& row : table) {
        SCOPED_TRACE(row.what);
        g_runState.SetDisplayRange({row.fmin, row.fmin + row.span, row.span, 0.0, 1.0, false});
        m_frame->Action(ID_PALETTE_RESET)->trigger();
        if (row.invert)
            m_frame->Action(ID_PALETTE_INVERT)->trigger();
        Drag(row.button, Qt::NoModifier, at, at + row.move);
        const SDisplayRange range = g_runState.GetDisplayRange();
        EXPECT_DOUBLE_EQ(range.dFreqMin, row.wantMin);
        EXPECT_DOUBLE_EQ(range.dFreqMax, row.wantMax);
        EXPECT_DOUBLE_EQ(range.dFreqSpan, row.wantSpan);
        EXPECT_EQ(m_view->Palette().m_nPaletteShift, row.wantShift);
        EXPECT_FLOAT_EQ(m_view->Palette().m_fPaletteScale, row.wantScale);
    }
}

// On the histogram Ctrl and Shift drags have nothing to turn: no change, and
// the hint pane shows a single space while Ctrl is held.
TEST_F(ViewCommands, CtrlDragOnTheHistogramChangesNothing) {
    const SDisplayRange before = g_runState.GetDisplayRange();
    const auto rotation = g_projection3D.GetRotation();
    const auto translation = g_projection3D.GetTranslation();
    Drag(Qt::LeftButton, Qt::ControlModifier, {300, 200}, {340, 260});
    Drag(Qt::LeftButton, Qt::ShiftModifier, {300, 200}, {340, 260});
    Drag(Qt::LeftButton, Qt::ControlModifier, {300, 200}, {340, 260});
    const SDisplayRange after = g_runState.GetDisplayRange();
    EXPECT_EQ(after.dFreqMin, before.dFreqMin);
    EXPECT_EQ(after.dFreqMax, before.dFreqMax);
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
    QTest::mousePress(m_view, Qt::LeftButton, Qt::ControlModifier, {300, 200});
    QTest::mouseEvent(QTest::MouseMove, m_view, Qt::NoButton, Qt::ControlModifier, {330, 210});
    EXPECT_TRUE(PaneReads(0, QStringLiteral("Click+Drag to Rotate View")));
    EXPECT_TRUE(m_view->SurfacePlot().GetShowAxes());
    EXPECT_TRUE(m_view->BarsPlot().GetShowBox());
    QTest::mouseRelease(m_view, Qt::LeftButton, Qt::ControlModifier, {330, 210});
    EXPECT_EQ(g_projection3D.GetRotation(), (std::array<double, 3>{10, 30, 0}));

    Drag(Qt::LeftButton, Qt::ShiftModifier, {300, 200}, {300, 150}); // up: nearer
    EXPECT_EQ(g_projection3D.GetTranslation(), (std::array<double, 3>{0, 0, -1.6 * r + 50}));
    Drag(Qt::LeftButton, Qt::NoModifier, {300, 200}, {290, 200});
    Drag(Qt::RightButton, Qt::NoModifier, {300, 200}, {320, 200});
    EXPECT_TRUE(PaneReads(
        0, QStringLiteral("Click+Drag Left Mouse=Range, Shift/Ctrl=View, Right Mouse=Color")));
    EXPECT_FALSE(m_view->SurfacePlot().GetShowAxes());

    Keys(Qt::Key_Z, kCtrlAlt);
    EXPECT_EQ(g_projection3D.GetRotation(), (std::array<double, 3>{0, 0, 0}));
    EXPECT_EQ(g_projection3D.GetTranslation(), (std::array<double, 3>{0, 0, -1.6 * r}));
    EXPECT_EQ(g_runState.GetDisplayRange().dFreqMin, kDefaultDisplayRange.dFreqMin);
    EXPECT_EQ(g_runState.GetDisplayRange().dFreqMax, kDefaultDisplayRange.dFreqMax);
    EXPECT_EQ(m_view->Palette().m_nPaletteShift, 20) << "Reset Plot leaves the palette";
}

TEST_F(ViewCommands, RangePaneFollowsTheDragInHzOrKHz) {
    EXPECT_TRUE(PaneReads(1, QStringLiteral("F(0.00->10.00KHz),M(-100-> 0dB)")));
    g_runState.SetDisplayRange({20, 999, 979, 0.001, 0.5, false});
    EXPECT_TRUE(PaneReads(1, QStringLiteral("F(0020-> 999Hz),M(-60->-6dB)")));
    QTest::mousePress(m_view, Qt::LeftButton, Qt::NoModifier, {300, 200});
    QTest::mouseEvent(QTest::MouseMove, m_view, Qt::NoButton, Qt::NoModifier, {300, 199});
    EXPECT_TRUE(PaneReads(1, QStringLiteral("F(0.02->1.02KHz),M(-60->-6dB)")));
    EXPECT_TRUE(
        PaneReads(0, QStringLiteral("Click+Drag L/R Offsets Frequency,Up/Down Scales Range")));
    QTest::mouseRelease(m_view, Qt::LeftButton, Qt::NoModifier, {300, 199});
}

// Help opens the page under the current directory, else the installed copy,
// else the current directory's address all the same.
TEST_F(ViewCommands, HelpOpensTheLocalPageTheInstalledOneOrTheExpectedAddress) {
    acqtest::CTempDir dir;
    const std::string installed = dir.Write("Installed.htm", {'<', 'p', '>'});
    const QString cwd = QDir::currentPath();
    std::vector<QUrl> opened;
    bool opens = true;
    CTamselView::SetUrlOpener([&](const QUrl& url) {
        opened.push_back(url);
        return opens;
    });
    CTamselView::SetInstalledHelpFile(QString::fromStdString(installed));
    QAction* help = m_frame->Action(ID_CONTEXT_HELP);
    const QString work = QString::fromStdString(dir.Path());
    const QString local = work + "/HTML/TamselHelp.htm";
    ASSERT_TRUE(QDir::setCurrent(work));

    QTest::mouseClick(m_frame->ToolBar()->widgetForAction(help), Qt::LeftButton);
    std::filesystem::remove(installed);
    m_frame->Action(ID_HELP_FINDER)->trigger();
    std::filesystem::create_directories(dir.Path() + "/HTML");
    std::ofstream(local.toStdString()) << "<p>";
    m_frame->Action(ID_HELP_FINDER)->trigger();
    const QString odd = work + "/Help #1?";
    std::filesystem::create_directories(odd.toStdString() + "/HTML");
    std::ofstream(odd.toStdString() + "/HTML/TamselHelp.htm") << "<p>";
    ASSERT_TRUE(QDir::setCurrent(odd));
    opens = false;
    m_frame->Action(ID_HELP_FINDER)->trigger();
    QDir::setCurrent(cwd);

    ASSERT_EQ(opened.size(), 4u);
    EXPECT_EQ(opened[3].toLocalFile(), odd + "/HTML/TamselHelp.htm") << "'#' and '?' are kept";
    EXPECT_EQ(opened[0].toString(), "file://" + QString::fromStdString(installed));
    EXPECT_EQ(opened[1].toString(), "file://" + local) << "neither: the usual address";
    EXPECT_EQ(opened[2].toString(), "file://" + local);
    ASSERT_EQ(g_messages.size(), 2u) << "the capture device's, then the browser's";
    EXPECT_EQ(g_messages[1], std::make_pair(2, std::string("Can't open help file in a browser")));
}

// Run stops capture while the worker threads go on; the run pane says so at
// the next redraw.
class ViewCommandsRunning : public ViewCommands {
protected:
    void SetUp() override {
        m_script = std::make_shared<acqtest::SScript>();
        CTamselView::SetBackendFactory(
            [script = m_script] { return std::make_unique<acqtest::CScriptedBackend>(script); });
        ViewCommands::SetUp();
    }
    std::shared_ptr<acqtest::SScript> m_script;
};

TEST_F(ViewCommandsRunning, RunWhileRunningStopsCaptureButNotTheThreads) {
    ASSERT_TRUE(QTest::qWaitFor([&] { return g_runState.GetRenderThreadState() == 1; }, 3000));
    EXPECT_TRUE(PaneReads(2, QStringLiteral("RUN")));
    EXPECT_TRUE(Checked(ID_FILE_RUN));
    Keys(Qt::Key_R, Qt::ControlModifier);
    EXPECT_FALSE(m_view->IsAcquiring());
    EXPECT_FALSE(Checked(ID_FILE_RUN));
    EXPECT_TRUE(PaneReads(2, QStringLiteral("STOP")));
    EXPECT_EQ(g_runState.GetInputThreadState(), 1);
    EXPECT_EQ(g_runState.GetRenderThreadState(), 1);
    EXPECT_EQ(g_runState.GetScreenshotThreadState(), 1);
    Keys(Qt::Key_R, Qt::ControlModifier);
    EXPECT_TRUE(PaneReads(2, QStringLiteral("RUN")));
    EXPECT_EQ(m_script->starts, 2);
}

} // namespace
