// SPDX-License-Identifier: GPL-3.0-or-later
// "Set Acquisition Parameters": the displayed frequency range (whole Hz,
// 1..20000), the input-level range (dB, -100..0) or automatic ranging, the
// channel function and the window function.
//
// The dialog only edits its data fields; the caller fills them, runs the
// dialog and checks and writes back the values (the view's Acquire command).
// OK first exchanges the four edit fields in the order maximum frequency,
// minimum frequency, maximum level, minimum level: a field that is not a
// number in its range is named in a message and keeps the dialog open.
// "Auto" disables the level fields (they are still exchanged). The lists
// cannot be typed into: only a choice from them changes a value.
//
// User-interface thread only.
#pragma once

#include <QDialog>

#include <cstdint>

#include "presets/PresetFile.h"

class QCheckBox;
class QComboBox;
class QLineEdit;

class CAcquireDlg : public QDialog {
    Q_OBJECT

public:
    // The preset reader accepts exactly this range.
    static constexpr std::int32_t kFreqLowest = kPresetFreqLowest;
    static constexpr std::int32_t kFreqHighest = kPresetFreqHighest;
    static constexpr float kLevelLowest = -100.0f;
    static constexpr float kLevelHighest = 0.0f;

    explicit CAcquireDlg(QWidget* parent = nullptr);

    // Shows the data fields in the controls; exec does this first.
    void OnInitDialog();
    int exec() override;
    // Reads the controls into the data fields, checking each edit field's
    // range; false (after a message) when one is out of range.
    bool DoDataExchange();

    void accept() override;

    std::int32_t m_nFreqMax = 0;
    std::int32_t m_nFreqMin = 0;
    float m_fLevelMax = 0.0f;
    float m_fLevelMin = 0.0f;
    bool m_bAuto = false;
    std::int32_t m_nChannel = 0; // 0 Left, 1 Right, 2 Left + Right, 3 Left - Right
    std::int32_t m_nWindow = 0;  // window function index 0..9

private:
    void OnAuto();

    QComboBox* m_comboWindow;
    QComboBox* m_comboChannel;
    QCheckBox* m_btnAuto;
    QLineEdit* m_editFreqMin;
    QLineEdit* m_editFreqMax;
    QLineEdit* m_editLevelMin;
    QLineEdit* m_editLevelMax;
};
