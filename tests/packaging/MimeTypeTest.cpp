// SPDX-License-Identifier: GPL-3.0-or-later
// The preset MIME type as a desktop reads it: Qt's MIME database, which
// follows the same shared-mime-info rules as a file manager, given the
// package's XML in a data folder of its own besides the system's.
#include <gtest/gtest.h>

#include <QMimeDatabase>

#include <cstdlib>
#include <filesystem>

#include "tests/acquisition/AcquisitionTestSupport.h"
#include "tests/presets/PresetTestSupport.h"

namespace {

// A preset is known by its name, and by its magic number when the name says
// nothing; sound is not taken for one.
TEST(PresetMimeType, APresetIsKnownByItsNameOrItsMagicNumberAndSoundIsNot) {
    const acqtest::CTempDir dir;
    const std::filesystem::path packages = dir.m_path / "data" / "mime" / "packages";
    std::filesystem::create_directories(packages);
    std::filesystem::copy_file(VIREON_MIME_XML, packages / "vireon.xml");
    // Read once, on the first use of the database: set before it.
    const std::string dataDirs = (dir.m_path / "data").string() + ":/usr/share";
    ASSERT_EQ(setenv("XDG_DATA_DIRS", dataDirs.c_str(), 1), 0);
    ASSERT_EQ(setenv("XDG_DATA_HOME", (dir.m_path / "home").c_str(), 1), 0);

    const acqtest::Bytes preset = WritePresetFile({presettest::NewSettings()}, {1, 0, 0, 0});
    const acqtest::Bytes wav = acqtest::Wav(acqtest::Tone(1000.0, 8000.0, 4410));
    const QString kPreset = QStringLiteral("application/x-vireon-preset");
    const QMimeDatabase database;
    ASSERT_TRUE(database.mimeTypeForName(kPreset).isValid()) << "the XML was not read";
    const struct {
        const char* name;
        const acqtest::Bytes& bytes;
        bool isPreset;
    } cases[] = {
        {"named.tpz", preset, true},
        {"nameless", preset, true},
        {"tone.wav", wav, false},
        {"tone", wav, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = QString::fromStdString(dir.Write(c.name, c.bytes));
        const QMimeType type = database.mimeTypeForFile(path);
        EXPECT_EQ(type.name() == kPreset, c.isPreset) << type.name().toStdString();
    }
}

} // namespace
