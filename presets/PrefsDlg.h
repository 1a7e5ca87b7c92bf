// SPDX-License-Identifier: GPL-3.0-or-later
// "Edit Startup Preferences": the sample buffer size, the plot size, the 3D
// plot size and the preset to load at start-up (base/StartupSettings.h).
//
// Each setting is guarded by its own check box: its control is enabled only
// while the box is ticked, clearing the box puts the stored value back, and
// OK takes over exactly the ticked settings (m_bChanged says whether any
// was). Cancel with a ticked box asks "Discard changes?". The lists cannot be
// typed into, so every selection is a valid index.
//
// The dialog changes the settings object only; the caller writes the file
// and tells the user the result (the view's Preferences command).
//
// User-interface thread only.
#pragma once

#include <QDialog>

class CStartupSettings;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

class CPrefsDlg : public QDialog {
    Q_OBJECT

public:
    explicit CPrefsDlg(QWidget* parent = nullptr);

    // The settings shown and changed; set before exec.
    void SetSettings(CStartupSettings& settings) { m_pSettings = &settings; }

    int exec() override;
    void accept() override;
    void reject() override;

    bool m_bChanged = false;

private:
    void OnInitDialog();
    void OnEditBuffer();
    void OnEditPlotSize();
    void OnEdit3DSize();
    void OnEditPreset();
    void OnBrowse();

    CStartupSettings* m_pSettings = nullptr;
    QCheckBox* m_checkBuffer;
    QComboBox* m_comboBuffer;
    QCheckBox* m_checkPlotSize;
    QComboBox* m_comboPlotSize;
    QCheckBox* m_check3DSize;
    QComboBox* m_combo3DSize;
    QCheckBox* m_checkPreset;
    QLineEdit* m_editPreset;
    QPushButton* m_btnBrowse;
};
