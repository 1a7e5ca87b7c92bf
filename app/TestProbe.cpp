// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/TestProbe.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QUrl>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <ctime>
#include <fstream>
#include <iterator>

#include "acquisition/CaptureDevice.h"
#include "analysis/HistoryBuffers.h"
#include "app/DebugDlg.h"
#include "app/MainFrame.h"
#include "app/MessageBoxPresenter.h"
#include "app/RandomSwitcher.h"
#include "base/DebugLog.h"
#include "base/RunState.h"
#include "recording/CaptureSettingsDlg.h"
#include "recording/VideoWriter.h"
#include "resources/Resource.h"
#include "view/TamselView.h"

namespace {
QString Rect(const QRect& r) {
    return QStringLiteral("%1,%2,%3x%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
}

std::int64_t SteadyUs() {
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// The capture files' name templates, in the current folder.
const char* const kAviTemplate = "capture-####.avi";
const char* const kWavTemplate = "capture-####.wav";

// The OpenGL errors the view traced (view/ScreenShot.h: "NAME in WHERE").
qsizetype GlErrorCount(const QString& trace) {
    return trace.count(QLatin1String(" in OnDraw")) +
           trace.count(QLatin1String(" in takeScreenShot"));
}
} // namespace

CTestProbe* CTestProbe::CreateFromEnvironment() {
    const QByteArray path = qgetenv("VIREON_TEST_STATE");
    if (path.isEmpty())
        return nullptr;
    std::FILE* file = std::fopen(path.constData(), "a");
    if (!file)
        return nullptr;
    auto* probe = new CTestProbe(file);
    probe->m_strPath = QString::fromLocal8Bit(path);
    s_pInstance = probe;
    CMessageBoxPresenter::SetTestSink(&CTestProbe::OnMessage);
    const QString script = QString::fromLocal8Bit(qgetenv("VIREON_TEST_SCRIPT"));
    for (const QString& item : script.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const qsizetype colon = item.indexOf(QLatin1Char(':'));
        if (colon <= 0)
            continue;
        const QString when = item.left(colon).trimmed();
        const QString action = item.mid(colon + 1).trimmed();
        const qsizetype slash = when.indexOf(QLatin1Char('/'));
        if (slash > 0 && when.mid(slash + 1).toInt() > 0)
            probe->m_repeats.push_back(
                {when.left(slash).toInt(), when.mid(slash + 1).toInt(), action});
        else
            probe->m_script.emplace(when.toInt(), action);
    }
    const QStringList onsets =
        QString::fromLocal8Bit(qgetenv("VIREON_TEST_ONSETS")).split(QLatin1Char(':'));
    if (onsets.size() == 4) {
        probe->m_onsetWatch = {onsets[0].toLongLong(), onsets[1].toLongLong(), onsets[2].toDouble(),
                               onsets[3].toInt()};
    }
    return probe;
}

CTestProbe::CTestProbe(std::FILE* file) : m_pFile(file) {}

CTestProbe::~CTestProbe() {
    CMessageBoxPresenter::SetTestSink(nullptr);
    s_pInstance = nullptr;
    std::fclose(m_pFile);
}

void CTestProbe::OnMessage(int level, const std::string& text) {
    QString line = QString::fromLocal8Bit(text.c_str());
    line.remove(QLatin1Char('\r'));
    line.replace(QLatin1Char('\n'), QLatin1Char(' '));
    if (s_pInstance)
        s_pInstance->Write(QStringLiteral("message level=%1 text=%2").arg(level).arg(line));
}

std::int64_t CTestProbe::MonotonicMs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<std::int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

void CTestProbe::AnswerNextModal(std::function<bool(QWidget* modal)> answer) {
    // A modal window shows from inside the command that the caller runs
    // next, so the answer looks for it from the loop that window runs.
    auto* timer = new QTimer(qApp);
    timer->setInterval(10);
    auto tries = std::make_shared<int>(300);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, tries, answer = std::move(answer)] {
        QWidget* modal = QApplication::activeModalWidget();
        if ((modal != nullptr && modal->isVisible() && answer(modal)) || --*tries <= 0) {
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start();
}

void CTestProbe::Write(const QString& line) {
    const QByteArray bytes = line.toUtf8();
    std::fprintf(m_pFile, "%s\n", bytes.constData());
    std::fflush(m_pFile);
}

void CTestProbe::Attach(CMainFrame* frame) {
    m_pFrame = frame;
    frame->View()->SetTickObserver([this](std::int32_t tick) { OnTick(tick); });
    if (m_onsetWatch.nPeriod > 0 && m_onsetWatch.nCount > 0) {
        frame->View()->SetFrameObserver(
            [this](std::int64_t beginUs, std::int64_t endUs) { OnFrame(beginUs, endUs); });
        m_onsetThread = std::jthread(
            [this, watch = m_onsetWatch](std::stop_token stop) { WatchOnsets(stop, watch); });
    }
    Write(QStringLiteral("start t=%1 pid=%2").arg(MonotonicMs()).arg(::getpid()));
}

void CTestProbe::WriteGeometry() {
    CTamselView* view = m_pFrame->View();
    const QRect viewRect(view->mapTo(m_pFrame, QPoint(0, 0)), view->size());
    QToolBar* toolbar = m_pFrame->ToolBar();
    QStatusBar* status = m_pFrame->statusBar();
    const bool fixed = m_pFrame->minimumSize() == m_pFrame->maximumSize();
    const QRect onScreen(m_pFrame->mapToGlobal(QPoint(0, 0)), m_pFrame->size());
    Write(QStringLiteral("screen window=%1").arg(Rect(onScreen)));
    Write(
        QStringLiteral("geometry frame=%1 view=%2 toolbar=%3 status=%4 fixed=%5 toolbarVisible=%6 "
                       "statusVisible=%7 panes=%8,%9,%10")
            .arg(Rect(QRect(QPoint(0, 0), m_pFrame->size())), Rect(viewRect),
                 Rect(toolbar->geometry()), Rect(status->geometry()))
            .arg(fixed ? 1 : 0)
            .arg(toolbar->isVisible() ? 1 : 0)
            .arg(status->isVisible() ? 1 : 0)
            .arg(m_pFrame->Pane(0)->width())
            .arg(m_pFrame->Pane(1)->width())
            .arg(m_pFrame->Pane(2)->width()));
    Write(QStringLiteral("title %1").arg(m_pFrame->windowTitle()));
}

void CTestProbe::WriteThreads(const char* event, std::int32_t tick) {
    CTamselView* view = m_pFrame->View();
    Write(QStringLiteral("%1 tick=%2 input=%3 render=%4 screenshot=%5 acquiring=%6 capturing=%7 "
                         "draws=%8 drawMs=%9 drawAvgMs=%10 drawUs=%11 t=%12")
              .arg(QLatin1String(event))
              .arg(tick)
              .arg(g_runState.GetInputThreadState())
              .arg(g_runState.GetRenderThreadState())
              .arg(g_runState.GetScreenshotThreadState())
              .arg(view->IsAcquiring() ? 1 : 0)
              .arg(IsCapturing() ? 1 : 0)
              .arg(view->DrawCount())
              .arg(view->LastDrawMs())
              .arg(view->AverageDrawMs())
              .arg(view->DrawTimeUs())
              .arg(MonotonicMs()));
}

void CTestProbe::WriteDebugState() {
    CDebugDlg& dlg = m_pFrame->DebugDlg();
    QString trace = QString::fromLocal8Bit(CTraceLog::Instance().Text());
    trace.remove(QLatin1Char('\r'));
    const QString shown = dlg.ShownText();
    // Timing lines come from this thread only, so their counts are exact.
    const QLatin1String timing("Plot: ");
    Write(QStringLiteral("debug visible=%1 windowVisible=%2 paused=%3 traceChars=%4 shownChars=%5 "
                         "shownIsTracePrefix=%6 traceTiming=%7 shownTiming=%8")
              .arg(dlg.IsVisible() ? 1 : 0)
              .arg(dlg.isVisible() ? 1 : 0)
              .arg(dlg.IsPaused() ? 1 : 0)
              .arg(trace.size())
              .arg(shown.size())
              .arg(!shown.isEmpty() && trace.startsWith(shown) ? 1 : 0)
              .arg(trace.count(timing))
              .arg(shown.count(timing)));
}

void CTestProbe::Perform(const QString& action, std::int32_t tick) {
    const auto trigger = [this](int id) {
        if (QAction* a = m_pFrame->Action(id))
            a->trigger();
    };
    if (action == QLatin1String("debug")) {
        trigger(ID_DEBUG_WINDOW);
        WriteDebugState();
    } else if (action == QLatin1String("debugstate")) {
        WriteDebugState();
    } else if (action == QLatin1String("pause")) {
        m_pFrame->DebugDlg().OnPause();
        WriteDebugState();
    } else if (action == QLatin1String("resume")) {
        m_pFrame->DebugDlg().OnResume();
        WriteDebugState();
    } else if (action == QLatin1String("run")) {
        trigger(ID_FILE_RUN);
        WriteThreads("run", tick);
    } else if (action == QLatin1String("timing")) {
        trigger(ID_SHOW_TIMING);
    } else if (action == QLatin1String("statusbar")) {
        trigger(ID_VIEW_STATUS_BAR);
        WriteGeometry();
    } else if (action == QLatin1String("geometry")) {
        WriteGeometry();
    } else if (action.startsWith(QLatin1String("plot="))) {
        // Through the Plot menu, as a user picks it.
        static constexpr int kPlotCommands[] = {ID_PLOT_HISTOGRAM, ID_PLOT_WATERFALL,
                                                ID_PLOT_SURFACE, ID_PLOT_BARS, ID_PLOT_METERS};
        const int type = action.mid(5).toInt();
        if (type >= 0 && type < static_cast<int>(std::size(kPlotCommands)))
            trigger(kPlotCommands[type]);
    } else if (action == QLatin1String("grab")) {
        const QString file = m_strPath + QStringLiteral("-%1.ppm").arg(tick);
        const bool saved = m_pFrame->View()
                               ->grabFramebuffer()
                               .convertToFormat(QImage::Format_RGB888)
                               .save(file, "PPM");
        Write(
            QStringLiteral("grab tick=%1 saved=%2 file=%3").arg(tick).arg(saved ? 1 : 0).arg(file));
    } else if (action == QLatin1String("rainbow")) {
        trigger(ID_PALETTE_RAINBOW);
    } else if (action == QLatin1String("decibel")) {
        trigger(ID_VIEW_DECIBEL_SCALE);
    } else if (action == QLatin1String("logaxis")) {
        trigger(ID_VIEW_LOG_FREQUENCY);
    } else if (action == QLatin1String("peak")) {
        trigger(ID_VIEW_PEAK_READOUT);
    } else if (action == QLatin1String("maxhold")) {
        trigger(ID_VIEW_MAX_HOLD);
    } else if (action.startsWith(QLatin1String("average="))) {
        // Through the View > Average submenu.
        const int blocks = action.mid(8).toInt();
        for (int id = ID_VIEW_AVERAGE_OFF; id <= ID_VIEW_AVERAGE_32; ++id)
            if (CTamselView::AverageCommandBlocks(id) == blocks)
                trigger(id);
    } else if (action == QLatin1String("scale")) {
        const SDisplayScale scale = m_pFrame->View()->GetDisplayScale();
        const SMeasureOptions measure = m_pFrame->View()->GetMeasureOptions();
        Write(QStringLiteral("scale tick=%1 decibel=%2 log=%3 peak=%4 average=%5 maxhold=%6")
                  .arg(tick)
                  .arg(scale.bDecibel ? 1 : 0)
                  .arg(scale.bLogFrequency ? 1 : 0)
                  .arg(measure.bPeakReadout ? 1 : 0)
                  .arg(measure.nAverageBlocks)
                  .arg(measure.bMaxHold ? 1 : 0));
    } else if (action == QLatin1String("turn")) {
        // A Ctrl + left drag over the view: the 3D scene tilts and swings.
        CTamselView* view = m_pFrame->View();
        const QPoint from(200, 200), to(185, 220);
        view->OnLButtonDown(Qt::ControlModifier, from);
        view->OnMouseMove(Qt::LeftButton, Qt::ControlModifier, to);
        view->OnLButtonUp();
    } else if (action == QLatin1String("help")) {
        // Help > Help Topics, with the address the browser would get written
        // down instead: where the page was looked up.
        CTamselView::SetUrlOpener([this](const QUrl& url) {
            Write(QStringLiteral("help file=%1").arg(url.toLocalFile()));
            return true;
        });
        trigger(ID_HELP_FINDER);
    } else if (action == QLatin1String("close")) {
        Close(tick);
    } else if (action.startsWith(QLatin1String("close@"))) {
        QTimer::singleShot(action.mid(6).toInt(), m_pFrame, [this, tick] { Close(tick); });
    } else if (action.startsWith(QLatin1String("record="))) {
        // From the event loop, as a menu command runs: the dialog's own loop
        // then never runs inside the view's tick.
        const std::int32_t limit = action.mid(7).toInt();
        QTimer::singleShot(0, m_pFrame, [this, tick, limit] { Record(tick, limit); });
    } else if (action == QLatin1String("enable")) {
        trigger(ID_CAPTURE_ENABLE);
        Write(QStringLiteral("enable tick=%1 flags=%2")
                  .arg(tick)
                  .arg(m_pFrame->View()->Capture().GetCaptureFlags()));
    } else if (action == QLatin1String("stopcapture")) {
        trigger(ID_CAPTURE_CLOSE);
    } else if (action.startsWith(QLatin1String("switch="))) {
        const QString switching = action.mid(7);
        QTimer::singleShot(0, m_pFrame,
                           [this, tick, switching] { StartSwitching(tick, switching); });
    } else if (action == QLatin1String("memory")) {
        WriteMemory(tick);
    }
}

void CTestProbe::Close(std::int32_t tick) {
    WriteThreads("closing", tick);
    Write(QStringLiteral("close-request tick=%1 t=%2").arg(tick).arg(MonotonicMs()));
    m_pFrame->close();
    WriteThreads("closed", tick);
}

void CTestProbe::Record(std::int32_t tick, std::int32_t sizeLimit) {
    // The compression dialog's choice, made here.
    const QByteArray named = qgetenv("VIREON_TEST_CODEC");
    const std::string codec = named.isEmpty() ? std::string("mjpeg") : named.toStdString();
    SetCompressionChooser(
        [codec](const std::vector<SCodecChoice>& choices, SCompressOptions& options) {
            if (choices.empty())
                return false;
            options.codec = choices.front().codec;
            for (const SCodecChoice& choice : choices)
                if (choice.codec == codec)
                    options.codec = codec;
            return true;
        });
    AnswerNextModal([](QWidget* modal) {
        auto* dialog = qobject_cast<CCaptureSettingsDlg*>(modal);
        if (dialog == nullptr)
            return false;
        // Typing the names ticks their boxes; the interval stays 1 second.
        qobject_cast<QLineEdit*>(dialog->Control(IDC_CAPTURE_SCREEN_FILE))
            ->setText(QString::fromLatin1(kAviTemplate));
        qobject_cast<QLineEdit*>(dialog->Control(IDC_CAPTURE_WAV_FILE))
            ->setText(QString::fromLatin1(kWavTemplate));
        qobject_cast<QPushButton*>(dialog->Control(IDC_CAPTURE_OK))->click();
        return true;
    });
    if (QAction* settings = m_pFrame->Action(ID_CAPTURE_SETTINGS))
        settings->trigger();
    CTamselView* view = m_pFrame->View();
    if (view->IsCaptureConfigured() && sizeLimit > 0) {
        view->Capture().SetSizeLimit(CCaptureSession::kAudio, sizeLimit);
        view->Capture().SetSizeLimit(CCaptureSession::kScreen, sizeLimit);
    }
    if (QAction* enable = m_pFrame->Action(ID_CAPTURE_ENABLE))
        enable->trigger();
    Write(QStringLiteral("record tick=%1 configured=%2 flags=%3 t=%4")
              .arg(tick)
              .arg(view->IsCaptureConfigured() ? 1 : 0)
              .arg(view->Capture().GetCaptureFlags())
              .arg(MonotonicMs()));
}

void CTestProbe::StartSwitching(std::int32_t tick, const QString& switching) {
    const qsizetype colon = switching.indexOf(QLatin1Char(':'));
    const auto seed = switching.left(colon).toUInt();
    const std::int32_t count = colon < 0 ? 0 : switching.mid(colon + 1).toInt();
    QStringList presets;
    const QDir here = QDir::current();
    for (const QString& name : here.entryList({QStringLiteral("*.tpz")}, QDir::Files, QDir::Name))
        presets.push_back(here.absoluteFilePath(name));
    const std::int64_t draws = m_pFrame->View()->DrawCount();
    Write(QStringLiteral("switching tick=%1 seed=%2 count=%3 presets=%4 t=%5")
              .arg(tick)
              .arg(seed)
              .arg(count)
              .arg(presets.size())
              .arg(MonotonicMs()));
    auto* switcher = new CRandomSwitcher(
        m_pFrame, seed, count, presets,
        [this, tick, draws](const std::map<QString, std::int32_t>& counts) {
            QString kinds;
            std::int32_t total = 0;
            for (const auto& [name, n] : counts) {
                kinds += (kinds.isEmpty() ? QString() : QStringLiteral(";")) + name +
                         QLatin1Char('=') + QString::number(n);
                total += n;
            }
            kinds.replace(QLatin1Char(' '), QLatin1Char('_'));
            const QString trace = QString::fromLocal8Bit(CTraceLog::Instance().Text());
            Write(QStringLiteral("switched count=%1 draws=%2 glErrors=%3 t=%4 kinds=%5")
                      .arg(total)
                      .arg(m_pFrame->View()->DrawCount() - draws)
                      .arg(GlErrorCount(trace))
                      .arg(MonotonicMs())
                      .arg(kinds));
            // From the event loop: the switcher belongs to the frame that closes.
            QTimer::singleShot(0, m_pFrame, [this, tick] { Close(tick); });
        });
    switcher->Start();
}

void CTestProbe::WriteMemory(std::int32_t tick) {
    // Resident pages, the second field.
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    const std::string trace = CTraceLog::Instance().Text();
    Write(QStringLiteral("memory tick=%1 rssKb=%2 traceChars=%3 t=%4")
              .arg(tick)
              .arg(resident * (::sysconf(_SC_PAGESIZE) / 1024))
              .arg(trace.size())
              .arg(MonotonicMs()));
}

void CTestProbe::OnTick(std::int32_t tick) {
    if (tick == 3)
        WriteGeometry();
    WriteThreads("tick", tick);
    const auto [first, last] = m_script.equal_range(tick);
    std::vector<QString> actions;
    for (auto it = first; it != last; ++it)
        actions.push_back(it->second);
    for (const SRepeat& repeat : m_repeats)
        if (tick >= repeat.nStart && (tick - repeat.nStart) % repeat.nEvery == 0)
            actions.push_back(repeat.action);
    for (const QString& action : actions)
        Perform(action, tick);
}

void CTestProbe::OnExit() {
    m_onsetThread = {};
    const QString trace = QString::fromLocal8Bit(CTraceLog::Instance().Text());
    Write(QStringLiteral("exit t=%1 glErrors=%2 traceChars=%3")
              .arg(MonotonicMs())
              .arg(GlErrorCount(trace))
              .arg(trace.size()));
}

void CTestProbe::WatchOnsets(const std::stop_token& stop, SOnsetWatch watch) {
    std::int32_t index = 0;
    std::int64_t onset = watch.nFirst;
    // An onset already in the buffer when the watch starts is not timed.
    while (onset <= static_cast<std::int64_t>(GetCapturedFrames()))
        onset += watch.nPeriod;
    bool arrived = false;
    std::int64_t arrivedUs = 0;
    std::int32_t lastRow = g_runState.GetHistoryGeometry().nHistoryRow;
    std::int64_t previousUs = SteadyUs();
    while (!stop.stop_requested() && index < watch.nCount) {
        const std::int64_t now = SteadyUs();
        const auto frames = static_cast<std::int64_t>(GetCapturedFrames());
        if (!arrived && frames > onset) {
            arrived = true;
            // On a busy machine a poll can come tens of milliseconds late.
            // The source keeps the real-time pace, so the onset came as long
            // before the newest frame as the frames between them take, and
            // after the previous poll.
            arrivedUs = std::max(previousUs, now - (frames - 1 - onset) * 1000000 / kSampleRate);
        }
        const SHistoryGeometry g = g_runState.GetHistoryGeometry();
        if (g.nHistoryRow != lastRow) {
            lastRow = g.nHistoryRow;
            const SLevelHistories levels = g_runState.GetLevelHistories();
            if (arrived && levels.pMin && levels.pMax) {
                // The newest row sits just after the next write position.
                const std::int32_t newest = g.nHistoryRow + 1;
                const double level = std::max(std::abs(HistoryLoadDouble(levels.pMin + newest)),
                                              std::abs(HistoryLoadDouble(levels.pMax + newest)));
                if (level >= watch.dThreshold) {
                    const std::lock_guard lock(m_onsetMutex);
                    m_onsetRows.push_back({index, onset, arrivedUs, now, now - previousUs, level});
                    ++index;
                    onset += watch.nPeriod;
                    arrived = false;
                }
            }
        }
        previousUs = now;
        std::this_thread::sleep_for(std::chrono::microseconds(kOnsetPollUs));
    }
}

void CTestProbe::OnFrame(std::int64_t beginUs, std::int64_t endUs) {
    std::vector<SOnsetRow> shown;
    {
        const std::lock_guard lock(m_onsetMutex);
        while (!m_onsetRows.empty() && m_onsetRows.front().nRowUs <= beginUs) {
            shown.push_back(m_onsetRows.front());
            m_onsetRows.pop_front();
        }
    }
    for (const SOnsetRow& row : shown)
        Write(QStringLiteral("onset k=%1 frame=%2 arrivedUs=%3 rowUs=%4 rowGapUs=%5 level=%6 "
                             "frameBeginUs=%7 frameEndUs=%8")
                  .arg(row.nIndex)
                  .arg(row.nFrame)
                  .arg(row.nArrivedUs)
                  .arg(row.nRowUs)
                  .arg(row.nRowGapUs)
                  .arg(row.dLevel, 0, 'f', 4)
                  .arg(beginUs)
                  .arg(endUs));
}
