// SPDX-License-Identifier: GPL-3.0-or-later
// The preset file (".tpz"): a tagged sequence of little-endian 32-bit words.
//
// Written form (524 bytes, nothing aligned):
//   u32 51887 magic
//   u32 1, u32 2, 4 x u16 program version, u32 3       version section
//   u32 10, 21 x (u32 tag, value), u32 100             settings block
//   u32 200, u32 201, 2 x 144-byte projection, u32 210  panel block
//   u32 64172 end of preset
// Settings tags: 11 channel, 12 window (i32); 15..19 frequency minimum,
// maximum, span, magnitude minimum, maximum (f64); 20 auto scale (i32, only
// 1 sets it); 30..33 plot type, panel flags, palette, palette shift (i32);
// 34 palette scale (f32); 35 palette invert, 36 plot only (i32 flags);
// 40..45 background red, blue, green, foreground red, blue, green (f32).
// The writer emits the tags in this order.
//
// Reading is lenient about form and strict about values: sections may come
// in any order and repeat, the version section may hold no numbers (1, n, 3
// with n != 2), a settings tag may repeat (the later value wins) or be
// missing (the value already in force stays). Every value of the merged
// result must be one the user interface can produce (see IsValidPreset), or
// the whole file is refused; nothing of a refused file is applied.
//
// Standard C++ only. The functions are pure except CapturePreset and
// ApplyPreset: those copy the store's groups under the store's own locks (so
// worker threads may read the same groups meanwhile) and touch the
// projections, which belong to the user-interface thread.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "base/RunState.h"
#include "plots/Projection.h"

inline constexpr std::uint32_t kPresetMagic = 51887;
inline constexpr std::uint32_t kPresetEnd = 64172;
inline constexpr std::size_t kPresetFileSize = 524;
// The displayed frequency range a preset may hold, in Hz: what the
// acquisition dialog accepts.
inline constexpr std::int32_t kPresetFreqLowest = 1;
inline constexpr std::int32_t kPresetFreqHighest = 20000;
// The file dialogs' filter for preset files (opening, saving, the start-up preset).
inline constexpr char kPresetFileFilter[] = "Vireon Preset (*.tpz)";

// What a preset holds: the store's preset groups and both projection records.
struct SPreset {
    SPresetSettings settings;
    CProjection::Record projection2D{};
    CProjection::Record projection3D{};
};

// The sizes the projections are fitted to after a load (startup settings).
struct SPlotGeometry {
    std::int32_t nPlotWidth = 640;  // W
    std::int32_t nPlotHeight = 480; // P
    std::int32_t nSurfaceCols = 30; // K
    std::int32_t nSurfaceRows = 80; // R
};

enum class EPresetRead {
    Ok,
    Malformed, // wrong magic, unknown marker or tag, a stray word, a bad value
    EndOfFile, // the file ends before its end marker
};

// Little-endian word cursors over a byte buffer. The reader never reads past
// the end: a short read gives zeros and sets AtEnd for good.
class CPresetWriter {
public:
    void U16(std::uint16_t v);
    void U32(std::uint32_t v);
    void I32(std::int32_t v) { U32(static_cast<std::uint32_t>(v)); }
    void F32(float v);
    void F64(double v);
    void Bytes(const std::uint8_t* data, std::size_t size);
    const std::vector<std::uint8_t>& Data() const { return m_data; }

private:
    std::vector<std::uint8_t> m_data;
};

class CPresetReader {
public:
    CPresetReader(const std::uint8_t* data, std::size_t size) : m_pData(data), m_nSize(size) {}
    std::uint16_t U16();
    std::uint32_t U32();
    std::int32_t I32() { return static_cast<std::int32_t>(U32()); }
    float F32();
    double F64();
    // Copies size bytes to out; false (out zeroed) if fewer remain.
    bool Bytes(std::uint8_t* out, std::size_t size);
    bool AtEnd() const { return m_bPastEnd; }

private:
    // The next size bytes, or null (and AtEnd from now on) if fewer remain.
    const std::uint8_t* Take(std::size_t size);
    std::uint64_t Little(int bytes);

    const std::uint8_t* m_pData;
    std::size_t m_nSize;
    std::size_t m_nPos = 0;
    bool m_bPastEnd = false;
};

// The settings block after its start marker 10, up to and including the end
// marker 100. Reading returns true on a failure (an undefined tag, or the end
// of the data), false once 100 is read.
void SerializeSettings(CPresetWriter& out, const SPresetSettings& settings);
bool SerializeSettings(CPresetReader& in, SPresetSettings& settings);
// The panel block after its start marker 200, up to and including 210.
// Reading returns true on a failure: a word other than 201 or 210 (skipped,
// reading goes on to 210) or the end of the data.
void SerializePanels(CPresetWriter& out, const SPreset& preset);
bool SerializePanels(CPresetReader& in, SPreset& preset);

// The whole 524-byte file.
std::vector<std::uint8_t> WritePresetFile(const SPreset& preset,
                                          const std::array<std::int16_t, 4>& version);
// Reads a whole file over a copy of preset (the values in force, which tags
// that are missing keep) and replaces preset only if the result is Ok. why
// (optional) receives the reason of a failure, for the trace.
EPresetRead ReadPresetFile(const std::uint8_t* data, std::size_t size, SPreset& preset,
                           std::string* why = nullptr);

// Every number finite; frequencies 1..20000 Hz and magnitudes 0..1, each with
// minimum below maximum, span = maximum - minimum; plot type 0..4; palette
// 0..1; shift -255..255; scale 0.1..2.0; channel 0..3; window 0..9; panel
// flags 0..63; colour components 0..1; every projection value finite.
bool IsValidPreset(const SPreset& preset, std::string* why = nullptr);

// The whole open: reads the file over the preset in force and, only if it is
// Ok, applies it (ApplyPreset). Anything else leaves the store and the
// projections exactly as they were.
EPresetRead LoadPreset(const std::uint8_t* data, std::size_t size, CRunState& store,
                       CProjection& projection2D, CProjection& projection3D,
                       const SPlotGeometry& geometry, std::string* why = nullptr);
// The file of the preset in force.
std::vector<std::uint8_t> SavePreset(const CRunState& store, const CProjection& projection2D,
                                     const CProjection& projection3D,
                                     const std::array<std::int16_t, 4>& version);

// The preset in force: the store's preset groups and the two projections.
SPreset CapturePreset(const CRunState& store, const CProjection& projection2D,
                      const CProjection& projection3D);
// Puts a (valid) preset into the store and the projections, then fits the
// projections' size-dependent fields to this run's sizes (FitProjections),
// so a preset saved at another plot size draws correctly here. The store's
// display-changed flag is left to the caller.
void ApplyPreset(const SPreset& preset, CRunState& store, CProjection& projection2D,
                 CProjection& projection3D, const SPlotGeometry& geometry);
// The fields the view derives from the sizes: the 2D viewport (0, 0, W, P)
// and volume 0..W x 0..P x 0..1; the 3D volume -0.45 K..0.45 K x -K/2..K/2 x
// 0.8 R..8 R. Rotations, translations, scales, kinds, render modes and the 3D
// viewport (the layout's) stay.
void FitProjections(CProjection& projection2D, CProjection& projection3D,
                    const SPlotGeometry& geometry);
