#include "presets/TamselDoc.h"

void CTamselDoc::OnNewDocument() {
    m_strPathName.clear();
    m_bHasFile = false;
    m_bModified = false;
}

bool CTamselDoc::OnOpenDocument(const std::string& /*path*/) {
    return false;
}

void CTamselDoc::SetPathName(const std::string& path, bool addToRecent) {
    m_strPathName = path;
    m_bHasFile = !path.empty();
    if (m_bHasFile && addToRecent)
        emit addedToRecentFiles(QString::fromStdString(path));
}
