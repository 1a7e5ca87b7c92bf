// SPDX-License-Identifier: GPL-3.0-or-later
// The recent-file list: at most a fixed number of paths, most recent first,
// each at most once, kept in the per-user settings as "File1".."FileN" in the
// group "Recent File List". User-interface thread only.
#pragma once

#include <QStringList>

class QSettings;

class CRecentFileList {
public:
    explicit CRecentFileList(int size) : m_nSize(size) {}

    // Moves path to the front (adding it if new) and drops the oldest entry
    // beyond the size. An empty path changes nothing.
    void Add(const QString& path);
    // Drops path if listed (a file that no longer opens).
    void Remove(const QString& path) { m_files.removeAll(path); }
    const QStringList& Files() const { return m_files; }

    void Load(QSettings& settings);
    void Save(QSettings& settings) const;

private:
    int m_nSize;
    QStringList m_files;
};
