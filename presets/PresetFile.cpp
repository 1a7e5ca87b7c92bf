#include "presets/PresetFile.h"

#include <algorithm>
#include <bit>
#include <cmath>

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

enum : std::uint32_t {
    kTagChannel = 11,
    kTagWindow = 12,
    kTagFreqMin = 15,
    kTagFreqMax = 16,
    kTagFreqSpan = 17,
    kTagMagMin = 18,
    kTagMagMax = 19,
    kTagAutoScale = 20,
    kTagPlotType = 30,
    kTagPanelFlags = 31,
    kTagPalette = 32,
    kTagPaletteShift = 33,
    kTagPaletteScale = 34,
    kTagPaletteInvert = 35,
    kTagPlotOnly = 36,
    kTagBackRed = 40,
    kTagBackBlue = 41,
    kTagBackGreen = 42,
    kTagForeRed = 43,
    kTagForeBlue = 44,
    kTagForeGreen = 45,
};

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
    out.U32(kTagChannel);
    out.I32(s.nChannelMode);
    out.U32(kTagWindow);
    out.I32(s.nWindowType);
    out.U32(kTagFreqMin);
    out.F64(s.dFreqMin);
    out.U32(kTagFreqMax);
    out.F64(s.dFreqMax);
    out.U32(kTagFreqSpan);
    out.F64(s.dFreqSpan);
    out.U32(kTagMagMin);
    out.F64(s.dMagMin);
    out.U32(kTagMagMax);
    out.F64(s.dMagMax);
    out.U32(kTagAutoScale);
    out.I32(s.bAutoScale ? 1 : 0);
    out.U32(kTagPlotType);
    out.I32(s.nPlotType);
    out.U32(kTagPanelFlags);
    out.I32(s.nPanelFlags);
    out.U32(kTagPalette);
    out.I32(s.nPalette);
    out.U32(kTagPaletteShift);
    out.I32(s.nPaletteShift);
    out.U32(kTagPaletteScale);
    out.F32(s.fPaletteScale);
    out.U32(kTagPaletteInvert);
    out.I32(s.bPaletteInvert ? 1 : 0);
    out.U32(kTagPlotOnly);
    out.I32(s.bPlotOnly ? 1 : 0);
    out.U32(kTagBackRed);
    out.F32(s.fBackRed);
    out.U32(kTagBackBlue);
    out.F32(s.fBackBlue);
    out.U32(kTagBackGreen);
    out.F32(s.fBackGreen);
    out.U32(kTagForeRed);
    out.F32(s.fForeRed);
    out.U32(kTagForeBlue);
    out.F32(s.fForeBlue);
    out.U32(kTagForeGreen);
    out.F32(s.fForeGreen);
    out.U32(kSettingsEnd);
}

bool SerializeSettings(CPresetReader& in, SPresetSettings& s) {
    for (;;) {
        const std::uint32_t tag = in.U32();
        if (in.AtEnd())
            return true;
        switch (tag) {
        case kTagChannel:
            s.nChannelMode = in.I32();
            break;
        case kTagWindow:
            s.nWindowType = in.I32();
            break;
        case kTagFreqMin:
            s.dFreqMin = in.F64();
            break;
        case kTagFreqMax:
            s.dFreqMax = in.F64();
            break;
        case kTagFreqSpan:
            s.dFreqSpan = in.F64();
            break;
        case kTagMagMin:
            s.dMagMin = in.F64();
            break;
        case kTagMagMax:
            s.dMagMax = in.F64();
            break;
        case kTagAutoScale:
            s.bAutoScale = in.I32() == 1;
            break;
        case kTagPlotType:
            s.nPlotType = in.I32();
            break;
        case kTagPanelFlags:
            s.nPanelFlags = in.I32();
            break;
        case kTagPalette:
            s.nPalette = in.I32();
            break;
        case kTagPaletteShift:
            s.nPaletteShift = in.I32();
            break;
        case kTagPaletteScale:
            s.fPaletteScale = in.F32();
            break;
        case kTagPaletteInvert:
            s.bPaletteInvert = in.I32() == 1;
            break;
        case kTagPlotOnly:
            s.bPlotOnly = in.I32() == 1;
            break;
        case kTagBackRed:
            s.fBackRed = in.F32();
            break;
        case kTagBackBlue:
            s.fBackBlue = in.F32();
            break;
        case kTagBackGreen:
            s.fBackGreen = in.F32();
            break;
        case kTagForeRed:
            s.fForeRed = in.F32();
            break;
        case kTagForeBlue:
            s.fForeBlue = in.F32();
            break;
        case kTagForeGreen:
            s.fForeGreen = in.F32();
            break;
        case kSettingsEnd:
            return false;
        default:
            return true;
        }
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
