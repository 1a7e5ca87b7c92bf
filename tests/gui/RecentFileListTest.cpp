#include <gtest/gtest.h>

#include <QSettings>
#include <QTemporaryDir>

#include "app/RecentFileList.h"

namespace {

TEST(RecentFileList, KeepsTheFourMostRecentPathsNewestFirstWithoutDuplicates) {
    CRecentFileList list(4);
    QStringList expected; // the rule applied by hand: move to the front, cut at 4
    for (const QString& path : QStringList{"a.tpz", "b.tpz", "c.tpz", "b.tpz", "d.tpz", "e.tpz"}) {
        list.Add(path);
        expected.removeAll(path);
        expected.prepend(path);
        while (expected.size() > 4)
            expected.removeLast();
        EXPECT_EQ(list.Files(), expected) << path.toStdString();
    }
    list.Add(QString());
    EXPECT_EQ(list.Files(), expected) << "an empty path is not added";
}

// Saving a shorter list must remove the entries it no longer has.
TEST(RecentFileList, SurvivesASaveAndLoadThroughTheSettingsStore) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString file = dir.filePath("Vireon.conf");
    const QStringList lists[] = {{"/p/1.tpz", "/p/two words.tpz", "/p/3.tpz", "/p/4.tpz"},
                                 {"/p/only.tpz"}};
    for (const QStringList& paths : lists) {
        CRecentFileList written(4), read(4);
        for (const QString& path : paths)
            written.Add(path);
        {
            QSettings settings(file, QSettings::IniFormat);
            written.Save(settings);
        }
        QSettings settings(file, QSettings::IniFormat);
        EXPECT_EQ(settings.value("Recent File List/File1").toString(), paths.back());
        read.Load(settings);
        EXPECT_EQ(read.Files(), written.Files());
    }
}

} // namespace
