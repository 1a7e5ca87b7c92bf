// SPDX-License-Identifier: GPL-3.0-or-later
// The preset document: the program's one document. It holds none of the
// preset's values itself; they live in the store (g_runState) and the two
// projections, and the document reads and writes them there through the
// preset file functions (presets/PresetFile.h).
//
// Opening reads the whole file and validates it before anything is applied:
// a file that cannot be read, is malformed or holds a value the program could
// not have produced is reported and changes nothing (the document keeps its
// previous file, or none). Only a regular file is read, and only up to a
// bound: a FIFO or a device is refused before it is opened, without waiting. Saving writes a
// temporary file beside the target and renames it over the old one, so a crash or a full disk
// leaves the previous preset intact; only then is the document bound and clean.
//
// Bound to a file (HasFile) after a successful open or save; never after New.
// Only a bound document is marked modified, and only a modified one asks
// "Save changes to ...?" before New, Open and Exit.
//
// It tells the others by signal, never by include: its views that the
// preset's values were replaced (contentsChanged) or are about to be saved
// (aboutToSave: the view publishes what it shows), the frame that the path or
// the modified flag changed (stateChanged), the application which file joins
// the recent-file list (addedToRecentFiles).
//
// User-interface thread only; the store's groups are copied under their own
// locks, so the worker threads keep running meanwhile.
#pragma once

#include <QObject>
#include <QString>

#include <string>

#include "base/VersionInfo.h"

class QWidget;

class CTamselDoc : public QObject {
    Q_OBJECT

public:
    enum class EOpen { Opened, Cancelled, Failed };

    CTamselDoc() = default;
    ~CTamselDoc() override = default;

    // ---- the framework's steps ----

    // A new preset: the defaults (ResetToDefaults), no file, not modified.
    bool OnNewDocument();
    // Loads the file into the store and the projections, clears the modified
    // flag and binds nothing yet (SetPathName does). On any failure reports
    // it, changes nothing and returns false.
    bool OnOpenDocument(const std::string& path);
    // Writes the preset in force to path (atomically). On success clears the
    // modified flag and binds the document without touching the recent-file
    // list; on failure reports it and leaves the document as it was.
    bool OnSaveDocument(const std::string& path);
    // The new-preset values into the store and the 3D projection's camera.
    void ResetToDefaults();
    // Reloads the bound file; false (nothing changed) if it cannot be read.
    bool Revert();
    // Asks "Save changes to NAME?" if modified: Yes saves (false if that
    // fails), No discards, Cancel returns false. True when not modified.
    bool SaveModified(QWidget* parent);

    // ---- the File commands ----

    bool FileNew(QWidget* parent);
    // Asks for a file ("Vireon Preset (*.tpz)") and opens it.
    bool FileOpen(QWidget* parent);
    // SaveModified, then open and bind path (adding it to the recent files).
    EOpen OpenDocumentFile(const QString& path, QWidget* parent);
    // Saves to the bound file, or asks for one if there is none.
    bool FileSave(QWidget* parent);
    bool FileSaveAs(QWidget* parent);
    // Saves to path and binds it (adding it to the recent files).
    bool DoSave(const QString& path);

    // Binds the document to a file; a non-empty path also joins the
    // recent-file list unless addToRecent is false.
    void SetPathName(const std::string& path, bool addToRecent = true);
    const std::string& GetPathName() const { return m_strPathName; }
    bool HasFile() const { return m_bHasFile; }

    bool IsModified() const { return m_bModified; }
    void SetModifiedFlag(bool modified = true);

signals:
    void contentsChanged();
    void aboutToSave();
    void stateChanged();
    void addedToRecentFiles(const QString& path);

private:
    std::string m_strPathName;
    bool m_bHasFile = false;
    bool m_bModified = false;
    CVersionInfo m_version;
};
