// SPDX-License-Identifier: GPL-3.0-or-later
// What CTamselView shares with its document and the store: the display and
// palette settings a preset saves, the startup preset, the window title.
#include "view/TamselView.h"

#include <QFileInfo>

#include "base/RunState.h"
#include "base/StartupSettings.h"
#include "plots/Projection.h"
#include "presets/TamselDoc.h"

void CTamselView::OpenStartupPreset() {
    if (g_startupSettings.m_strPreset.empty() || !m_pDoc)
        return;
    const QString path =
        QFileInfo(QString::fromStdString(g_startupSettings.m_strPreset)).absoluteFilePath();
    // A preset that fails to load has been reported and changed nothing: the
    // program runs on with a new, unbound preset.
    if (!m_pDoc->OnOpenDocument(path.toStdString()))
        return;
    m_pDoc->SetPathName(path.toStdString());
    ApplyDisplaySettings();
}

void CTamselView::OnUpdate() {
    if (g_runState.GetDisplayChanged()) {
        ApplyDisplaySettings();
        g_runState.SetDisplayChanged(false);
    }
}

void CTamselView::ApplyDisplaySettings() {
    const SDisplaySettings display = g_runState.GetDisplaySettings();
    const SPaletteSettings palette = g_runState.GetPaletteSettings();
    m_nPlotType = display.nPlotType;
    m_nPanelFlags = display.nPanelFlags;
    m_palette.m_nPalette = display.nPalette;
    m_bPlotOnly = display.bPlotOnly;
    m_palette.m_nPaletteShift = palette.nShift;
    m_palette.m_fPaletteScale = palette.fScale;
    m_palette.m_bPaletteInvert = palette.bInvert;
    m_palette.Build(m_palette.m_nPalette);
    // A loaded or new preset brings its own camera: the next drag continues
    // from it instead of jumping back to the view's old one.
    const auto& rotation = g_projection3D.GetRotation();
    const auto& translation = g_projection3D.GetTranslation();
    for (int i = 0; i < 3; ++i) {
        m_dRotation[i] = rotation[static_cast<std::size_t>(i)];
        m_dTranslation[i] = translation[static_cast<std::size_t>(i)];
    }
    m_bLayoutNeeded = true;
}

void CTamselView::MarkModified() {
    PublishDisplaySettings();
    PublishPaletteSettings();
    m_bFrameWanted = true;
    if (m_pDoc && m_pDoc->HasFile())
        m_pDoc->SetModifiedFlag(true);
}

void CTamselView::UpdateTitle() {
    if (!m_pDoc)
        return;
    QString title = QStringLiteral("Vireon");
    if (m_pDoc->HasFile()) {
        QString path = QString::fromStdString(m_pDoc->GetPathName());
        if (const qsizetype at = path.indexOf(QLatin1String(".tpz")); at >= 0)
            path.remove(at, 4);
        title += QStringLiteral(" - ") + path;
        if (m_pDoc->IsModified())
            title += QLatin1Char('*');
    }
    if (m_strTitle != title) {
        m_strTitle = title;
        emit titleChanged(title);
    }
}

void CTamselView::PublishDisplaySettings() {
    SDisplaySettings settings;
    settings.nPlotType = m_nPlotType;
    settings.nPanelFlags = m_nPanelFlags;
    settings.nPalette = m_palette.m_nPalette;
    settings.bPlotOnly = m_bPlotOnly;
    g_runState.SetDisplaySettings(settings);
}

void CTamselView::PublishPaletteSettings() {
    SPaletteSettings settings;
    settings.nShift = m_palette.m_nPaletteShift;
    settings.fScale = m_palette.m_fPaletteScale;
    settings.bInvert = m_palette.m_bPaletteInvert;
    g_runState.SetPaletteSettings(settings);
}
