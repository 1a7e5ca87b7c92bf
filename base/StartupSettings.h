// SPDX-License-Identifier: GPL-3.0-or-later
// The startup settings: block size, plot size, 3D plot size and the preset to
// open at start, kept in the keyword file "Vireon.ini" in the current
// directory. The sizes fix every buffer of the run, so they are read once when
// the main frame is built and a rewritten file takes effect at the next start.
//
// File format: one keyword line each, "BUFFER n", "SIZE n", "3DPLOT n" and
// "PRESET path"; lines starting with '#' are comments. The numbers are table
// indexes (see the tables below), not sizes. A line that sets nothing (no
// keyword, a value out of range) is ignored and traced with the file's name
// and its line number.
//
// Not thread-safe. Everything here runs on the user-interface thread before the
// worker threads exist; afterwards the fields are only read.
#pragma once

#include <array>
#include <cstdint>
#include <string>

class CStartupSettings {
public:
    // Block sizes N ("BUFFER" 0..5).
    static constexpr std::array<std::int32_t, 6> kBlockSizes = {1024, 2048,  4096,
                                                                8192, 16384, 32768};
    // Plot widths W in pixels ("SIZE" 0..2); the height is W * 0.75.
    static constexpr std::array<std::int32_t, 3> kPlotWidths = {640, 800, 960};
    // Surface columns K and rows R ("3DPLOT" 0..2).
    static constexpr std::array<std::int32_t, 3> kSurfaceCols = {30, 60, 90};
    static constexpr std::array<std::int32_t, 3> kSurfaceRows = {80, 120, 160};

    // The file lives in the current working directory; if that cannot be
    // obtained the path stays empty and the file is neither read nor written.
    CStartupSettings();
    // The file at the given path (tests, or another location).
    explicit CStartupSettings(std::string path);
    virtual ~CStartupSettings() = default;

    const std::string& GetPath() const { return m_strPath; }
    void SetPath(std::string path) { m_strPath = std::move(path); }

    // The main frame's start-up sequence: block size and plot width from the
    // current indexes (2048 and 640 by default), Read, then the plot height
    // (integer part of W * 0.75) and the history length H = height - 120.
    void LoadForStartup();

    // Applies every line of the file, each whole whatever its length. Returns
    // false if it could not be opened (the values then stay as they are).
    bool Read();
    // Replaces the file with the header and the four keyword lines, written
    // to a temporary file beside it that is then renamed over it (over the
    // file a symbolic link names). Returns false if that failed; the old file
    // is then as it was.
    bool Write() const;
    // Applies one line; at most length characters of text are looked at, and
    // a NUL ends the line earlier. False if the line is neither blank, a
    // comment nor a setting that applied.
    bool ParseLine(const char* text, int length);

    std::int32_t m_nBufferIndex = 1;
    std::int32_t m_nSizeIndex = 0;
    std::int32_t m_n3DPlotIndex = 0;
    std::int32_t m_nBlockSize = kBlockSizes[1];
    std::int32_t m_nHistoryLength = 360;
    std::int32_t m_nPlotWidth = 640;
    std::int32_t m_nPlotHeight = 480;
    std::int32_t m_nSurfaceCols = 30;
    std::int32_t m_nSurfaceRows = 80;
    std::string m_strPath;
    std::string m_strPreset;
};

// The process-wide settings, constructed during static initialisation.
extern CStartupSettings g_startupSettings;
