#include "app/StartupSettings.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

// A private folder per test, removed afterwards.
class StartupSettingsFile : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        m_dir = fs::temp_directory_path() /
                ("vireon_settings_" + std::to_string(::getpid()) + "_" + info->name());
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
        m_path = (m_dir / "Vireon.ini").string();
    }
    void TearDown() override { fs::remove_all(m_dir); }

    void WriteFile(const std::string& content) const {
        std::ofstream out(m_path, std::ios::binary);
        out << content;
    }
    std::string ReadFile() const {
        std::ifstream in(m_path, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    CStartupSettings Loaded(const std::string& content) const {
        WriteFile(content);
        CStartupSettings settings(m_path);
        settings.LoadForStartup();
        return settings;
    }

    fs::path m_dir;
    std::string m_path;
};

void Parse(CStartupSettings& s, const std::string& line) {
    s.ParseLine(line.c_str(), 256);
}

TEST_F(StartupSettingsFile, NoFileGivesTheDefaultSizesAndNoPreset) {
    CStartupSettings settings(m_path);
    settings.LoadForStartup();
    EXPECT_EQ(settings.m_nBlockSize, 2048);
    EXPECT_EQ(settings.m_nPlotWidth, 640);
    EXPECT_EQ(settings.m_nPlotHeight, 480);
    EXPECT_EQ(settings.m_nHistoryLength, 360);
    EXPECT_EQ(settings.m_nSurfaceCols, 30);
    EXPECT_EQ(settings.m_nSurfaceRows, 80);
    EXPECT_TRUE(settings.m_strPreset.empty());
    EXPECT_FALSE(fs::exists(m_path)) << "reading must not create the file";
}

TEST_F(StartupSettingsFile, DefaultBufferIndexAgreesWithTheRunningBlockSize) {
    CStartupSettings settings(m_path);
    settings.LoadForStartup();
    EXPECT_EQ(CStartupSettings::kBlockSizes[static_cast<std::size_t>(settings.m_nBufferIndex)],
              settings.m_nBlockSize);
}

TEST_F(StartupSettingsFile, SizeTwoGivesTheLargestPlotAndHistory) {
    const CStartupSettings s = Loaded("SIZE 2\n");
    EXPECT_EQ(s.m_nSizeIndex, 2);
    EXPECT_EQ(s.m_nPlotWidth, 960);
    EXPECT_EQ(s.m_nPlotHeight, 720);
    EXPECT_EQ(s.m_nHistoryLength, 600);
    // The main frame's outer size is W + 10 by P + 91.
    EXPECT_EQ(s.m_nPlotWidth + 10, 970);
    EXPECT_EQ(s.m_nPlotHeight + 91, 811);
}

TEST_F(StartupSettingsFile, EveryTableEntryIsSelectableAndSizesFollowTheIndex) {
    for (int v = 0; v < 6; ++v) {
        const CStartupSettings s = Loaded("BUFFER " + std::to_string(v) + "\n");
        EXPECT_EQ(s.m_nBufferIndex, v);
        EXPECT_EQ(s.m_nBlockSize, 1024 << v);
    }
    const int widths[3] = {640, 800, 960};
    const int cols[3] = {30, 60, 90};
    const int rows[3] = {80, 120, 160};
    for (int v = 0; v < 3; ++v) {
        const CStartupSettings s =
            Loaded("SIZE " + std::to_string(v) + "\r\n3DPLOT " + std::to_string(v) + "\r\n");
        EXPECT_EQ(s.m_nPlotWidth, widths[v]);
        EXPECT_EQ(s.m_nPlotHeight, widths[v] * 3 / 4);
        EXPECT_EQ(s.m_nHistoryLength, widths[v] * 3 / 4 - 120);
        EXPECT_EQ(s.m_n3DPlotIndex, v);
        EXPECT_EQ(s.m_nSurfaceCols, cols[v]);
        EXPECT_EQ(s.m_nSurfaceRows, rows[v]);
    }
}

TEST(StartupSettingsParser, KeywordsAreCaseInsensitiveAndMatchAsSubstrings) {
    CStartupSettings s("");
    Parse(s, "buffer 5\n");
    EXPECT_EQ(s.m_nBlockSize, 32768);
    Parse(s, "XBUFFER2 0\n");
    EXPECT_EQ(s.m_nBufferIndex, 0);
    EXPECT_EQ(s.m_nBlockSize, 1024);
    Parse(s, "my3dPlot 2\n");
    EXPECT_EQ(s.m_nSurfaceCols, 90);
    EXPECT_EQ(s.m_nSurfaceRows, 160);
}

TEST(StartupSettingsParser, OutOfRangeOrNonNumericValuesLeaveTheSizesUnchanged) {
    CStartupSettings s("");
    Parse(s, "BUFFER 4\n");
    ASSERT_EQ(s.m_nBlockSize, 16384);
    for (const char* line : {"BUFFER 6\n", "BUFFER x\n", "BUFFER -1\n", "BUFFER 2x\n",
                             "BUFFER 99999999999\n", "BUFFER \n", "SIZE 3\n", "3DPLOT 9\n"}) {
        Parse(s, line);
        EXPECT_EQ(s.m_nBufferIndex, 4) << line;
        EXPECT_EQ(s.m_nBlockSize, 16384) << line;
        EXPECT_EQ(s.m_nPlotWidth, 640) << line;
        EXPECT_EQ(s.m_nSurfaceCols, 30) << line;
        EXPECT_TRUE(s.m_strPreset.empty()) << line;
    }
}

TEST(StartupSettingsParser, LaterKeywordsAreTriedWhenAnEarlierOneDoesNotApply) {
    CStartupSettings s("");
    // BUFFER matches first but "x" is no number, so PRESET takes the value.
    Parse(s, "BUFFERPRESET x\n");
    EXPECT_EQ(s.m_nBlockSize, 2048);
    EXPECT_EQ(s.m_strPreset, "x");
    // The first keyword that applies wins: BUFFER, not SIZE.
    Parse(s, "BUFFERSIZE 2\n");
    EXPECT_EQ(s.m_nBufferIndex, 2);
    EXPECT_EQ(s.m_nSizeIndex, 0);
    // 5 is too large for SIZE but BUFFER was tried first.
    Parse(s, "SIZEBUFFER 5\n");
    EXPECT_EQ(s.m_nBufferIndex, 5);
    EXPECT_EQ(s.m_nSizeIndex, 0);
}

TEST(StartupSettingsParser, CommentsAndLinesWithoutAKeywordAreIgnored) {
    CStartupSettings s("");
    for (const char* line : {"#BUFFER 0\n", "# BUFFER 0\n", " BUFFER 0\n", "BUFFER\n", "BUFFER0\n",
                             "OTHER 0\n", "\n", ""}) {
        Parse(s, line);
        EXPECT_EQ(s.m_nBlockSize, 2048) << line;
        EXPECT_TRUE(s.m_strPreset.empty()) << line;
    }
}

TEST(StartupSettingsParser, PresetKeepsBlanksAndStopsAtControlOrHighCharacters) {
    CStartupSettings s("");
    Parse(s, "PRESET /home/some user/My Presets/a b.tpz\r\n");
    EXPECT_EQ(s.m_strPreset, "/home/some user/My Presets/a b.tpz");
    Parse(s, "preset /tmp/caf\xE9/x.tpz\n");
    EXPECT_EQ(s.m_strPreset, "/tmp/caf");
    Parse(s, "PRESET /tmp/a\tb\n");
    EXPECT_EQ(s.m_strPreset, "/tmp/a");
    // DEL (127) is not above 127, so it stays.
    Parse(s, "PRESET a\x7F"
             "b\n");
    EXPECT_EQ(s.m_strPreset, "a\x7F"
                             "b");
    Parse(s, "PRESET \n");
    EXPECT_TRUE(s.m_strPreset.empty());
}

TEST(StartupSettingsParser, LengthLimitsHowMuchOfTheLineIsRead) {
    CStartupSettings s("");
    const char line[] = "PRESET abcdef";
    s.ParseLine(line, 10);
    EXPECT_EQ(s.m_strPreset, "abc");
}

TEST_F(StartupSettingsFile, WriteAfterReadingOnlySizeOneGivesTheFiveLines) {
    CStartupSettings s = Loaded("SIZE 1\n");
    ASSERT_TRUE(s.Write());
    EXPECT_EQ(ReadFile(), "# This is the Vireon.ini file\n"
                          "BUFFER 1\n"
                          "SIZE 1\n"
                          "3DPLOT 0\n"
                          "PRESET \n");
}

TEST_F(StartupSettingsFile, WrittenFileReadsBackToTheSameSettings) {
    CStartupSettings written(m_path);
    written.ParseLine("BUFFER 4", 256);
    written.ParseLine("SIZE 2", 256);
    written.ParseLine("3DPLOT 1", 256);
    written.ParseLine("PRESET /data/with blank/p.tpz", 256);
    ASSERT_TRUE(written.Write());

    CStartupSettings read(m_path);
    read.LoadForStartup();
    EXPECT_EQ(read.m_nBufferIndex, 4);
    EXPECT_EQ(read.m_nBlockSize, 16384);
    EXPECT_EQ(read.m_nSizeIndex, 2);
    EXPECT_EQ(read.m_nPlotHeight, 720);
    EXPECT_EQ(read.m_n3DPlotIndex, 1);
    EXPECT_EQ(read.m_nSurfaceCols, 60);
    EXPECT_EQ(read.m_nSurfaceRows, 120);
    EXPECT_EQ(read.m_strPreset, "/data/with blank/p.tpz");
}

TEST_F(StartupSettingsFile, LongLinesAreReadIn255CharacterPieces) {
    // The second piece of an over-long line is a line of its own.
    const std::string filler(255, 'y');
    const CStartupSettings s = Loaded("PRESET " + filler + "BUFFER 5\n");
    EXPECT_EQ(s.m_strPreset, filler.substr(0, 255 - 7));
    // "yyyyyyyBUFFER 5" contains the keyword.
    EXPECT_EQ(s.m_nBlockSize, 32768);
}

TEST_F(StartupSettingsFile, UnwritableOrEmptyPathWritesNothingAndReadsNothing) {
    CStartupSettings noPath("");
    EXPECT_FALSE(noPath.Read());
    EXPECT_FALSE(noPath.Write());
    CStartupSettings intoMissingDir((m_dir / "missing" / "Vireon.ini").string());
    EXPECT_FALSE(intoMissingDir.Write());
}

TEST(StartupSettingsPath, DefaultsToVireonIniInTheCurrentDirectory) {
    const CStartupSettings s;
    EXPECT_EQ(s.GetPath(), (fs::current_path() / "Vireon.ini").string());
}

} // namespace
