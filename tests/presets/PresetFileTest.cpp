#include "presets/PresetFile.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <variant>

namespace {

// A preset whose every field differs from every other and from the
// defaults, so a swapped or dropped field shows.
SPreset Distinct() {
    SPreset p;
    SPresetSettings& s = p.settings;
    s.nChannelMode = 3;
    s.nWindowType = 7;
    s.dFreqMin = 123.5;
    s.dFreqMax = 15000.25;
    s.dFreqSpan = s.dFreqMax - s.dFreqMin;
    s.dMagMin = 0.001;
    s.dMagMax = 0.75;
    s.bAutoScale = true;
    s.nPlotType = 2;
    s.nPanelFlags = 45;
    s.nPalette = 0;
    s.nPaletteShift = -37;
    s.fPaletteScale = 1.75f;
    s.bPaletteInvert = true;
    s.bPlotOnly = true;
    s.fBackRed = 0.1f;
    s.fBackBlue = 0.2f;
    s.fBackGreen = 0.3f;
    s.fForeRed = 0.4f;
    s.fForeBlue = 0.5f;
    s.fForeGreen = 0.6f;
    CProjection a, b;
    a.SetViewport(1, 2, 3, 4);
    a.SetKind(0);
    a.SetBounds(5, 6, 7, 8, 9, 10);
    a.SetTranslation(11, 12, 13);
    a.SetRotation(14, 15, 16);
    a.SetRenderMode(0);
    b.SetViewport(-21, 22, 23, 24);
    b.SetKind(1);
    b.SetBounds(-25, 26, -27, 28, 29, 300);
    b.SetTranslation(31, 32, -33);
    b.SetRotation(34.5, -35.25, 36);
    b.SetRenderMode(7);
    p.projection2D = a.Serialize();
    p.projection3D = b.Serialize();
    return p;
}

// The new-preset values, which every validation case starts from.
SPreset Defaults() {
    SPreset p = Distinct();
    SPresetSettings& s = p.settings;
    s = SPresetSettings{};
    s.nChannelMode = 2;
    s.dFreqMin = 1.0;
    s.dFreqMax = 10000.0;
    s.dFreqSpan = 9999.0;
    s.dMagMax = 1.0;
    s.nPanelFlags = 47;
    s.nPalette = 1;
    s.fBackGreen = 0.15f;
    s.fForeRed = s.fForeBlue = s.fForeGreen = 1.0f;
    return p;
}

constexpr std::array<std::int16_t, 4> kVersion = {1, 2, 3, 4};

// Little-endian words, written by the test's own hand.
struct CBytes {
    std::vector<std::uint8_t> data;
    CBytes& Put(std::uint64_t v, int n) {
        for (int i = 0; i < n; ++i)
            data.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
        return *this;
    }
    CBytes& U32(std::uint32_t v) { return Put(v, 4); }
    CBytes& I32(std::int32_t v) { return Put(static_cast<std::uint32_t>(v), 4); }
    CBytes& F32(float v) { return Put(std::bit_cast<std::uint32_t>(v), 4); }
    CBytes& F64(double v) { return Put(std::bit_cast<std::uint64_t>(v), 8); }
    CBytes& Tag(std::uint32_t tag, std::int32_t v) { return U32(tag).I32(v); }
    CBytes& TagD(std::uint32_t tag, double v) { return U32(tag).F64(v); }
    CBytes& Append(const CBytes& other) {
        data.insert(data.end(), other.data.begin(), other.data.end());
        return *this;
    }
};

// The writer is held to the layout table by the first test; the cases below
// use its output as their reference and their building blocks.
std::vector<std::uint8_t> Bytes(const SPreset& p) {
    return WritePresetFile(p, kVersion);
}

bool Same(const SPreset& a, const SPreset& b) {
    return Bytes(a) == Bytes(b);
}

bool SameBits(const SPresetSettings& a, const SPresetSettings& b) {
    return Same({a}, {b});
}

// A settings block body (tags of s, ending in 100): bytes 28..219 of a file.
CBytes SettingsBody(const SPresetSettings& s) {
    const std::vector<std::uint8_t> file = Bytes({s});
    return {{file.begin() + 28, file.begin() + 220}};
}

} // namespace

TEST(PresetFile, WrittenFileFollowsTheLayoutTableByteForByte) {
    const SPreset p = Distinct();
    const SPresetSettings& s = p.settings;
    // The layout table: offset, size, content. Each row's offset must follow
    // the previous row, so the table itself is checked for gaps.
    using Value = std::variant<std::uint32_t, std::int32_t, std::uint16_t, float, double>;
    struct Row {
        std::size_t offset;
        Value value;
    };
    std::vector<Row> rows = {
        {0, 51887u},
        {4, 1u},
        {8, 2u},
        {12, std::uint16_t{1}},
        {14, std::uint16_t{2}},
        {16, std::uint16_t{3}},
        {18, std::uint16_t{4}},
        {20, 3u},
        {24, 10u},
        {28, 11u},
        {32, 3},
        {36, 12u},
        {40, 7},
        {44, 15u},
        {48, 123.5},
        {56, 16u},
        {60, 15000.25},
        {68, 17u},
        {72, 15000.25 - 123.5},
        {80, 18u},
        {84, 0.001},
        {92, 19u},
        {96, 0.75},
        {104, 20u},
        {108, 1},
        {112, 30u},
        {116, 2},
        {120, 31u},
        {124, 45},
        {128, 32u},
        {132, 0},
        {136, 33u},
        {140, -37},
        {144, 34u},
        {148, 1.75f},
        {152, 35u},
        {156, 1},
        {160, 36u},
        {164, 1},
        // colours in memory order: red, blue, green
        {168, 40u},
        {172, s.fBackRed},
        {176, 41u},
        {180, s.fBackBlue},
        {184, 42u},
        {188, s.fBackGreen},
        {192, 43u},
        {196, s.fForeRed},
        {200, 44u},
        {204, s.fForeBlue},
        {208, 45u},
        {212, s.fForeGreen},
        {216, 100u},
        {220, 200u},
        {224, 201u},
    };
    // The two projection records: viewport, kind, bounds, scale,
    // translation, rotation, render mode.
    const auto record = [&rows](std::size_t at, std::array<std::int32_t, 5> ints,
                                std::array<double, 15> doubles, std::int32_t mode) {
        for (std::int32_t v : ints) {
            rows.push_back({at, v});
            at += 4;
        }
        for (double v : doubles) {
            rows.push_back({at, v});
            at += 8;
        }
        rows.push_back({at, mode});
    };
    record(228, {1, 2, 3, 4, 0}, {5, 6, 7, 8, 9, 10, 1, 1, 1, 11, 12, 13, 14, 15, 16}, 0);
    record(372, {-21, 22, 23, 24, 1},
           {-25, 26, -27, 28, 29, 300, 1, 1, 1, 31, 32, -33, 34.5, -35.25, 36}, 7);
    rows.push_back({516, 210u});
    rows.push_back({520, 64172u});

    CBytes expected;
    for (const Row& row : rows) {
        ASSERT_EQ(row.offset, expected.data.size()) << "gap in the layout table";
        std::visit(
            [&](auto v) {
                using T = decltype(v);
                if constexpr (std::is_same_v<T, float>)
                    expected.F32(v);
                else if constexpr (std::is_same_v<T, double>)
                    expected.F64(v);
                else
                    expected.Put(static_cast<std::make_unsigned_t<T>>(v), sizeof(T));
            },
            row.value);
    }
    ASSERT_EQ(expected.data.size(), kPresetFileSize);
    EXPECT_EQ(WritePresetFile(p, kVersion), expected.data);
}

TEST(PresetFile, SaveThenLoadRestoresEveryFieldAndBothProjectionsBitForBit) {
    CRunState saved, loaded;
    CProjection saved2D, saved3D, loaded2D, loaded3D;
    const SPreset p = Distinct();
    saved.SetPresetSettings(p.settings);
    saved2D.Deserialize(p.projection2D);
    saved3D.Deserialize(p.projection3D);
    loaded.SetPresetSettings(Defaults().settings);

    const std::vector<std::uint8_t> file = SavePreset(saved, saved2D, saved3D, kVersion);
    // Sized like the saving run, so the refitted fields come out as saved.
    SPreset back = Defaults();
    ASSERT_EQ(ReadPresetFile(file.data(), file.size(), back), EPresetRead::Ok);
    EXPECT_TRUE(Same(back, p));

    const SPlotGeometry geometry{800, 600, 60, 120};
    ASSERT_EQ(LoadPreset(file.data(), file.size(), loaded, loaded2D, loaded3D, geometry),
              EPresetRead::Ok);
    EXPECT_TRUE(SameBits(loaded.GetPresetSettings(), p.settings));
    // The camera and the kinds travel; the size-dependent fields are this run's.
    EXPECT_EQ(loaded3D.GetRotation(), saved3D.GetRotation());
    EXPECT_EQ(loaded3D.GetTranslation(), saved3D.GetTranslation());
    EXPECT_EQ(loaded3D.GetKind(), 1);
    EXPECT_EQ(loaded3D.GetRenderMode(), 7);
    EXPECT_EQ(loaded2D.GetRotation(), saved2D.GetRotation());
    EXPECT_EQ(loaded2D.GetViewport(), (SViewport{0, 0, 800, 600}));
    EXPECT_EQ(loaded2D.GetBounds(), (std::array<double, 6>{0, 800, 0, 600, 0, 1}));
    EXPECT_EQ(loaded3D.GetBounds(), (std::array<double, 6>{-27, 27, -30, 30, 96, 960}));
    EXPECT_EQ(loaded3D.GetViewport(), SViewport{}) << "the 3D viewport is the layout's";
}

TEST(PresetFile, ReadsEveryFormTheReadingRulesAllow) {
    const SPreset base = Distinct();
    SPresetSettings full = Defaults().settings;
    full.bAutoScale = true;
    const CBytes head = CBytes().U32(51887);
    struct Case {
        const char* name;
        CBytes file;
        EPresetRead result;
        std::function<void(const SPreset&)> check;
    };
    const Case cases[] = {
        {"magic, settings and end marker only",
         CBytes(head).U32(10).Append(SettingsBody(full)).U32(64172), EPresetRead::Ok,
         [&](const SPreset& p) {
             EXPECT_TRUE(SameBits(p.settings, full));
             EXPECT_EQ(p.projection2D, base.projection2D);
             EXPECT_EQ(p.projection3D, base.projection3D);
         }},
        {"a repeated tag keeps the later value",
         CBytes(head)
             .U32(10)
             .Append(SettingsBody(full))
             .U32(10)
             .Tag(12, 4)
             .Tag(12, 6)
             .U32(100)
             .U32(64172),
         EPresetRead::Ok, [](const SPreset& p) { EXPECT_EQ(p.settings.nWindowType, 6); }},
        {"tag 20 with 2 clears automatic ranging",
         CBytes(head).U32(10).Append(SettingsBody(full)).U32(10).Tag(20, 2).U32(100).U32(64172),
         EPresetRead::Ok, [](const SPreset& p) { EXPECT_FALSE(p.settings.bAutoScale); }},
        {"version section 1, 5, 3 without numbers",
         CBytes(head).U32(1).U32(5).U32(3).U32(10).Append(SettingsBody(full)).U32(64172),
         EPresetRead::Ok, nullptr},
        {"the span is recomputed from minimum and maximum",
         CBytes(head).U32(10).Append(SettingsBody(full)).U32(10).TagD(17, 5.0).U32(100).U32(64172),
         EPresetRead::Ok, [](const SPreset& p) { EXPECT_EQ(p.settings.dFreqSpan, 9999.0); }},
        {"an undefined tag",
         CBytes(head).U32(10).Append(SettingsBody(full)).U32(10).Tag(13, 0).U32(100).U32(64172),
         EPresetRead::Malformed, nullptr},
        {"a stray word in the panel block",
         CBytes(head).U32(10).Append(SettingsBody(full)).U32(200).U32(7).U32(210).U32(64172),
         EPresetRead::Malformed, nullptr},
        {"an undefined section marker",
         CBytes(head).U32(10).Append(SettingsBody(full)).U32(11).U32(64172), EPresetRead::Malformed,
         nullptr},
        {"a version section not closed by 3", CBytes(head).U32(1).U32(5).U32(4).U32(64172),
         EPresetRead::Malformed, nullptr},
        {"a wrong magic number", CBytes().U32(51886).U32(64172), EPresetRead::Malformed, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SPreset p = base;
        EXPECT_EQ(ReadPresetFile(c.file.data.data(), c.file.data.size(), p), c.result);
        if (c.result != EPresetRead::Ok)
            EXPECT_TRUE(Same(p, base)) << "a refused file changes nothing";
        else if (c.check)
            c.check(p);
    }
}

TEST(PresetFile, AFileThatEndsEarlyAnywhereIsRefusedAndChangesNothing) {
    CRunState store;
    CProjection p2D, p3D;
    store.SetPresetSettings(Defaults().settings);
    const SPreset before = CapturePreset(store, p2D, p3D);
    const std::vector<std::uint8_t> file = WritePresetFile(Distinct(), kVersion);
    for (std::size_t length = 0; length < file.size(); ++length) {
        // A copy of exactly that length, so reading past it is an ASan error.
        const std::vector<std::uint8_t> prefix(file.begin(), file.begin() + length);
        ASSERT_EQ(LoadPreset(prefix.data(), prefix.size(), store, p2D, p3D, {}),
                  EPresetRead::EndOfFile)
            << length << " bytes";
    }
    EXPECT_TRUE(Same(CapturePreset(store, p2D, p3D), before));
}

TEST(PresetFile, AValueTheProgramCannotProduceRefusesTheWholeFileAndLeavesTheStore) {
    constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
    constexpr double kInf = std::numeric_limits<double>::infinity();
    constexpr float kNaNf = std::numeric_limits<float>::quiet_NaN();
    const struct {
        const char* name;
        std::function<void(SPreset&)> spoil;
    } cases[] = {
        {"frequency minimum 0", [](SPreset& p) { p.settings.dFreqMin = 0.0; }},
        {"frequency maximum 20001", [](SPreset& p) { p.settings.dFreqMax = 20001.0; }},
        {"zero span", [](SPreset& p) { p.settings.dFreqMin = p.settings.dFreqMax; }},
        {"minimum above maximum", [](SPreset& p) { p.settings.dFreqMin = 15000.0; }},
        {"frequency NaN", [=](SPreset& p) { p.settings.dFreqMax = kNaN; }},
        {"span infinite", [=](SPreset& p) { p.settings.dFreqSpan = kInf; }},
        {"magnitude below 0", [](SPreset& p) { p.settings.dMagMin = -0.1; }},
        {"magnitude above 1", [](SPreset& p) { p.settings.dMagMax = 1.5; }},
        {"magnitude range empty", [](SPreset& p) { p.settings.dMagMin = p.settings.dMagMax; }},
        {"magnitude infinite", [=](SPreset& p) { p.settings.dMagMax = kInf; }},
        {"plot type 5", [](SPreset& p) { p.settings.nPlotType = 5; }},
        {"plot type -1", [](SPreset& p) { p.settings.nPlotType = -1; }},
        {"palette 2", [](SPreset& p) { p.settings.nPalette = 2; }},
        {"shift 256", [](SPreset& p) { p.settings.nPaletteShift = 256; }},
        {"shift -256", [](SPreset& p) { p.settings.nPaletteShift = -256; }},
        {"scale 0.05", [](SPreset& p) { p.settings.fPaletteScale = 0.05f; }},
        {"scale 2.5", [](SPreset& p) { p.settings.fPaletteScale = 2.5f; }},
        {"scale NaN", [=](SPreset& p) { p.settings.fPaletteScale = kNaNf; }},
        {"channel 4", [](SPreset& p) { p.settings.nChannelMode = 4; }},
        {"window 10", [](SPreset& p) { p.settings.nWindowType = 10; }},
        {"window -1", [](SPreset& p) { p.settings.nWindowType = -1; }},
        {"panel flags 64", [](SPreset& p) { p.settings.nPanelFlags = 64; }},
        {"background blue -0.1", [](SPreset& p) { p.settings.fBackBlue = -0.1f; }},
        {"foreground green 1.5", [](SPreset& p) { p.settings.fForeGreen = 1.5f; }},
        {"background red NaN", [=](SPreset& p) { p.settings.fBackRed = kNaNf; }},
        {"3D rotation NaN",
         [=](SPreset& p) {
             CProjection q;
             q.Deserialize(p.projection3D);
             q.SetRotation(0, kNaN, 0);
             p.projection3D = q.Serialize();
         }},
        {"2D bound infinite",
         [=](SPreset& p) {
             CProjection q;
             q.SetBounds(0, kInf, 0, 1, 0, 1);
             p.projection2D = q.Serialize();
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CRunState store;
        CProjection p2D, p3D;
        p3D.SetRotation(1, 2, 3);
        store.SetPresetSettings(Defaults().settings);
        const SPreset before = CapturePreset(store, p2D, p3D);
        SPreset bad = Defaults();
        ASSERT_TRUE(IsValidPreset(bad));
        c.spoil(bad);
        const std::vector<std::uint8_t> file = WritePresetFile(bad, kVersion);
        EXPECT_EQ(LoadPreset(file.data(), file.size(), store, p2D, p3D, {}),
                  EPresetRead::Malformed);
        EXPECT_TRUE(Same(CapturePreset(store, p2D, p3D), before));
    }
}
