// SPDX-License-Identifier: GPL-3.0-or-later
#include "presets/PresetFile.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <iterator>
#include <variant>

namespace {

enum : std::uint32_t {
    kVersionStart = 1,
    kVersionPresent = 2,
    kVersionEnd = 3,
    kSettingsStart = 10,
    kSettingsEnd = 100,
    kPanelsStart = 200,
    kProjections = 201,
    kPanelsEnd = 210,
};

// The settings tags, in the order the writer emits them, and the field each
// carries. A bool field is a 32-bit flag: written as 0 or 1, set on reading
// only by the value 1.
using FSetting = std::variant<std::int32_t SPresetSettings::*, bool SPresetSettings::*,
                              float SPresetSettings::*, double SPresetSettings::*>;
struct STag {
    std::uint32_t nTag;
    FSetting field;
};
using S = SPresetSettings;
constexpr STag kTags[] = {
    {11, &S::nChannelMode},  {12, &S::nWindowType},    {15, &S::dFreqMin},  {16, &S::dFreqMax},
    {17, &S::dFreqSpan},     {18, &S::dMagMin},        {19, &S::dMagMax},   {20, &S::bAutoScale},
    {30, &S::nPlotType},     {31, &S::nPanelFlags},    {32, &S::nPalette},  {33, &S::nPaletteShift},
    {34, &S::fPaletteScale}, {35, &S::bPaletteInvert}, {36, &S::bPlotOnly}, {40, &S::fBackRed},
    {41, &S::fBackBlue},     {42, &S::fBackGreen},     {43, &S::fForeRed},  {44, &S::fForeBlue},
    {45, &S::fForeGreen},
};

void Write(CPresetWriter& out, std::int32_t v) {
    out.I32(v);
}
void Write(CPresetWriter& out, bool v) {
    out.I32(v ? 1 : 0);
}
void Write(CPresetWriter& out, float v) {
    out.F32(v);
}
void Write(CPresetWriter& out, double v) {
    out.F64(v);
}

void Read(CPresetReader& in, std::int32_t& v) {
    v = in.I32();
}
void Read(CPresetReader& in, bool& v) {
    v = in.I32() == 1;
}
void Read(CPresetReader& in, float& v) {
    v = in.F32();
}
void Read(CPresetReader& in, double& v) {
    v = in.F64();
}

// What the user interface can set (the acquisition dialog's fields, the
// palette drag limits, the plot and panel commands).
constexpr std::int32_t kPlotTypeLast = 4;
constexpr std::int32_t kPaletteLast = 1;
constexpr std::int32_t kShiftLimit = 255;
// The drag clamps the scale to 0.1..2.0 in float arithmetic; allow its rounding.
constexpr float kScaleLowest = 0.1f - 1e-6f;
constexpr float kScaleHighest = 2.0f + 1e-6f;
constexpr std::int32_t kChannelLast = 3;
constexpr std::int32_t kWindowLast = 9;
constexpr std::int32_t kPanelFlagsLast = 63;

bool Fail(std::string* why, const char* text) {
    if (why)
        *why = text;
    return false;
}

bool InRange(double v, double lo, double hi) {
    return std::isfinite(v) && v >= lo && v <= hi;
}

bool AllFinite(const std::array<double, 3>& values) {
    for (double v : values)
        if (!std::isfinite(v))
            return false;
    return true;
}

bool ProjectionIsFinite(const CProjection::Record& record) {
    CProjection projection;
    projection.Deserialize(record);
    for (double v : projection.GetBounds())
        if (!std::isfinite(v))
            return false;
    return AllFinite(projection.GetScale()) && AllFinite(projection.GetTranslation()) &&
           AllFinite(projection.GetRotation());
}

} // namespace

// ---- word cursors ----

void CPresetWriter::U16(std::uint16_t v) {
    m_data.push_back(static_cast<std::uint8_t>(v));
    m_data.push_back(static_cast<std::uint8_t>(v >> 8));
}

void CPresetWriter::U32(std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        m_data.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

void CPresetWriter::F32(float v) {
    U32(std::bit_cast<std::uint32_t>(v));
}

void CPresetWriter::F64(double v) {
    const auto bits = std::bit_cast<std::uint64_t>(v);
    for (int i = 0; i < 8; ++i)
        m_data.push_back(static_cast<std::uint8_t>(bits >> (8 * i)));
}

void CPresetWriter::Bytes(const std::uint8_t* data, std::size_t size) {
    m_data.insert(m_data.end(), data, data + size);
}

const std::uint8_t* CPresetReader::Take(std::size_t size) {
    if (m_bPastEnd || m_nSize - m_nPos < size) {
        m_bPastEnd = true;
        m_nPos = m_nSize;
        return nullptr;
    }
    const std::uint8_t* p = m_pData + m_nPos;
    m_nPos += size;
    return p;
}

std::uint64_t CPresetReader::Little(int bytes) {
    const auto n = static_cast<std::size_t>(bytes);
    const std::uint8_t* p = Take(n);
    if (!p)
        return 0;
    std::uint64_t v = 0;
    for (std::size_t i = 0; i < n; ++i)
        v |= static_cast<std::uint64_t>(p[i]) << (8 * i);
    return v;
}

std::uint16_t CPresetReader::U16() {
    return static_cast<std::uint16_t>(Little(2));
}

std::uint32_t CPresetReader::U32() {
    return static_cast<std::uint32_t>(Little(4));
}

float CPresetReader::F32() {
    return std::bit_cast<float>(U32());
}

double CPresetReader::F64() {
    return std::bit_cast<double>(Little(8));
}

bool CPresetReader::Bytes(std::uint8_t* out, std::size_t size) {
    const std::uint8_t* p = Take(size);
    if (!p) {
        std::fill_n(out, size, std::uint8_t{0});
        return false;
    }
    std::copy_n(p, size, out);
    return true;
}

// ---- the blocks ----

void SerializeSettings(CPresetWriter& out, const SPresetSettings& s) {
    for (const STag& tag : kTags) {
        out.U32(tag.nTag);
        std::visit([&](auto field) { Write(out, s.*field); }, tag.field);
    }
    out.U32(kSettingsEnd);
}

bool SerializeSettings(CPresetReader& in, SPresetSettings& s) {
    for (;;) {
        const std::uint32_t word = in.U32();
        if (in.AtEnd())
            return true;
        if (word == kSettingsEnd)
            return false;
        const auto tag = std::find_if(std::begin(kTags), std::end(kTags),
                                      [word](const STag& t) { return t.nTag == word; });
        if (tag == std::end(kTags))
            return true;
        std::visit([&](auto field) { Read(in, s.*field); }, tag->field);
        if (in.AtEnd())
            return true;
    }
}

void SerializePanels(CPresetWriter& out, const SPreset& preset) {
    out.U32(kProjections);
    out.Bytes(preset.projection2D.data(), preset.projection2D.size());
    out.Bytes(preset.projection3D.data(), preset.projection3D.size());
    out.U32(kPanelsEnd);
}

bool SerializePanels(CPresetReader& in, SPreset& preset) {
    bool failed = false;
    for (;;) {
        const std::uint32_t marker = in.U32();
        if (in.AtEnd())
            return true;
        if (marker == kProjections) {
            if (!in.Bytes(preset.projection2D.data(), preset.projection2D.size()) ||
                !in.Bytes(preset.projection3D.data(), preset.projection3D.size()))
                return true;
        } else if (marker == kPanelsEnd) {
            return failed;
        } else {
            // A stray word: skipped, but the file counts as faulty.
            failed = true;
        }
    }
}

// ---- the file ----

std::vector<std::uint8_t> WritePresetFile(const SPreset& preset,
                                          const std::array<std::int16_t, 4>& version) {
    CPresetWriter out;
    out.U32(kPresetMagic);
    out.U32(kVersionStart);
    out.U32(kVersionPresent);
    for (std::int16_t part : version)
        out.U16(static_cast<std::uint16_t>(part));
    out.U32(kVersionEnd);
    out.U32(kSettingsStart);
    SerializeSettings(out, preset.settings);
    out.U32(kPanelsStart);
    SerializePanels(out, preset);
    out.U32(kPresetEnd);
    return out.Data();
}

EPresetRead ReadPresetFile(const std::uint8_t* data, std::size_t size, SPreset& preset,
                           std::string* why) {
    CPresetReader in(data, size);
    SPreset read = preset;
    const auto failed = [&](const char* text) {
        if (why)
            *why = in.AtEnd() ? "the file ends before its end marker" : text;
        return in.AtEnd() ? EPresetRead::EndOfFile : EPresetRead::Malformed;
    };
    if (in.U32() != kPresetMagic)
        return failed("not a preset file (wrong magic number)");
    for (;;) {
        const std::uint32_t marker = in.U32();
        if (in.AtEnd())
            return failed("");
        switch (marker) {
        case kVersionStart:
            if (in.U32() == kVersionPresent)
                for (int i = 0; i < 4; ++i)
                    in.U16();
            if (in.U32() != kVersionEnd)
                return failed("bad version section");
            break;
        case kSettingsStart:
            if (SerializeSettings(in, read.settings))
                return failed("undefined settings tag");
            break;
        case kPanelsStart:
            if (SerializePanels(in, read))
                return failed("stray word in the panel block");
            break;
        case kPresetEnd:
            if (!IsValidPreset(read, why))
                return EPresetRead::Malformed;
            read.settings.dFreqSpan = read.settings.dFreqMax - read.settings.dFreqMin;
            preset = read;
            return EPresetRead::Ok;
        default:
            return failed("undefined section marker");
        }
    }
}

bool IsValidPreset(const SPreset& preset, std::string* why) {
    const SPresetSettings& s = preset.settings;
    if (!InRange(s.dFreqMin, kPresetFreqLowest, kPresetFreqHighest) ||
        !InRange(s.dFreqMax, kPresetFreqLowest, kPresetFreqHighest) || !(s.dFreqMin < s.dFreqMax))
        return Fail(why, "frequency range outside 1..20000 Hz or empty");
    if (!std::isfinite(s.dFreqSpan))
        return Fail(why, "frequency span not a number");
    if (!InRange(s.dMagMin, 0.0, 1.0) || !InRange(s.dMagMax, 0.0, 1.0) || !(s.dMagMin < s.dMagMax))
        return Fail(why, "magnitude range outside 0..1 or empty");
    if (s.nPlotType < 0 || s.nPlotType > kPlotTypeLast)
        return Fail(why, "unknown plot type");
    if (s.nPalette < 0 || s.nPalette > kPaletteLast)
        return Fail(why, "unknown palette");
    if (s.nPaletteShift < -kShiftLimit || s.nPaletteShift > kShiftLimit)
        return Fail(why, "palette shift outside -255..255");
    if (!InRange(s.fPaletteScale, kScaleLowest, kScaleHighest))
        return Fail(why, "palette scale outside 0.1..2.0");
    if (s.nChannelMode < 0 || s.nChannelMode > kChannelLast)
        return Fail(why, "unknown channel function");
    if (s.nWindowType < 0 || s.nWindowType > kWindowLast)
        return Fail(why, "unknown window function");
    if (s.nPanelFlags < 0 || s.nPanelFlags > kPanelFlagsLast)
        return Fail(why, "unknown panel flags");
    for (float c : {s.fBackRed, s.fBackBlue, s.fBackGreen, s.fForeRed, s.fForeBlue, s.fForeGreen})
        if (!InRange(c, 0.0, 1.0))
            return Fail(why, "colour component outside 0..1");
    if (!ProjectionIsFinite(preset.projection2D) || !ProjectionIsFinite(preset.projection3D))
        return Fail(why, "projection value not a number");
    return true;
}

// ---- the store and the projections ----

EPresetRead LoadPreset(const std::uint8_t* data, std::size_t size, CRunState& store,
                       CProjection& projection2D, CProjection& projection3D,
                       const SPlotGeometry& geometry, std::string* why) {
    SPreset preset = CapturePreset(store, projection2D, projection3D);
    const EPresetRead result = ReadPresetFile(data, size, preset, why);
    if (result == EPresetRead::Ok)
        ApplyPreset(preset, store, projection2D, projection3D, geometry);
    return result;
}

std::vector<std::uint8_t> SavePreset(const CRunState& store, const CProjection& projection2D,
                                     const CProjection& projection3D,
                                     const std::array<std::int16_t, 4>& version) {
    return WritePresetFile(CapturePreset(store, projection2D, projection3D), version);
}

SPreset CapturePreset(const CRunState& store, const CProjection& projection2D,
                      const CProjection& projection3D) {
    SPreset preset;
    preset.settings = store.GetPresetSettings();
    preset.projection2D = projection2D.Serialize();
    preset.projection3D = projection3D.Serialize();
    return preset;
}

void ApplyPreset(const SPreset& preset, CRunState& store, CProjection& projection2D,
                 CProjection& projection3D, const SPlotGeometry& geometry) {
    store.SetPresetSettings(preset.settings);
    const SViewport viewport3D = projection3D.GetViewport();
    projection2D.Deserialize(preset.projection2D);
    projection3D.Deserialize(preset.projection3D);
    projection3D.SetViewport(viewport3D.x, viewport3D.y, viewport3D.width, viewport3D.height);
    FitProjections(projection2D, projection3D, geometry);
}

void FitProjections(CProjection& projection2D, CProjection& projection3D,
                    const SPlotGeometry& geometry) {
    const double w = geometry.nPlotWidth;
    const double p = geometry.nPlotHeight;
    const double k = geometry.nSurfaceCols;
    const double r = geometry.nSurfaceRows;
    projection2D.SetViewport(0, 0, geometry.nPlotWidth, geometry.nPlotHeight);
    projection2D.SetBounds(0, w, 0, p, 0, 1);
    projection3D.SetBounds(-0.45 * k, 0.45 * k, -k / 2.0, k / 2.0, 0.8 * r, 8.0 * r);
}
