// SPDX-License-Identifier: GPL-3.0-or-later
// Runs the real program under the X display with a WAV file as its input and
// reads the state it reports through VIREON_TEST_STATE (app/TestProbe.h).
#include <sys/stat.h>
#include <sys/wait.h>

#include <QImage>
#include <QSettings>

#include <cstdio>
#include <map>
#include <sstream>

#include "analysis/FrequencyAxis.h"
#include "base/StartupSettings.h"
#include "tests/acquisition/AcquisitionTestSupport.h"
#include "tests/presets/PresetTestSupport.h"

namespace fs = std::filesystem;

namespace {

// The sanitizers reserve terabytes of address space for their shadow memory,
// which a data limit forbids: a sanitized program runs without one.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

// One reported line: its event word, the text after it and its key=value
// fields; a missing field reads -9999.
struct SEvent {
    std::string name, rest;
    std::map<std::string, std::string> fields;
    std::int64_t operator[](const std::string& key) const {
        const auto it = fields.find(key);
        return it == fields.end() ? -9999 : std::stoll(it->second);
    }
};

struct SRun {
    std::vector<SEvent> events;
    int exitStatus = -1;
    std::int64_t exitTime = 0; // monotonic ms when the process had ended

    std::vector<const SEvent*> All(const std::string& name, int tick = -1) const {
        std::vector<const SEvent*> found;
        for (const SEvent& e : events)
            if (e.name == name && (tick < 0 || e["tick"] == tick))
                found.push_back(&e);
        return found;
    }
    // The first such event, or an empty one if there is none.
    const SEvent& First(const std::string& name, int tick = -1) const {
        static const SEvent none;
        const auto found = All(name, tick);
        return found.empty() ? none : *found.front();
    }
};

class VireonProcess : public ::testing::Test {
protected:
    void SetUp() override {
        if (std::getenv("DISPLAY") == nullptr || *std::getenv("DISPLAY") == '\0')
            GTEST_SKIP() << "needs an X display (run under xvfb-run)";
        m_temp.Write("tone.wav", acqtest::Wav(acqtest::Tone(1000.0, 16384.0, 2 * kSampleRate)));
    }

    // Runs the program in the temporary directory with the given script and
    // environment settings ("NAME=VALUE ..."); it is killed after killAfter
    // seconds (exit status 137). A data limit (bytes, 0: none) makes a
    // runaway allocation fail instead of filling the machine.
    SRun Launch(const std::string& script, const std::string& preset = {},
                const std::string& environment = {}, int killAfter = 30,
                std::int64_t dataLimit = 0) {
        fs::remove(m_dir / "state.txt");
        // XDG_CONFIG_HOME keeps the recent-file list out of the user's settings.
        // Built by a stream: a chain of string additions trips GCC 12's
        // -Wrestrict false positive at -O3.
        std::string dir = m_dir.string();
        dir.insert(dir.begin(), '\'');
        dir.push_back('\'');
        std::ostringstream command;
        command << "cd " << dir << " && VIREON_TEST_STATE=" << dir
                << "/state.txt VIREON_TEST_SCRIPT=" << script << " XDG_CONFIG_HOME=" << dir
                << " XDG_RUNTIME_DIR=" << dir << " " << environment;
        if (dataLimit > 0 && !kSanitized)
            command << " prlimit --data=" << dataLimit;
        command << " timeout -s KILL " << killAfter << " " VIREON_EXE << " " << m_strInput;
        if (!preset.empty())
            command << " '" << preset << "'";
        SRun run;
        const int status = std::system(command.str().c_str());
        run.exitTime = std::chrono::duration_cast<std::chrono::milliseconds>(
                           acqtest::Clock::now().time_since_epoch())
                           .count();
        run.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        std::ifstream in(m_dir / "state.txt");
        for (std::string line; std::getline(in, line);) {
            SEvent e;
            const auto space = line.find(' ');
            e.name = line.substr(0, space);
            e.rest = space == std::string::npos ? "" : line.substr(space + 1);
            std::istringstream words(e.rest);
            for (std::string field; words >> field;)
                if (const auto eq = field.find('='); eq != std::string::npos)
                    e.fields[field.substr(0, eq)] = field.substr(eq + 1);
            run.events.push_back(std::move(e));
        }
        return run;
    }

    SRun Run(const std::string& script, const std::string& preset = {},
             const std::string& environment = {}) {
        SRun run = Launch(script, preset, environment);
        // Every script ends in a close: it took effect and all three threads
        // and the process ended within 2 s of it.
        EXPECT_EQ(run.exitStatus, 0);
        for (const char* thread : {"input", "render", "screenshot"})
            EXPECT_EQ(run.First("closed")[thread], -1) << thread;
        EXPECT_LT(run.exitTime - run.First("close-request")["t"], 2000);
        EXPECT_EQ(run.All("exit").size(), 1u);
        return run;
    }

    const acqtest::CTempDir m_temp;
    const fs::path m_dir = m_temp.Path();
    std::string m_strInput = "--input tone.wav"; // the words before the preset
};

// Each size setting gives a view of exactly the plot size, not resizable. A
// preset given on the command line opens at once, the startup preset of the
// settings file at tick 3; either titles the window with the full path less
// ".tpz" and joins the recent files at the front of a list full from the
// start, pushing the oldest out. Closing at tick 4 also covers a close before
// any thread has started.
TEST_F(VireonProcess, ViewIsThePlotSizeAndAPresetFromTheCommandLineOrTheSettingsTitlesIt) {
    for (const char* name : {"my preset.tpz", "start.tpz"})
        m_temp.Write(name, WritePresetFile({presettest::NewSettings()}, {1, 0, 0, 0}));
    const QString settingsFile =
        QString::fromStdString((m_dir / "QuillmoorSoftware" / "Vireon.conf").string());
    const QStringList recent = {"/r/1.tpz", "/r/2.tpz", "/r/3.tpz", "/r/4.tpz"};
    {
        QSettings settings(settingsFile, QSettings::IniFormat);
        settings.beginGroup("Recent File List");
        for (int i = 0; i < recent.size(); ++i)
            settings.setValue(QStringLiteral("File%1").arg(i + 1), recent[i]);
    }
    for (std::size_t size = 0; size < CStartupSettings::kPlotWidths.size(); ++size) {
        const bool onCommandLine = size % 2 == 0;
        const std::string preset = onCommandLine ? "my preset.tpz" : "start.tpz";
        SCOPED_TRACE("SIZE " + std::to_string(size) + ", " + preset);
        std::ofstream(m_dir / "Vireon.ini") << "SIZE " << size << "\n"
                                            << (onCommandLine ? "" : "PRESET " + preset + "\n");
        const SRun run = Run("2:geometry,4:geometry,4:close", onCommandLine ? preset : "");
        int x = 0, y = 0, w = 0, h = 0;
        std::sscanf(run.First("geometry").fields.at("view").c_str(), "%d,%d,%dx%d", &x, &y, &w, &h);
        EXPECT_EQ(w, CStartupSettings::kPlotWidths[size]);
        EXPECT_EQ(h, static_cast<int>(CStartupSettings::kPlotWidths[size] * 0.75));
        EXPECT_EQ(run.First("geometry")["fixed"], 1);
        for (const SEvent* e : run.All("tick"))
            EXPECT_EQ((*e)["input"], -1) << "tick " << (*e)["tick"];
        const auto titles = run.All("title");
        ASSERT_GE(titles.size(), 2u);
        const std::string titled = "Vireon - " + (m_dir / preset).replace_extension().string();
        EXPECT_EQ(titles.front()->rest, onCommandLine ? titled : "Vireon");
        EXPECT_EQ(titles.back()->rest, titled);
        QSettings settings(settingsFile, QSettings::IniFormat);
        settings.beginGroup("Recent File List");
        EXPECT_EQ(settings.value("File1").toString().toStdString(), (m_dir / preset).string());
        EXPECT_EQ(settings.childKeys().size(), recent.size()) << "a full list stays full";
        if (size == 0) {
            EXPECT_EQ(settings.value("File4"), recent[2]) << "the oldest went";
        }
    }
}

// The view's picture saved by the probe's grab: brightness (r + g + b) at x
// and y counted upward from the bottom, as the drawing counts them.
struct SPicture {
    QImage image;
    explicit SPicture(const std::string& file) : image(QString::fromStdString(file)) {}
    int At(int x, int y) const {
        const QRgb rgb = image.pixel(x, image.height() - 1 - y);
        return qRed(rgb) + qGreen(rgb) + qBlue(rgb);
    }
    bool White(int x, int y) const { return At(x, y) == 3 * 255; }
    // The brightest x in [from, to) on row y (the first of equals).
    int Brightest(int from, int to, int y) const {
        int best = from;
        for (int x = from + 1; x < to; ++x)
            if (At(x, y) > At(best, y))
                best = x;
        return best;
    }
};

// One run, closed while capture is stopped (Run). The threads start by ticks
// 5 and 6; the trace goes on while the debug window is hidden or its display
// paused. A tone on a bin centre (rectangular window, so it lights one column
// only) at 640 x 480: H = 360 columns over the default 1 Hz .. 10 kHz. The bar
// area of the histogram and the image area of the waterfall sit at the plot's
// corner (10, 479) plus four 12-pixel label widths across and 12 + H down.
// Then the decibel scale and the log axis, switched on from the View menu,
// put the tone in the column the log axis gives its frequency (20 Hz .. 10
// kHz, starting at one bin, 21.5 Hz), and in dB the silence around it stays
// dark. They are remembered in the user's settings and on again at the next
// start, and so are the peak readout, the average and max hold (which leave
// the waterfall alone). The WAV file is named alone, as a file manager names
// it: its content, not being a preset, makes it the input.
TEST_F(VireonProcess, RunsItsThreadsAndTheTraceShowsTheToneInItsColumnAndRemembersTheScales) {
    m_strInput = "tone.wav";
    constexpr int kBlock = 2048, kH = 360, kBin = 186;
    constexpr double kHz = kBin * static_cast<double>(kSampleRate) / kBlock; // 4005.2 Hz
    const int column = static_cast<int>((kHz - 1.0) / (10000.0 - 1.0) * kH);
    constexpr int kLeft = 10 + 4 * 12, kBottom = 479 - 12 - kH;
    m_temp.Write("tone.wav", acqtest::Wav(acqtest::Tone(kHz, 16384.0, 4 * kSampleRate)));
    const SRun run = Run("7:debug,8:debug,9:timing,10:debug,11:pause,12:timing,13:debugstate,"
                         "14:resume,14:grab,15:plot=1,17:grab,18:decibel,18:logaxis,18:peak,"
                         "18:average=16,18:maxhold,27:grab,28:run,30:close");
    for (const char* thread : {"input", "render", "screenshot"}) {
        SCOPED_TRACE(thread);
        EXPECT_EQ(run.First("tick", 4)[thread], -1);
        EXPECT_EQ(run.First("tick", 6)[thread], 1);
        EXPECT_EQ(run.First("tick", 29)[thread], 1) << "the threads run on while stopped";
    }
    EXPECT_EQ(run.First("tick", 5)["input"], 1);
    EXPECT_EQ(run.First("tick", 5)["capturing"], 1);
    EXPECT_EQ(run.First("run")["capturing"], 0);
    const std::vector<const SEvent*> s = run.All("debug");
    ASSERT_EQ(s.size(), 6u);
    EXPECT_EQ((*s[0])["windowVisible"], 1);
    EXPECT_EQ((*s[0])["shownIsTracePrefix"], 1);
    EXPECT_EQ((*s[1])["windowVisible"], 0);
    EXPECT_EQ((*s[2])["windowVisible"], 1);
    EXPECT_EQ((*s[2])["shownTiming"], 1) << "logged while hidden";
    EXPECT_EQ((*s[3])["paused"], 1);
    EXPECT_EQ((*s[4])["traceTiming"], 2);
    EXPECT_EQ((*s[4])["shownTiming"], 1) << "not shown while paused";
    EXPECT_EQ((*s[5])["shownTiming"], 2) << "shown on resuming";
    EXPECT_EQ((*s[5])["shownIsTracePrefix"], 1);

    const auto grabs = run.All("grab");
    ASSERT_EQ(grabs.size(), 3u);
    const SPicture histogram(grabs[0]->fields.at("file"));
    ASSERT_EQ(histogram.image.size(), QSize(640, 480));
    int tallest = -1, tallestHeight = 0;
    for (int x = kLeft; x < kLeft + kH; ++x) {
        int h = 0;
        while (histogram.White(x, kBottom + h))
            ++h;
        if (h > tallestHeight)
            tallest = x, tallestHeight = h;
    }
    const int barWidth = kH / 120;
    EXPECT_EQ((tallest - kLeft) / barWidth, column / barWidth) << "bar at x " << tallest;
    EXPECT_GT(tallestHeight, kH / 8);
    const SPicture waterfall(grabs[1]->fields.at("file"));
    ASSERT_EQ(waterfall.image.size(), QSize(640, 480));
    // The frame's right line, on the pixel boundary, covers the last column.
    const int brightest = waterfall.Brightest(kLeft + 1, kLeft + kH, kBottom + 1);
    EXPECT_EQ(brightest - (kLeft + 1), column);
    EXPECT_GT(waterfall.At(brightest, kBottom + 1), 3 * 40);

    const SFrequencyAxis axis =
        MakeFrequencyAxis(kDefaultDisplayRange, true, kHz / kBin, kH); // one bin's width
    const int logColumn = AxisColumn(axis, kHz);
    const SPicture logWaterfall(grabs[2]->fields.at("file"));
    ASSERT_EQ(logWaterfall.image.size(), QSize(640, 480));
    EXPECT_EQ(logWaterfall.Brightest(kLeft + 1, kLeft + kH, kBottom + 1) - (kLeft + 1), logColumn);
    EXPECT_EQ(logWaterfall.At(kLeft + 1 + logColumn / 2, kBottom + 1), 0) << "silence is dark";
    std::ifstream settings(m_dir / "QuillmoorSoftware" / "Vireon.conf");
    const std::string text(std::istreambuf_iterator<char>(settings), {});
    for (const char* key : {"DecibelScale=true", "LogFrequencyAxis=true", "PeakReadout=true",
                            "Average=16", "MaxHold=true"})
        EXPECT_NE(text.find(key), std::string::npos) << key << " in " << text;
    const SRun second = Run("4:scale,5:close");
    EXPECT_EQ(second.First("scale", 4)["decibel"] + second.First("scale", 4)["log"], 2);
    EXPECT_EQ(second.First("scale", 4)["peak"] + second.First("scale", 4)["maxhold"], 2);
    EXPECT_EQ(second.First("scale", 4)["average"], 16);
}

// The onset watch times every onset of a looping tone in order: it arrives
// in the capture buffer, then a history row at least as loud as the
// threshold is seen, then a frame begins and ends after it; each onset is the
// stream frame the file puts it at, one period after the one before, and the
// watch stops at its count. Half a second of silence, then half a second of
// the tone at half scale: longer than a block, so the row before is silent.
TEST_F(VireonProcess, TheOnsetWatchTimesEachOnsetFromItsArrivalToItsRowAndItsFrame) {
    constexpr std::int64_t kHalf = kSampleRate / 2, kPeriod = 2 * kHalf;
    acqtest::Samples samples(2 * kHalf, 0);
    const acqtest::Samples tone = acqtest::Tone(1000.0, 16384.0, kHalf);
    samples.insert(samples.end(), tone.begin(), tone.end());
    m_temp.Write("tone.wav", acqtest::Wav(samples));
    const SRun run = Run("60:close", {},
                         "VIREON_TEST_ONSETS=" + std::to_string(kPeriod) + ":" +
                             std::to_string(kHalf) + ":0.25:3");
    const auto onsets = run.All("onset");
    ASSERT_EQ(onsets.size(), 3u) << "by tick 60";
    for (std::size_t k = 0; k < onsets.size(); ++k) {
        const SEvent& o = *onsets[k];
        SCOPED_TRACE(o.rest);
        EXPECT_EQ(o["k"], static_cast<std::int64_t>(k));
        EXPECT_EQ((o["frame"] - kHalf) % kPeriod, 0);
        if (k > 0) {
            EXPECT_EQ(o["frame"], (*onsets[k - 1])["frame"] + kPeriod);
        }
        EXPECT_GE(std::stod(o.fields.at("level")), 0.25);
        EXPECT_LE(std::stod(o.fields.at("level")), 0.5 + 1e-3);
        EXPECT_LE(o["arrivedUs"], o["rowUs"]);
        EXPECT_LE(o["rowUs"], o["frameBeginUs"]);
        EXPECT_LE(o["frameBeginUs"], o["frameEndUs"]);
    }
}

// Qt skips a view whose context failed without a word (and on this platform
// then crashes drawing the window): the program must say so and fail. Like a
// failed shell command, so must a preset on the command line that cannot be
// read: a broken file, a FIFO (whose open would wait for a writer for ever)
// or a device that never ends, each refused at once.
TEST_F(VireonProcess, WithoutOpenGLOrWithAnUnreadablePresetItReportsAndEndsWithAFailure) {
    m_temp.Write("broken.tpz", acqtest::Bytes{0xaf, 0xca, 0, 0, 99, 0, 0, 0});
    ASSERT_EQ(::mkfifo((m_dir / "fifo.tpz").c_str(), 0600), 0);
    const struct {
        const char *preset, *environment, *text;
    } cases[] = {{"", "QT_XCB_GL_INTEGRATION=none", "Can't create compatible OpenGL window"},
                 {"broken.tpz", "", "Error reading preset file"},
                 {"fifo.tpz", "", "Error reading preset file"},
                 {"/dev/zero", "", "Error reading preset file"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.preset) + ": " + c.text);
        const SRun run = Launch("", c.preset, c.environment, 15, std::int64_t{2} << 30);
        EXPECT_EQ(run.exitStatus, 1);
        EXPECT_EQ(run.First("message").rest, std::string("level=1 text=") + c.text);
        EXPECT_TRUE(run.All("tick").empty()) << "no window ran";
    }
}

} // namespace
