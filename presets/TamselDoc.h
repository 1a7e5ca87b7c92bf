// The preset document as far as the window needs it today: whether it is
// bound to a file, its path and its modified flag. Reading and writing preset
// files joins this class later; until then opening a file only binds the
// document to its path.
//
// It tells the others what happened by signal, never by include: its views
// that its contents were loaded, reset or reverted (contentsChanged), and the
// application which file joins the recent-file list (addedToRecentFiles).
// User-interface thread only.
#pragma once

#include <QObject>
#include <QString>

#include <string>

class CTamselDoc : public QObject {
    Q_OBJECT

public:
    CTamselDoc() = default;
    ~CTamselDoc() override = default;

    // A new, unnamed preset: not bound to a file, not modified.
    void OnNewDocument();
    // Returns whether the file's contents were loaded; the preset reader does
    // not exist yet, so nothing is loaded.
    bool OnOpenDocument(const std::string& path);

    // Binds the document to a file (it now counts as read from or written
    // to it); a non-empty path also joins the recent-file list unless
    // addToRecent is false.
    void SetPathName(const std::string& path, bool addToRecent = true);
    const std::string& GetPathName() const { return m_strPathName; }
    bool HasFile() const { return m_bHasFile; }

    bool IsModified() const { return m_bModified; }
    void SetModifiedFlag(bool modified = true) { m_bModified = modified; }

signals:
    void contentsChanged();
    void addedToRecentFiles(const QString& path);

private:
    std::string m_strPathName;
    bool m_bHasFile = false;
    bool m_bModified = false;
};
