// SPDX-License-Identifier: GPL-3.0-or-later
#include "presets/TamselDoc.h"

#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QSaveFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <vector>

#include "base/DebugLog.h"
#include "base/Messages.h"
#include "base/RunState.h"
#include "base/StartupSettings.h"
#include "plots/Projection.h"
#include "presets/PresetFile.h"

namespace {

// A written preset has 524 bytes; repeated sections may make a valid one
// longer, but nothing near this.
constexpr qint64 kLargestPreset = 1 << 20;

enum class EReadBytes { Ok, CannotOpen, NotAPreset };

// The whole file, if it is a regular file of at most kLargestPreset bytes.
// Its type is checked before it is opened (opening a FIFO waits for a
// writer), and again on the open descriptor in case the name was swapped
// meanwhile; at most one byte past the limit is read (a device such as
// /dev/zero never ends).
EReadBytes ReadPresetBytes(const std::string& path, QByteArray& bytes, std::string& error) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        error = std::strerror(errno);
        return EReadBytes::CannotOpen;
    }
    if (!S_ISREG(info.st_mode)) {
        error = "not a regular file";
        return EReadBytes::NotAPreset;
    }
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        error = std::strerror(errno);
        return EReadBytes::CannotOpen;
    }
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        error = file.errorString().toStdString();
        return EReadBytes::CannotOpen;
    }
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        error = "not a regular file";
        return EReadBytes::NotAPreset;
    }
    bytes = file.read(kLargestPreset + 1);
    if (bytes.size() > kLargestPreset) {
        error = "more than " + std::to_string(kLargestPreset) + " bytes, too large";
        return EReadBytes::NotAPreset;
    }
    return EReadBytes::Ok;
}

SPlotGeometry CurrentGeometry() {
    SPlotGeometry geometry;
    geometry.nPlotWidth = g_startupSettings.m_nPlotWidth;
    geometry.nPlotHeight = g_startupSettings.m_nPlotHeight;
    geometry.nSurfaceCols = g_startupSettings.m_nSurfaceCols;
    geometry.nSurfaceRows = g_startupSettings.m_nSurfaceRows;
    return geometry;
}

} // namespace

void CTamselDoc::SetModifiedFlag(bool modified) {
    if (m_bModified == modified)
        return;
    m_bModified = modified;
    emit stateChanged();
}

void CTamselDoc::SetPathName(const std::string& path, bool addToRecent) {
    m_strPathName = path;
    m_bHasFile = !path.empty();
    if (m_bHasFile && addToRecent)
        emit addedToRecentFiles(QString::fromStdString(path));
    emit stateChanged();
}

// ---- the framework's steps ----

bool CTamselDoc::OnNewDocument() {
    m_strPathName.clear();
    m_bModified = false;
    ResetToDefaults();
    m_bHasFile = false;
    emit stateChanged();
    return true;
}

void CTamselDoc::ResetToDefaults() {
    const double rows = g_startupSettings.m_nSurfaceRows;
    g_projection3D.SetRotation(0, 0, 0);
    g_projection3D.SetTranslation(0, 0, -1.6 * rows);

    g_runState.SetDisplayRange(kDefaultDisplayRange);
    SCaptureFormat format = g_runState.GetCaptureFormat();
    format.nChannelMode = CHANNEL_SUM;
    format.nWindowType = 0;
    g_runState.SetCaptureFormat(format);
    g_runState.SetDisplaySettings({PLOT_HISTOGRAM, kDefaultPanelFlags, 1, false});
    g_runState.SetPaletteSettings({0, 1.0f, false});
    g_runState.SetBackgroundColor(0.0f, 0.15f, 0.0f);
    g_runState.SetForegroundColor(1.0f, 1.0f, 1.0f);

    g_runState.SetDisplayChanged(true);
    emit contentsChanged();
}

bool CTamselDoc::OnOpenDocument(const std::string& path) {
    QByteArray bytes;
    std::string error;
    switch (ReadPresetBytes(path, bytes, error)) {
    case EReadBytes::Ok:
        break;
    case EReadBytes::CannotOpen:
        ReportMessage(MESSAGE_ERROR, "Can't open preset file\n%s\n%s", path.c_str(), error.c_str());
        return false;
    case EReadBytes::NotAPreset:
        DebugLog("Preset %s: %s\r\n", path.c_str(), error.c_str());
        ReportMessage(MESSAGE_ERROR, "Error reading preset file");
        return false;
    }

    std::string why;
    const EPresetRead result = LoadPreset(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                          static_cast<std::size_t>(bytes.size()), g_runState,
                                          g_projection2D, g_projection3D, CurrentGeometry(), &why);
    if (result != EPresetRead::Ok) {
        DebugLog("Preset %s refused: %s\r\n", path.c_str(), why.c_str());
        if (result == EPresetRead::EndOfFile)
            ReportMessage(MESSAGE_ERROR,
                          "Error reading preset file\n%s ends before its end marker.",
                          path.c_str());
        else
            ReportMessage(MESSAGE_ERROR, "Error reading preset file");
        return false;
    }
    m_bModified = false;
    m_bHasFile = true;
    g_runState.SetDisplayChanged(true);
    emit contentsChanged();
    emit stateChanged();
    return true;
}

bool CTamselDoc::OnSaveDocument(const std::string& path) {
    emit aboutToSave();
    std::array<std::int16_t, 4> version{};
    m_version.GetVersionParts(version.data(), 4);
    const std::vector<std::uint8_t> bytes =
        SavePreset(g_runState, g_projection2D, g_projection3D, version);

    // QSaveFile writes beside the target and renames over it only on commit;
    // it never falls back to writing the target in place.
    QSaveFile file(QString::fromStdString(path));
    const bool ok =
        file.open(QIODevice::WriteOnly) &&
        file.write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<qint64>(bytes.size())) == static_cast<qint64>(bytes.size()) &&
        file.commit();
    if (!ok) {
        const QString error = file.errorString();
        file.cancelWriting();
        ReportMessage(MESSAGE_WARNING, "Can't save preset file\n%s\n%s", path.c_str(),
                      error.toLocal8Bit().constData());
        return false;
    }
    m_bModified = false;
    m_bHasFile = true;
    emit stateChanged();
    return true;
}

bool CTamselDoc::Revert() {
    if (!m_bHasFile)
        return false;
    const std::string path = m_strPathName;
    if (!OnOpenDocument(path))
        return false;
    SetPathName(path, false);
    return true;
}

bool CTamselDoc::SaveModified(QWidget* parent) {
    if (!m_bModified)
        return true;
    const QString name = QFileInfo(QString::fromStdString(m_strPathName)).fileName();
    const QMessageBox::StandardButton answer = QMessageBox::warning(
        parent, QStringLiteral("Vireon"), QStringLiteral("Save changes to %1?").arg(name),
        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes);
    if (answer == QMessageBox::Yes)
        return FileSave(parent);
    return answer == QMessageBox::No;
}

// ---- the File commands ----

bool CTamselDoc::FileNew(QWidget* parent) {
    if (!SaveModified(parent))
        return false;
    return OnNewDocument();
}

bool CTamselDoc::FileOpen(QWidget* parent) {
    const QString path = QFileDialog::getOpenFileName(parent, QStringLiteral("Open"), QString(),
                                                      QString::fromLatin1(kPresetFileFilter));
    if (path.isEmpty())
        return false;
    return OpenDocumentFile(path, parent) == EOpen::Opened;
}

CTamselDoc::EOpen CTamselDoc::OpenDocumentFile(const QString& path, QWidget* parent) {
    if (!SaveModified(parent))
        return EOpen::Cancelled;
    const std::string absolute = QFileInfo(path).absoluteFilePath().toStdString();
    if (!OnOpenDocument(absolute))
        return EOpen::Failed;
    SetPathName(absolute);
    return EOpen::Opened;
}

bool CTamselDoc::FileSave(QWidget* parent) {
    if (!m_bHasFile)
        return FileSaveAs(parent);
    return DoSave(QString::fromStdString(m_strPathName));
}

bool CTamselDoc::FileSaveAs(QWidget* parent) {
    QFileDialog dialog(parent, QStringLiteral("Save As"), QString(),
                       QString::fromLatin1(kPresetFileFilter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("tpz"));
    if (m_bHasFile)
        dialog.selectFile(QString::fromStdString(m_strPathName));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    return DoSave(dialog.selectedFiles().constFirst());
}

bool CTamselDoc::DoSave(const QString& path) {
    const std::string absolute = QFileInfo(path).absoluteFilePath().toStdString();
    if (!OnSaveDocument(absolute))
        return false;
    SetPathName(absolute);
    return true;
}
