// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/StartupSettings.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <climits>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <random>
#include <system_error>

#include "base/DebugLog.h"

CStartupSettings g_startupSettings;

namespace {

constexpr const char* kFileName = "Vireon.ini";

std::string DefaultPath() {
    std::error_code ec;
    const std::filesystem::path dir = std::filesystem::current_path(ec);
    if (ec || dir.empty())
        return {};
    return (dir / kFileName).string();
}

// A whole decimal integer, blanks around it allowed; anything else (including
// a value that does not fit) is not a number.
bool ParseDecimal(const std::string& text, std::int32_t& value) {
    std::size_t begin = text.find_first_not_of(' ');
    if (begin == std::string::npos)
        return false;
    std::size_t end = text.find_last_not_of(' ') + 1;
    const char* first = text.data() + begin;
    const char* last = text.data() + end;
    if (*first == '+')
        ++first;
    std::int32_t v = 0;
    auto [ptr, ec] = std::from_chars(first, last, v);
    if (ec != std::errc() || ptr != last)
        return false;
    value = v;
    return true;
}

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

} // namespace

CStartupSettings::CStartupSettings() : m_strPath(DefaultPath()) {}

CStartupSettings::CStartupSettings(std::string path) : m_strPath(std::move(path)) {}

void CStartupSettings::LoadForStartup() {
    // Sizes follow the indexes so that the preferences dialog shows and writes
    // back the block size that actually runs.
    if (m_nBufferIndex < 0 || m_nBufferIndex >= static_cast<std::int32_t>(kBlockSizes.size()))
        m_nBufferIndex = 1;
    if (m_nSizeIndex < 0 || m_nSizeIndex >= static_cast<std::int32_t>(kPlotWidths.size()))
        m_nSizeIndex = 0;
    m_nBlockSize = kBlockSizes[static_cast<std::size_t>(m_nBufferIndex)];
    m_nPlotWidth = kPlotWidths[static_cast<std::size_t>(m_nSizeIndex)];
    Read();
    m_nPlotHeight = static_cast<std::int32_t>(m_nPlotWidth * 0.75);
    m_nHistoryLength = m_nPlotHeight - 120;
}

bool CStartupSettings::Read() {
    if (m_strPath.empty())
        return false;
    FilePtr file(std::fopen(m_strPath.c_str(), "r"));
    if (!file)
        return false;
    // Whole lines, however long: a line cut in pieces would apply the tail
    // of a long comment as a setting and cut a long preset path.
    std::string line;
    char piece[256];
    int number = 0;
    while (std::fgets(piece, sizeof piece, file.get()) != nullptr) {
        line += piece;
        if (line.back() != '\n' && !std::feof(file.get()))
            continue;
        ++number;
        if (!ParseLine(line.c_str(),
                       static_cast<int>(std::min<std::size_t>(line.size(), INT_MAX)))) {
            // Still ignored, but a mistyped line should not vanish unseen.
            while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
                line.pop_back();
            DebugLog("%s line %d not understood, ignored: %s\r\n", m_strPath.c_str(), number,
                     line.c_str());
        }
        line.clear();
    }
    return true;
}

bool CStartupSettings::Write() const {
    if (m_strPath.empty())
        return false;
    // Written beside the file and renamed over it only once complete: a full
    // disk or a refused folder leaves the previous settings, not an empty file.
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::path target = m_strPath;
    if (fs::is_symlink(target, ec)) {
        const fs::path resolved = fs::weakly_canonical(target, ec);
        if (!ec)
            target = resolved; // keep the link; replace what it points to
    }
    std::random_device random;
    std::string temporary;
    FilePtr file;
    for (int attempt = 0; attempt < 8 && !file; ++attempt) {
        temporary = target.string() + ".tmp" + std::to_string(random() % 1000000);
        file.reset(std::fopen(temporary.c_str(), "wx")); // never someone else's file
    }
    if (!file)
        return false;
    std::fprintf(file.get(), "# This is the Vireon.ini file\n");
    std::fprintf(file.get(), "%s %d\n", "BUFFER", m_nBufferIndex);
    std::fprintf(file.get(), "%s %d\n", "SIZE", m_nSizeIndex);
    std::fprintf(file.get(), "%s %d\n", "3DPLOT", m_n3DPlotIndex);
    std::fprintf(file.get(), "%s %s\n", "PRESET", m_strPreset.c_str());
    const bool written = std::fflush(file.get()) == 0 && !std::ferror(file.get());
    const bool closed = std::fclose(file.release()) == 0;
    if (!written || !closed || std::rename(temporary.c_str(), target.c_str()) != 0) {
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

bool CStartupSettings::ParseLine(const char* text, int length) {
    if (text == nullptr || length <= 0)
        return true;
    std::size_t len = 0;
    while (len < static_cast<std::size_t>(length) && text[len] != '\0')
        ++len;
    const std::string line(text, len);
    if (line.find_first_not_of(" \t\r\n") == std::string::npos || line[0] == '#')
        return true;
    const std::size_t blank = line.find(' ');
    if (blank == std::string::npos || blank == 0)
        return false;

    std::string keyword = line.substr(0, blank);
    for (char& c : keyword)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));

    std::string value;
    for (std::size_t i = blank + 1; i < line.size(); ++i) {
        const auto c = static_cast<unsigned char>(line[i]);
        if (c < 32 || c > 127)
            break;
        value.push_back(static_cast<char>(c));
    }

    std::int32_t v = 0;
    const bool numeric = ParseDecimal(value, v);
    if (keyword.find("BUFFER") != std::string::npos && numeric && v >= 0 &&
        v < static_cast<std::int32_t>(kBlockSizes.size())) {
        m_nBufferIndex = v;
        m_nBlockSize = kBlockSizes[static_cast<std::size_t>(v)];
        return true;
    }
    if (keyword.find("SIZE") != std::string::npos && numeric && v >= 0 &&
        v < static_cast<std::int32_t>(kPlotWidths.size())) {
        m_nSizeIndex = v;
        m_nPlotWidth = kPlotWidths[static_cast<std::size_t>(v)];
        return true;
    }
    if (keyword.find("3DPLOT") != std::string::npos && numeric && v >= 0 &&
        v < static_cast<std::int32_t>(kSurfaceCols.size())) {
        m_n3DPlotIndex = v;
        m_nSurfaceCols = kSurfaceCols[static_cast<std::size_t>(v)];
        m_nSurfaceRows = kSurfaceRows[static_cast<std::size_t>(v)];
        return true;
    }
    if (keyword.find("PRESET") != std::string::npos) {
        m_strPreset = value;
        return true;
    }
    return false;
}
