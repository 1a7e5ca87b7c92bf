#include "base/StartupSettings.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <tuple>
#include <unistd.h>
#include <utility>

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
    std::stringstream text;
    text << std::ifstream(m_path, std::ios::binary).rdbuf();
    // BUFFER 1 is the index of the 2048 that runs without a BUFFER line.
    EXPECT_EQ(text.str(), "# This is the Vireon.ini file\nBUFFER 1\nSIZE 1\n3DPLOT 0\nPRESET \n");

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

} // namespace
