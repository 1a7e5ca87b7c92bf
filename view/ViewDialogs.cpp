// SPDX-License-Identifier: GPL-3.0-or-later
// The dialogs' glue of CTamselView: the acquisition parameters, the startup
// preferences, the capture settings, the plot colours, and the help page.
#include "view/TamselView.h"

#include <QColorDialog>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

#include <filesystem>

#include "analysis/Decibel.h"
#include "base/Messages.h"
#include "base/RunState.h"
#include "base/StartupSettings.h"
#include "presets/AcquireDlg.h"
#include "presets/PrefsDlg.h"
#include "recording/CaptureSettingsDlg.h"

namespace {

bool OpenInBrowser(const QUrl& url) {
    return QDesktopServices::openUrl(url);
}

CTamselView::UrlOpener& UrlOpenerSlot() {
    static CTamselView::UrlOpener opener = OpenInBrowser;
    return opener;
}

#ifndef VIREON_HELP_FROM_BINDIR
#define VIREON_HELP_FROM_BINDIR "../share/vireon/HTML/TamselHelp.htm"
#endif

QString& InstalledHelpFileSlot() {
    static QString path;
    return path;
}

QString InstalledHelpFile() {
    if (!InstalledHelpFileSlot().isEmpty())
        return InstalledHelpFileSlot();
    return QCoreApplication::applicationDirPath() + QStringLiteral("/" VIREON_HELP_FROM_BINDIR);
}

// Colour dialog conversions: 0..1 floats to an 8-bit colour and back.
// The colour dialog works in 8-bit components; after Cancel the initial
// colour comes back, so a stored colour only loses precision below 1/255.
SColour ChooseColour(QWidget* parent, const SColour& current, const QString& title) {
    const auto byte = [](float v) { return static_cast<int>(v * 255.0f) & 0xff; };
    const QColor initial(byte(current.r), byte(current.g), byte(current.b));
    QColor chosen = QColorDialog::getColor(initial, parent, title);
    if (!chosen.isValid())
        chosen = initial;
    constexpr float kByteToFloat = 0.003921568859368563f;
    return {chosen.red() * kByteToFloat, chosen.green() * kByteToFloat,
            chosen.blue() * kByteToFloat};
}

} // namespace

void CTamselView::SetUrlOpener(UrlOpener opener) {
    UrlOpenerSlot() = opener ? std::move(opener) : OpenInBrowser;
}

void CTamselView::SetInstalledHelpFile(const QString& path) {
    InstalledHelpFileSlot() = path;
}

void CTamselView::OnViewAcquire() {
    for (;;) {
        CAcquireDlg dialog(this);
        const SCaptureFormat format = g_runState.GetCaptureFormat();
        SDisplayRange range = g_runState.GetDisplayRange();
        dialog.m_nFreqMin = static_cast<std::int32_t>(range.dFreqMin);
        dialog.m_nFreqMax = static_cast<std::int32_t>(range.dFreqMax);
        if (range.bAutoScale) {
            const SSpectrumStats stats = g_runState.GetSpectrumStats();
            dialog.m_fLevelMin = static_cast<float>(LinearToDb(stats.dMeasuredMagMin));
            dialog.m_fLevelMax = static_cast<float>(LinearToDb(stats.dMeasuredMagMax));
        } else {
            dialog.m_fLevelMin = static_cast<float>(LinearToDb(range.dMagMin));
            dialog.m_fLevelMax = static_cast<float>(LinearToDb(range.dMagMax));
        }
        dialog.m_bAuto = range.bAutoScale;
        dialog.m_nChannel = format.nChannelMode;
        dialog.m_nWindow = format.nWindowType;
        if (dialog.exec() != QDialog::Accepted)
            return;
        if (dialog.m_nFreqMin >= dialog.m_nFreqMax || !(dialog.m_fLevelMin < dialog.m_fLevelMax)) {
            ReportMessage(MESSAGE_WARNING, "Invalid range specified. Please re-enter\n");
            continue; // refilled from the store: the rejected entries are dropped
        }
        range.dFreqMin = dialog.m_nFreqMin;
        range.dFreqMax = dialog.m_nFreqMax;
        range.dFreqSpan = range.dFreqMax - range.dFreqMin;
        range.dMagMin = DbToLinear(dialog.m_fLevelMin);
        range.dMagMax = DbToLinear(dialog.m_fLevelMax);
        range.bAutoScale = dialog.m_bAuto;
        g_runState.SetDisplayRange(range);
        SCaptureFormat changed = format;
        changed.nChannelMode = dialog.m_nChannel;
        changed.nWindowType = dialog.m_nWindow;
        g_runState.SetCaptureFormat(changed);
        MarkModified();
        return;
    }
}

void CTamselView::OnEditPreferences() {
    CPrefsDlg dialog(this);
    dialog.SetSettings(g_startupSettings);
    if (dialog.exec() != QDialog::Accepted || !dialog.m_bChanged)
        return;
    if (g_startupSettings.Write())
        ReportMessage(MESSAGE_INFO, "Restart program for settings to take effect.");
    else
        ReportMessage(MESSAGE_WARNING, "Can't write the startup settings file\n%s",
                      g_startupSettings.GetPath().c_str());
}

void CTamselView::OnPlotBackground() {
    const SColour c =
        ChooseColour(this, g_runState.GetBackgroundColor(), QStringLiteral("Plot Background"));
    g_runState.SetBackgroundColor(c.r, c.g, c.b);
}

void CTamselView::OnPlotForeground() {
    const SColour c =
        ChooseColour(this, g_runState.GetForegroundColor(), QStringLiteral("Plot Foreground"));
    g_runState.SetForegroundColor(c.r, c.g, c.b);
    SetPanelColours();
}

void CTamselView::OnCaptureSettings() {
    m_bCaptureConfigured =
        CCaptureSettingsDlg::RunSetup(this, m_capture, m_bCaptureConfigured, &m_screenDibHeader);
    emit commandStatesChanged();
}

// The page under the current directory first (as the program has always
// looked for it), then the copy installed with the program; without either
// the current directory's address is still offered to the browser.
void CTamselView::OnHelpFinder() {
    std::error_code error;
    const std::filesystem::path cwd = std::filesystem::current_path(error);
    if (error) {
        ReportMessage(MESSAGE_WARNING, "Can't find help file path");
        return;
    }
    QString page = QString::fromStdString(cwd.string()) + QStringLiteral("/HTML/TamselHelp.htm");
    if (!QFileInfo::exists(page)) {
        const QFileInfo installed(InstalledHelpFile());
        if (installed.exists())
            page = installed.absoluteFilePath();
    }
    page.replace(QLatin1Char('\\'), QLatin1Char('/'));
    // A file address, encoded: a '#' or '?' in a folder name would otherwise
    // cut the path short.
    if (!UrlOpenerSlot()(QUrl::fromLocalFile(page)))
        ReportMessage(MESSAGE_WARNING, "Can't open help file in a browser");
}
