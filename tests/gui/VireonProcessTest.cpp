// Runs the real program under the X display with a WAV file as its input and
// reads the state it reports through VIREON_TEST_STATE (app/TestProbe.h).
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "app/StartupSettings.h"

namespace fs = std::filesystem;

namespace {

std::int64_t MonotonicMs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<std::int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

void PutLe(std::ofstream& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.put(static_cast<char>((value >> (8 * i)) & 0xff));
}

// 16-bit stereo 44100 Hz PCM: a 1 kHz tone at half scale, seconds long.
void WriteToneWav(const fs::path& path, double seconds) {
    const std::uint32_t frames = static_cast<std::uint32_t>(44100 * seconds);
    const std::uint32_t dataBytes = frames * 4;
    std::ofstream out(path, std::ios::binary);
    out.write("RIFF", 4);
    PutLe(out, 36 + dataBytes, 4);
    out.write("WAVEfmt ", 8);
    PutLe(out, 16, 4);
    PutLe(out, 1, 2);         // PCM
    PutLe(out, 2, 2);         // channels
    PutLe(out, 44100, 4);     // frames per second
    PutLe(out, 44100 * 4, 4); // bytes per second
    PutLe(out, 4, 2);         // block align
    PutLe(out, 16, 2);        // bits
    out.write("data", 4);
    PutLe(out, dataBytes, 4);
    for (std::uint32_t i = 0; i < frames; ++i) {
        const auto v =
            static_cast<std::int16_t>(16384.0 * std::sin(2.0 * M_PI * 1000.0 * i / 44100.0));
        PutLe(out, static_cast<std::uint16_t>(v), 2);
        PutLe(out, static_cast<std::uint16_t>(v), 2);
    }
}

// One reported line: its event word and its key=value fields.
struct SEvent {
    std::string name;
    std::map<std::string, std::string> fields;
    std::string rest; // text after the event word (titles)

    int Int(const std::string& key) const {
        const auto it = fields.find(key);
        if (it == fields.end()) {
            ADD_FAILURE() << "no field " << key << " in " << name;
            return -9999;
        }
        return std::stoi(it->second);
    }
    std::int64_t Time() const { return std::stoll(fields.at("t")); }
};

// "x,y,WxH" -> {x, y, w, h}
struct SRect {
    int x = 0, y = 0, w = 0, h = 0;
};
SRect ParseRect(const std::string& text) {
    SRect r;
    std::sscanf(text.c_str(), "%d,%d,%dx%d", &r.x, &r.y, &r.w, &r.h);
    return r;
}

struct SRun {
    std::vector<SEvent> events;
    int exitStatus = -1;
    std::int64_t exitTime = 0; // monotonic ms when the process was seen gone
    bool timedOut = false;

    std::vector<const SEvent*> All(const std::string& name) const {
        std::vector<const SEvent*> found;
        for (const SEvent& e : events)
            if (e.name == name)
                found.push_back(&e);
        return found;
    }
    const SEvent* First(const std::string& name) const {
        for (const SEvent& e : events)
            if (e.name == name)
                return &e;
        return nullptr;
    }
    const SEvent* Tick(int tick) const {
        for (const SEvent& e : events)
            if (e.name == "tick" && e.Int("tick") == tick)
                return &e;
        return nullptr;
    }
};

class VireonProcess : public ::testing::Test {
protected:
    void SetUp() override {
        if (std::getenv("DISPLAY") == nullptr || *std::getenv("DISPLAY") == '\0')
            GTEST_SKIP() << "needs an X display (run under xvfb-run)";
        char pattern[] = "/tmp/vireon-gui.XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        m_dir = pattern;
        WriteToneWav(m_dir / "tone.wav", 2.0);
    }
    void TearDown() override {
        if (!m_dir.empty())
            fs::remove_all(m_dir);
    }

    void WriteIni(int sizeIndex, const std::string& preset = {}) {
        std::ofstream ini(m_dir / "Vireon.ini");
        ini << "# test settings\nSIZE " << sizeIndex << "\n";
        if (!preset.empty())
            ini << "PRESET " << preset << "\n";
    }

    std::string Settings() const {
        std::ifstream in(m_dir / "QuillmoorSoftware" / "Vireon.conf");
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    // Starts the program in the temporary directory with the given script
    // and waits (at most 30 s) for it to end.
    SRun Run(const std::string& script, const std::string& preset = {}) {
        const fs::path state = m_dir / "state.txt";
        fs::remove(state);
        const pid_t pid = fork();
        if (pid == 0) {
            if (chdir(m_dir.c_str()) != 0)
                _exit(126);
            setenv("VIREON_TEST_STATE", state.c_str(), 1);
            setenv("VIREON_TEST_SCRIPT", script.c_str(), 1);
            // Keep the recent-file list out of the user's settings.
            setenv("XDG_CONFIG_HOME", m_dir.c_str(), 1);
            setenv("XDG_RUNTIME_DIR", m_dir.c_str(), 1);
            const std::string wav = (m_dir / "tone.wav").string();
            if (preset.empty())
                execl(VIREON_EXE, VIREON_EXE, "--input", wav.c_str(), static_cast<char*>(nullptr));
            else
                execl(VIREON_EXE, VIREON_EXE, "--input", wav.c_str(), preset.c_str(),
                      static_cast<char*>(nullptr));
            _exit(127);
        }
        SRun run;
        const std::int64_t deadline = MonotonicMs() + 30000;
        int status = 0;
        for (;;) {
            const pid_t done = waitpid(pid, &status, WNOHANG);
            if (done == pid) {
                run.exitTime = MonotonicMs();
                break;
            }
            if (MonotonicMs() > deadline) {
                kill(pid, SIGKILL);
                waitpid(pid, &status, 0);
                run.timedOut = true;
                break;
            }
            usleep(2000);
        }
        run.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;

        std::ifstream in(state);
        std::string line;
        while (std::getline(in, line)) {
            SEvent e;
            std::istringstream words(line);
            words >> e.name;
            std::getline(words, e.rest);
            if (!e.rest.empty() && e.rest[0] == ' ')
                e.rest.erase(0, 1);
            std::istringstream fields(e.rest);
            std::string field;
            while (fields >> field) {
                const auto eq = field.find('=');
                if (eq != std::string::npos)
                    e.fields[field.substr(0, eq)] = field.substr(eq + 1);
            }
            run.events.push_back(std::move(e));
        }
        return run;
    }

    // The close took effect and everything ended within 2 s of it.
    static void ExpectClosedCleanly(const SRun& run) {
        ASSERT_FALSE(run.timedOut) << "the program did not end";
        EXPECT_EQ(run.exitStatus, 0);
        const SEvent* request = run.First("close-request");
        const SEvent* closed = run.First("closed");
        ASSERT_NE(request, nullptr);
        ASSERT_NE(closed, nullptr);
        EXPECT_EQ(closed->Int("input"), -1);
        EXPECT_EQ(closed->Int("render"), -1);
        EXPECT_EQ(closed->Int("screenshot"), -1);
        EXPECT_LT(run.exitTime - request->Time(), 2000)
            << "the process ended " << run.exitTime - request->Time() << " ms after the close";
        EXPECT_NE(run.First("exit"), nullptr);
    }

    fs::path m_dir;
};

TEST_F(VireonProcess, ViewIsExactlyThePlotSizeForEverySizeSetting) {
    for (int size = 0; size < static_cast<int>(CStartupSettings::kPlotWidths.size()); ++size) {
        SCOPED_TRACE("SIZE " + std::to_string(size));
        WriteIni(size);
        const SRun run = Run("4:close");
        ExpectClosedCleanly(run);
        const SEvent* geometry = run.First("geometry");
        ASSERT_NE(geometry, nullptr);

        const int w = CStartupSettings::kPlotWidths[static_cast<std::size_t>(size)];
        const int p = static_cast<int>(w * 0.75);
        const SRect frame = ParseRect(geometry->fields.at("frame"));
        const SRect view = ParseRect(geometry->fields.at("view"));
        const SRect toolbar = ParseRect(geometry->fields.at("toolbar"));
        const SRect status = ParseRect(geometry->fields.at("status"));
        EXPECT_EQ(view.w, w);
        EXPECT_EQ(view.h, p);
        EXPECT_EQ(geometry->Int("fixed"), 1) << "the window must not be resizable";
        EXPECT_EQ(frame.w, w) << "nothing beside the view widens the window";
        // Toolbar directly above the view, status bar directly below it.
        EXPECT_EQ(toolbar.y + toolbar.h, view.y);
        EXPECT_EQ(status.y, view.y + view.h);
        EXPECT_EQ(status.y + status.h, frame.h);

        std::vector<int> panes;
        std::istringstream list(geometry->fields.at("panes"));
        for (std::string pane; std::getline(list, pane, ',');)
            panes.push_back(std::stoi(pane));
        ASSERT_EQ(panes.size(), 3u);
        EXPECT_EQ(panes[0], 350);
        EXPECT_EQ(panes[1], 200);
        EXPECT_GT(panes[2], 0) << "the last pane takes the rest";
        EXPECT_LT(panes[0] + panes[1] + panes[2], status.w + 1);
    }
}

TEST_F(VireonProcess, StartsTheInputThreadAtTickFiveAndTheOthersAtTickSix) {
    const SRun run = Run("10:close");
    ExpectClosedCleanly(run);
    for (int tick = 1; tick <= 4; ++tick) {
        const SEvent* e = run.Tick(tick);
        ASSERT_NE(e, nullptr) << "tick " << tick;
        EXPECT_EQ(e->Int("input"), -1) << "tick " << tick;
        EXPECT_EQ(e->Int("render"), -1) << "tick " << tick;
        EXPECT_EQ(e->Int("screenshot"), -1) << "tick " << tick;
    }
    const SEvent* five = run.Tick(5);
    const SEvent* six = run.Tick(6);
    ASSERT_NE(five, nullptr);
    ASSERT_NE(six, nullptr);
    EXPECT_EQ(five->Int("input"), 1);
    EXPECT_EQ(five->Int("render"), -1);
    EXPECT_EQ(five->Int("acquiring"), 1);
    EXPECT_EQ(five->Int("capturing"), 1);
    EXPECT_EQ(six->Int("input"), 1);
    EXPECT_EQ(six->Int("render"), 1);
    EXPECT_EQ(six->Int("screenshot"), 1);
    // Still all running before the close.
    const SEvent* nine = run.Tick(9);
    ASSERT_NE(nine, nullptr);
    EXPECT_EQ(nine->Int("input"), 1);
    EXPECT_EQ(nine->Int("render"), 1);
    EXPECT_EQ(nine->Int("screenshot"), 1);
    // Redrawn while acquiring.
    EXPECT_GT(nine->Int("draws"), five->Int("draws"));

    const SEvent* title = run.First("title");
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->rest, "Vireon");
}

TEST_F(VireonProcess, ClosingWhilePausedStillEndsEveryThread) {
    const SRun run = Run("8:run,11:close");
    const SEvent* paused = run.First("run");
    ASSERT_NE(paused, nullptr);
    EXPECT_EQ(paused->Int("capturing"), 0);
    EXPECT_EQ(paused->Int("acquiring"), 0);
    // The threads keep running while paused.
    const SEvent* ten = run.Tick(10);
    ASSERT_NE(ten, nullptr);
    EXPECT_EQ(ten->Int("input"), 1);
    EXPECT_EQ(ten->Int("render"), 1);
    EXPECT_EQ(ten->Int("capturing"), 0);
    ExpectClosedCleanly(run);
}

TEST_F(VireonProcess, ClosingBeforeTickFiveStartsNoThreadAndEndsAtOnce) {
    const SRun run = Run("3:close");
    ExpectClosedCleanly(run);
    for (const SEvent* e : run.All("tick"))
        EXPECT_EQ(e->Int("input"), -1) << "tick " << e->Int("tick");
    EXPECT_EQ(run.Tick(5), nullptr) << "no tick after the close";
}

TEST_F(VireonProcess, DebugWindowTogglesAndKeepsTheTraceWhileHiddenAndPaused) {
    const SRun run = Run("7:debug,8:debug,9:timing,10:debug,11:pause,12:timing,13:debugstate,"
                         "14:resume,16:close");
    ExpectClosedCleanly(run);
    const std::vector<const SEvent*> states = run.All("debug");
    ASSERT_EQ(states.size(), 6u);

    // Shown: the whole trace so far.
    EXPECT_EQ(states[0]->Int("visible"), 1);
    EXPECT_EQ(states[0]->Int("windowVisible"), 1);
    EXPECT_EQ(states[0]->Int("shownIsTracePrefix"), 1);
    EXPECT_GT(states[0]->Int("shownChars"), 0);
    // Hidden.
    EXPECT_EQ(states[1]->Int("visible"), 0);
    EXPECT_EQ(states[1]->Int("windowVisible"), 0);
    // Shown again: the timing lines logged while hidden are there.
    EXPECT_EQ(states[2]->Int("visible"), 1);
    EXPECT_EQ(states[2]->Int("traceTiming"), 1);
    EXPECT_EQ(states[2]->Int("shownTiming"), 1);
    EXPECT_GT(states[2]->Int("shownChars"), states[0]->Int("shownChars"));
    // Paused: a new timing line is in the trace but not on screen.
    EXPECT_EQ(states[3]->Int("paused"), 1);
    EXPECT_EQ(states[4]->Int("traceTiming"), 2);
    EXPECT_EQ(states[4]->Int("shownTiming"), 1);
    // Resumed: everything appears.
    EXPECT_EQ(states[5]->Int("paused"), 0);
    EXPECT_EQ(states[5]->Int("shownTiming"), 2);
    EXPECT_EQ(states[5]->Int("shownIsTracePrefix"), 1);
}

TEST_F(VireonProcess, APresetOnTheCommandLineTitlesTheWindowAndJoinsTheRecentFiles) {
    const SRun run = Run("4:close", "my preset.tpz");
    ExpectClosedCleanly(run);
    const SEvent* title = run.First("title");
    ASSERT_NE(title, nullptr);
    // The full path, its ".tpz" dropped; not modified, so no '*'.
    EXPECT_EQ(title->rest, "Vireon - " + (m_dir / "my preset").string());
    EXPECT_NE(Settings().find("File1=" + (m_dir / "my preset.tpz").string()), std::string::npos)
        << Settings();
}

TEST_F(VireonProcess, TheStartupPresetOpensAtTickThree) {
    WriteIni(0, "start.tpz");
    const SRun run = Run("2:geometry,8:geometry,9:close");
    ExpectClosedCleanly(run);
    const std::vector<const SEvent*> titles = run.All("title");
    ASSERT_GE(titles.size(), 2u);
    EXPECT_EQ(titles.front()->rest, "Vireon") << "nothing opened before tick 3";
    EXPECT_EQ(titles.back()->rest, "Vireon - " + (m_dir / "start").string());
    EXPECT_NE(Settings().find("File1=" + (m_dir / "start.tpz").string()), std::string::npos);
}

} // namespace
