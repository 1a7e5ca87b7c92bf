#include <gtest/gtest.h>

#include <QSettings>
#include <QTemporaryDir>

#include "app/RecentFileList.h"

namespace {

TEST(RecentFileList, KeepsTheFourMostRecentPathsNewestFirstWithoutDuplicates) {
    CRecentFileList list(4);
    const QStringList added = {"a.tpz", "b.tpz", "c.tpz", "b.tpz", "d.tpz", "e.tpz"};
    QStringList expected; // the rule applied by hand: move to front, cut at 4
    for (const QString& path : added) {
        list.Add(path);
        expected.removeAll(path);
        expected.prepend(path);
        while (expected.size() > 4)
            expected.removeLast();
        EXPECT_EQ(list.Files(), expected) << path.toStdString();
    }
    EXPECT_EQ(list.Files(), (QStringList{"e.tpz", "d.tpz", "b.tpz", "c.tpz"}));
    list.Add(QString());
    EXPECT_EQ(list.Files().size(), 4);
}

TEST(RecentFileList, SurvivesASaveAndLoadThroughTheSettingsStore) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString file = dir.filePath("Vireon.conf");
    CRecentFileList written(4);
    for (const QString& path : QStringList{"/p/one.tpz", "/p/two words.tpz", "/p/three.tpz"})
        written.Add(path);
    {
        QSettings settings(file, QSettings::IniFormat);
        written.Save(settings);
    }
    CRecentFileList read(4);
    {
        QSettings settings(file, QSettings::IniFormat);
        EXPECT_EQ(settings.value("Recent File List/File1").toString(), "/p/three.tpz");
        read.Load(settings);
    }
    EXPECT_EQ(read.Files(), written.Files());

    // A shorter list removes the entries it no longer has.
    CRecentFileList shorter(4);
    shorter.Add("/p/only.tpz");
    {
        QSettings settings(file, QSettings::IniFormat);
        shorter.Save(settings);
    }
    QSettings settings(file, QSettings::IniFormat);
    CRecentFileList again(4);
    again.Load(settings);
    EXPECT_EQ(again.Files(), QStringList{"/p/only.tpz"});
}

} // namespace
