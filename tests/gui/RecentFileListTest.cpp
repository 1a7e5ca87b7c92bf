#include <gtest/gtest.h>

#include <QSettings>
#include <QTemporaryDir>

#include "app/RecentFileList.h"

namespace {

// The rule applied by hand: move to the front, cut at 4. Then the list is
// saved and read back, and a shorter one saved over it must remove the
// entries it no longer has.
TEST(RecentFileList, KeepsTheFourNewestPathsWithoutDuplicatesThroughTheSettingsStore) {
    CRecentFileList list(4), shorter(4);
    QStringList expected;
    for (const QString& path : QStringList{"/p/a.tpz", "/p/two words.tpz", "/p/c.tpz",
                                           "/p/two words.tpz", "/p/d.tpz", "/p/e.tpz", ""}) {
        list.Add(path);
        if (!path.isEmpty()) {
            expected.removeAll(path);
            expected.prepend(path);
        }
        while (expected.size() > 4)
            expected.removeLast();
        EXPECT_EQ(list.Files(), expected) << path.toStdString() << ": an empty path is not added";
    }
    shorter.Add("/p/only.tpz");
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
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
