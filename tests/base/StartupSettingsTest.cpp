// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/StartupSettings.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <tuple>
#include <unistd.h>
#include <utility>

#include "base/DebugLog.h"
#include "tests/acquisition/AcquisitionTestSupport.h"

namespace {

namespace fs = std::filesystem;

// N, plot width, height, history length H, surface columns and rows, preset.
using Settings = std::tuple<std::int32_t, std::int32_t, std::int32_t, std::int32_t, std::int32_t,
                            std::int32_t, std::string>;

Settings Of(const CStartupSettings& s) {
    return {s.m_nBlockSize,   s.m_nPlotWidth,   s.m_nPlotHeight, s.m_nHistoryLength,
            s.m_nSurfaceCols, s.m_nSurfaceRows, s.m_strPreset};
}

// A settings file of the test's own, removed afterwards.
class StartupSettingsFile : public ::testing::Test {
protected:
    ~StartupSettingsFile() override { fs::remove(m_path); }
    // Files beside the settings file whose names start with its name.
    std::vector<std::string> Beside() const {
        std::vector<std::string> names;
        const std::string stem = fs::path(m_path).filename().string();
        for (const auto& entry : fs::directory_iterator(fs::path(m_path).parent_path()))
            if (const std::string name = entry.path().filename().string(); name.starts_with(stem))
                names.push_back(name);
        return names;
    }

    // Starts up from a file holding content, or from no file when content is null.
    CStartupSettings Loaded(const char* content) const {
        fs::remove(m_path);
        if (content != nullptr)
            std::ofstream(m_path, std::ios::binary) << content;
        CStartupSettings settings(m_path);
        settings.LoadForStartup();
        return settings;
    }

    const std::string m_path =
        fs::temp_directory_path() /
        ("vireon_" + std::to_string(::getpid()) + "_" +
         ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".ini");
};

TEST_F(StartupSettingsFile, SettingsFollowTheFirstKeywordThatAppliesOnEachLine) {
    // Lines are read whole however long: a comment's tail is no setting, a
    // long path is kept.
    const std::string longComment = "#" + std::string(254, 'x') + "BUFFER 0\nSIZE 1\n";
    const std::string longPath = "/p/" + std::string(600, 'q') + ".tpz";
    const std::string longPreset = "PRESET " + longPath + "\nBUFFER 2\n";
    const std::pair<const char*, Settings> cases[] = {
        {nullptr, {2048, 640, 480, 360, 30, 80, ""}}, // no file
        {"SIZE 2\n", {2048, 960, 720, 600, 30, 80, ""}},
        // Keywords are case-insensitive substrings of the line's first word.
        {"buffer 5\r\nmySize 1\r\n3dplot 1\r\n", {32768, 800, 600, 480, 60, 120, ""}},
        {"XBUFFER2 0\n3DPLOT 2\n", {1024, 640, 480, 360, 90, 160, ""}},
        // Comments, lines without a keyword and values out of range apply nothing.
        {"#BUFFER 0\n# SIZE 2\n BUFFER 0\nBUFFER\nBUFFER0\nOTHER 0\n3DPLOT 3\n",
         {2048, 640, 480, 360, 30, 80, ""}},
        {"BUFFER 4\nBUFFER 6\nBUFFER x\nBUFFER -1\nBUFFER 2x\nBUFFER 99999999999\nSIZE 3\n",
         {16384, 640, 480, 360, 30, 80, ""}},
        // A value that does not apply to BUFFER still goes to a later keyword.
        {"BUFFERPRESET 6\n", {2048, 640, 480, 360, 30, 80, "6"}},
        {"BUFFERPRESET x\n", {2048, 640, 480, 360, 30, 80, "x"}},
        // BUFFER is tried before SIZE whatever the order in the word.
        {"SIZEBUFFER 2\n", {4096, 640, 480, 360, 30, 80, ""}},
        // The preset keeps blanks and DEL but stops below 32 or above 127.
        {"PRESET /home/a user/My Presets/a b.tpz\r\n",
         {2048, 640, 480, 360, 30, 80, "/home/a user/My Presets/a b.tpz"}},
        {"preset /tmp/caf\xE9/x.tpz\n", {2048, 640, 480, 360, 30, 80, "/tmp/caf"}},
        {"PRESET a\x7F b\tc\n", {2048, 640, 480, 360, 30, 80, "a\x7F b"}},
        {longComment.c_str(), {2048, 800, 600, 480, 30, 80, ""}},
        {longPreset.c_str(), {4096, 640, 480, 360, 30, 80, longPath}},
    };
    for (const auto& [file, settings] : cases)
        EXPECT_EQ(Of(Loaded(file)), settings) << (file == nullptr ? "no file" : file);
}

TEST_F(StartupSettingsFile, WritingGivesFiveLinesThatReadBackAndAnUnopenableFileFails) {
    CStartupSettings written = Loaded("SIZE 1\n");
    ASSERT_TRUE(written.Write());
    // BUFFER 1 is the index of the 2048 that runs without a BUFFER line.
    EXPECT_EQ(acqtest::ReadText(m_path),
              "# This is the Vireon.ini file\nBUFFER 1\nSIZE 1\n3DPLOT 0\nPRESET \n");

    written.ParseLine("BUFFER 4", 256);
    written.ParseLine("3DPLOT 1", 256);
    written.ParseLine("PRESET /data/with blank/p.tpz", 256);
    ASSERT_TRUE(written.Write());
    CStartupSettings read(m_path);
    read.LoadForStartup();
    EXPECT_EQ(Of(read), Of(written));

    // A file that cannot be opened is a failure, not an empty success.
    EXPECT_FALSE(CStartupSettings("").Read());
    EXPECT_FALSE(CStartupSettings("").Write());
    EXPECT_FALSE(CStartupSettings(m_path + ".d/Vireon.ini").Write());
}

// A write that fails half-way (the file size limit makes it fail for root
// too) must not cost the user the settings there were: the old file stays
// byte for byte and nothing is left beside it. A link keeps pointing at the
// file it names, which takes the new settings.
TEST_F(StartupSettingsFile, AFailedWriteLeavesTheOldFileAndAWriteThroughALinkKeepsTheLink) {
    const std::string old = "SIZE 2\nPRESET /presets/mine.tpz\n# my note\n";
    CStartupSettings settings = Loaded(old.c_str());
    settings.ParseLine("SIZE 1", 256);
    const pid_t child = ::fork();
    if (child == 0) {
        ::signal(SIGXFSZ, SIG_IGN); // the write then fails with EFBIG
        const rlimit limit{16, 16};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        ::_exit(settings.Write() ? 0 : 1);
    }
    ASSERT_GT(child, 0);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1) << "the failed write is reported";
    EXPECT_EQ(acqtest::ReadText(m_path), old);
    EXPECT_EQ(Beside(), std::vector<std::string>{fs::path(m_path).filename().string()});

    const std::string target = m_path + ".target";
    fs::rename(m_path, target);
    fs::create_symlink(target, m_path);
    ASSERT_TRUE(settings.Write());
    EXPECT_TRUE(fs::is_symlink(m_path));
    CStartupSettings read(target);
    read.LoadForStartup();
    EXPECT_EQ(std::make_pair(read.m_nSizeIndex, read.m_strPreset),
              std::make_pair(1, std::string("/presets/mine.tpz")));
    fs::remove(target);
}

// Ignored as before, but each line that sets nothing is named in the trace
// with the file and its line number; blank lines and comments are not.
TEST_F(StartupSettingsFile, LinesThatSetNothingAreTracedWithTheFileAndTheirNumber) {
    const std::size_t mark = CTraceLog::Instance().Text().size();
    const CStartupSettings settings =
        Loaded("# comment\n\nSIZE=2\nBUFFER 1\n BUFFER 0\nBUFFER 9\r\n  \nPRESET a b\nOTHER 1");
    EXPECT_EQ(Of(settings), Settings(2048, 640, 480, 360, 30, 80, "a b"));
    const std::string trace = CTraceLog::Instance().Text().substr(mark);
    std::vector<std::string> traced;
    for (std::size_t at = trace.find(m_path); at != std::string::npos;
         at = trace.find(m_path, at + 1))
        traced.push_back(trace.substr(at, trace.find('\r', at) - at));
    const std::string ignored = " not understood, ignored: ";
    EXPECT_EQ(traced, (std::vector<std::string>{
                          m_path + " line 3" + ignored + "SIZE=2",
                          m_path + " line 5" + ignored + " BUFFER 0",
                          m_path + " line 6" + ignored + "BUFFER 9",
                          m_path + " line 9" + ignored + "OTHER 1",
                      }));
}

} // namespace
