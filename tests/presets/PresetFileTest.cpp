// SPDX-License-Identifier: GPL-3.0-or-later
#include "presets/PresetFile.h"

#include <gtest/gtest.h>

#include <bit>
#include <functional>
#include <limits>
#include <variant>

#include "tests/presets/PresetTestSupport.h"

using presettest::Distinct;
using presettest::SameBits;

namespace {

// The new-preset values with Distinct's projections: every validation case
// starts from it.
SPreset Defaults() {
    SPreset p = Distinct();
    p.settings = presettest::NewSettings();
    return p;
}

constexpr std::array<std::int16_t, 4> kVersion = {1, 2, 3, 4};

// Little-endian words, written by the test's own hand.
struct CBytes {
    std::vector<std::uint8_t> data;
    template <typename T> CBytes& Put(T v) {
        std::uint64_t bits = 0;
        if constexpr (std::is_floating_point_v<T>)
            bits =
                std::bit_cast<std::conditional_t<sizeof(T) == 4, std::uint32_t, std::uint64_t>>(v);
        else
            bits = static_cast<std::make_unsigned_t<T>>(v);
        for (std::size_t i = 0; i < sizeof(T); ++i)
            data.push_back(static_cast<std::uint8_t>(bits >> (8 * i)));
        return *this;
    }
    CBytes& U32(std::uint32_t v) { return Put(v); }
    CBytes& Tag(std::uint32_t tag, auto v) { return Put(tag).Put(v); }
    CBytes& Append(const CBytes& other) {
        data.insert(data.end(), other.data.begin(), other.data.end());
        return *this;
    }
};

// A settings block body (tags of s, ending in 100): bytes 28..219 of a file.
// The writer is held to the layout table by the first test.
CBytes SettingsBody(const SPresetSettings& s) {
    const std::vector<std::uint8_t> file = WritePresetFile({s}, kVersion);
    return {{file.begin() + 28, file.begin() + 220}};
}

using FChange = std::function<void(SPreset&)>;

// Sets one settings field of a preset to a value.
template <typename T> FChange Set(T SPresetSettings::*field, T value) {
    return [=](SPreset& p) { p.settings.*field = value; };
}

} // namespace

TEST(PresetFile, WrittenFileFollowsTheLayoutTableByteForByte) {
    // The layout table: offset, value and, in the settings block, the tag
    // before the value. Each row's offset must follow the previous row, so
    // the table itself is checked for gaps.
    using Value = std::variant<std::uint32_t, std::int32_t, std::uint16_t, float, double>;
    struct Row {
        std::size_t offset;
        Value value;
        std::uint32_t tag = 0;
    };
    using U16 = std::uint16_t;
    const auto R = [](std::size_t offset, Value value, std::uint32_t tag = 0) {
        return Row{offset, value, tag};
    };
    std::vector<Row> rows = {R(0, 51887u),  R(4, 1u),      R(8, 2u),  R(12, U16{1}), R(14, U16{2}),
                             R(16, U16{3}), R(18, U16{4}), R(20, 3u), R(24, 10u)};
    // The settings block; the colours in the file's order: red, blue, green.
    rows.insert(rows.end(), {R(28, 3, 11), R(36, 7, 12), R(44, 123.5, 15), R(56, 15000.25, 16),
                             R(68, 15000.25 - 123.5, 17), R(80, 0.001, 18), R(92, 0.75, 19),
                             R(104, 1, 20), R(112, 2, 30), R(120, 45, 31), R(128, 0, 32)});
    rows.insert(rows.end(),
                {R(136, -37, 33), R(144, 1.75f, 34), R(152, 1, 35), R(160, 1, 36), R(168, 0.1f, 40),
                 R(176, 0.2f, 41), R(184, 0.3f, 42), R(192, 0.4f, 43), R(200, 0.5f, 44),
                 R(208, 0.6f, 45), R(216, 100u), R(220, 200u), R(224, 201u)});
    // The two projection records: viewport, kind, bounds, scale,
    // translation, rotation, render mode.
    const auto record = [&rows](std::size_t at, std::array<std::int32_t, 5> ints,
                                std::array<double, 15> doubles, std::int32_t mode) {
        for (std::int32_t v : ints)
            rows.push_back({std::exchange(at, at + 4), v});
        for (double v : doubles)
            rows.push_back({std::exchange(at, at + 8), v});
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
        if (row.tag != 0)
            expected.U32(row.tag);
        std::visit([&](auto v) { expected.Put(v); }, row.value);
    }
    ASSERT_EQ(expected.data.size(), kPresetFileSize);
    EXPECT_EQ(WritePresetFile(Distinct(), kVersion), expected.data);
}

TEST(PresetFile, SaveThenLoadRestoresEveryFieldAndBothProjectionsBitForBit) {
    CRunState saved, loaded;
    CProjection saved2D, saved3D, loaded2D, loaded3D;
    const SPreset p = Distinct();
    saved.SetPresetSettings(p.settings);
    saved2D.Deserialize(p.projection2D);
    saved3D.Deserialize(p.projection3D);
    loaded.SetPresetSettings(presettest::NewSettings());

    const std::vector<std::uint8_t> file = SavePreset(saved, saved2D, saved3D, kVersion);
    // Sized like the saving run, so the refitted fields come out as saved.
    SPreset back = Defaults();
    ASSERT_EQ(ReadPresetFile(file.data(), file.size(), back), EPresetRead::Ok);
    EXPECT_TRUE(SameBits(back, p));

    const SPlotGeometry geometry{800, 600, 60, 120};
    ASSERT_EQ(LoadPreset(file.data(), file.size(), loaded, loaded2D, loaded3D, geometry),
              EPresetRead::Ok);
    EXPECT_TRUE(SameBits({loaded.GetPresetSettings()}, {p.settings}));
    // The file's red, blue, green reach the plots as red, green, blue.
    const auto rgb = [](SColour c) { return std::array{c.r, c.g, c.b}; };
    EXPECT_EQ(rgb(loaded.GetBackgroundColor()), (std::array{0.1f, 0.3f, 0.2f}));
    EXPECT_EQ(rgb(loaded.GetForegroundColor()), (std::array{0.4f, 0.6f, 0.5f}));
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
    SPresetSettings full = presettest::NewSettings();
    full.bAutoScale = true;
    const CBytes head = CBytes().U32(51887);
    // Magic, a full settings block, then `more` and the end marker.
    const auto file = [&](const CBytes& more) {
        return CBytes(head).U32(10).Append(SettingsBody(full)).Append(more).U32(64172);
    };
    // A file read in full gives `full` with the case's change, else nothing
    // changes at all.
    using S = SPresetSettings;
    const struct {
        const char* name;
        CBytes file;
        EPresetRead result;
        FChange change = nullptr;
    } cases[] = {
        {"magic, settings and end marker only", file({}), EPresetRead::Ok},
        {"a repeated tag keeps the later value",
         file(CBytes().U32(10).Tag(12, 4).Tag(12, 6).U32(100)), EPresetRead::Ok,
         Set(&S::nWindowType, 6)},
        {"tag 20 with 2 clears automatic ranging", file(CBytes().U32(10).Tag(20, 2).U32(100)),
         EPresetRead::Ok, Set(&S::bAutoScale, false)},
        {"version section 1, 5, 3 without numbers",
         CBytes(head).U32(1).U32(5).U32(3).U32(10).Append(SettingsBody(full)).U32(64172),
         EPresetRead::Ok},
        {"the span is recomputed from minimum and maximum",
         file(CBytes().U32(10).Tag(17, 5.0).U32(100)), EPresetRead::Ok},
        {"an undefined tag", file(CBytes().U32(10).Tag(13, 0).U32(100)), EPresetRead::Malformed},
        {"a stray word in the panel block", file(CBytes().U32(200).U32(7).U32(210)),
         EPresetRead::Malformed},
        {"an undefined section marker", file(CBytes().U32(11)), EPresetRead::Malformed},
        {"a version section not closed by 3", CBytes(head).U32(1).U32(5).U32(4).U32(64172),
         EPresetRead::Malformed},
        {"a wrong magic number", CBytes().U32(51886).U32(64172), EPresetRead::Malformed},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SPreset p = base, want = base;
        EXPECT_EQ(ReadPresetFile(c.file.data.data(), c.file.data.size(), p), c.result);
        if (c.result == EPresetRead::Ok)
            want.settings = full;
        if (c.change)
            c.change(want);
        EXPECT_TRUE(SameBits(p, want));
    }
}

// A file that ends early anywhere, or holds a value the program cannot
// produce, is refused as a whole and leaves the store and the projections.
TEST(PresetFile, AShortFileOrAnImpossibleValueIsRefusedAndChangesNothing) {
    constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
    constexpr double kInf = std::numeric_limits<double>::infinity();
    constexpr float kNaNf = std::numeric_limits<float>::quiet_NaN();
    using S = SPresetSettings;
    const struct {
        const char* name;
        FChange spoil;
    } cases[] = {
        {"frequency minimum 0", Set(&S::dFreqMin, 0.0)},
        {"frequency maximum 20001", Set(&S::dFreqMax, 20001.0)},
        {"zero span", Set(&S::dFreqMin, 10000.0)},
        {"minimum above maximum", Set(&S::dFreqMin, 15000.0)},
        {"frequency NaN", Set(&S::dFreqMax, kNaN)},
        {"span infinite", Set(&S::dFreqSpan, kInf)},
        {"magnitude below 0", Set(&S::dMagMin, -0.1)},
        {"magnitude above 1", Set(&S::dMagMax, 1.5)},
        {"magnitude range empty", Set(&S::dMagMin, 1.0)},
        {"magnitude infinite", Set(&S::dMagMax, kInf)},
        {"plot type 5", Set(&S::nPlotType, 5)},
        {"plot type -1", Set(&S::nPlotType, -1)},
        {"palette 2", Set(&S::nPalette, 2)},
        {"shift 256", Set(&S::nPaletteShift, 256)},
        {"shift -256", Set(&S::nPaletteShift, -256)},
        {"scale 0.05", Set(&S::fPaletteScale, 0.05f)},
        {"scale 2.5", Set(&S::fPaletteScale, 2.5f)},
        {"scale NaN", Set(&S::fPaletteScale, kNaNf)},
        {"channel 4", Set(&S::nChannelMode, 4)},
        {"window 10", Set(&S::nWindowType, 10)},
        {"window -1", Set(&S::nWindowType, -1)},
        {"panel flags 64", Set(&S::nPanelFlags, 64)},
        {"background blue -0.1", Set(&S::fBackBlue, -0.1f)},
        {"foreground green 1.5", Set(&S::fForeGreen, 1.5f)},
        {"background red NaN", Set(&S::fBackRed, kNaNf)},
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
    CRunState store;
    CProjection p2D, p3D;
    p3D.SetRotation(1, 2, 3);
    store.SetPresetSettings(presettest::NewSettings());
    const SPreset before = CapturePreset(store, p2D, p3D);
    const auto load = [&](const std::vector<std::uint8_t>& file) {
        return LoadPreset(file.data(), file.size(), store, p2D, p3D, {});
    };
    const std::vector<std::uint8_t> whole = WritePresetFile(Distinct(), kVersion);
    // Each prefix copied to exactly its length, so reading past it is an ASan
    // error.
    for (std::size_t length = 0; length < whole.size(); ++length)
        ASSERT_EQ(load({whole.begin(), whole.begin() + length}), EPresetRead::EndOfFile)
            << length << " bytes";
    EXPECT_TRUE(SameBits(CapturePreset(store, p2D, p3D), before));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SPreset bad = Defaults();
        ASSERT_TRUE(IsValidPreset(bad));
        c.spoil(bad);
        EXPECT_EQ(load(WritePresetFile(bad, kVersion)), EPresetRead::Malformed);
        EXPECT_TRUE(SameBits(CapturePreset(store, p2D, p3D), before));
    }
}
