// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QSettings>
#include <QTemporaryDir>

#include "app/RecentFileList.h"

namespace {

// Moved to the front, cut at 4, an empty path not added. Then the list is
// saved and read back, and a shorter one saved over it must remove the
// entries it no longer has.
TEST(RecentFileList, KeepsTheFourNewestPathsWithoutDuplicatesThroughTheSettingsStore) {
    CRecentFileList list(4), shorter(4);
    for (const char* path : {"/p/a.tpz", "/p/two words.tpz", "/p/c.tpz", "/p/two words.tpz", ""})
        list.Add(path);
    EXPECT_EQ(list.Files(), (QStringList{"/p/two words.tpz", "/p/c.tpz", "/p/a.tpz"}));
    list.Add("/p/d.tpz");
    list.Add("/p/e.tpz");
    EXPECT_EQ(list.Files(), (QStringList{"/p/e.tpz", "/p/d.tpz", "/p/two words.tpz", "/p/c.tpz"}));
    shorter.Add("/p/only.tpz");
    QTemporaryDir dir;
    for (const CRecentFileList* written : {&list, &shorter}) {
        {
            QSettings settings(dir.filePath("Vireon.conf"), QSettings::IniFormat);
            written->Save(settings);
        }
        QSettings settings(dir.filePath("Vireon.conf"), QSettings::IniFormat);
        EXPECT_EQ(settings.value("Recent File List/File1").toString(), written->Files().front());
        CRecentFileList read(4);
        read.Load(settings);
        EXPECT_EQ(read.Files(), written->Files());
    }
}

} // namespace
