// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/RecentFileList.h"

#include <QSettings>

namespace {
const char* const kGroup = "Recent File List";
QString Key(int i) {
    return QStringLiteral("File%1").arg(i);
}
} // namespace

void CRecentFileList::Add(const QString& path) {
    if (path.isEmpty())
        return;
    m_files.removeAll(path);
    m_files.prepend(path);
    while (m_files.size() > m_nSize)
        m_files.removeLast();
}

void CRecentFileList::Load(QSettings& settings) {
    settings.beginGroup(QString::fromLatin1(kGroup));
    m_files.clear();
    for (int i = 1; i <= m_nSize; ++i) {
        const QString path = settings.value(Key(i)).toString();
        if (!path.isEmpty() && !m_files.contains(path))
            m_files.push_back(path);
    }
    settings.endGroup();
}

void CRecentFileList::Save(QSettings& settings) const {
    settings.beginGroup(QString::fromLatin1(kGroup));
    for (int i = 1; i <= m_nSize; ++i) {
        if (i <= m_files.size())
            settings.setValue(Key(i), m_files[i - 1]);
        else
            settings.remove(Key(i));
    }
    settings.endGroup();
}
