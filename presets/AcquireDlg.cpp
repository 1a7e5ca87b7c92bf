// SPDX-License-Identifier: GPL-3.0-or-later
#include "presets/AcquireDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QVBoxLayout>

#include "analysis/WindowTable.h"
#include "base/Messages.h"

namespace {

QLineEdit* MakeEdit(QWidget* parent, const char* name) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setMaximumWidth(90);
    return edit;
}

QComboBox* MakeList(QWidget* parent, const char* name) {
    auto* list = new QComboBox(parent);
    list->setObjectName(QString::fromLatin1(name));
    list->setEditable(false);
    return list;
}

} // namespace

CAcquireDlg::CAcquireDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Set Acquisition Parameters"));
    setObjectName(QStringLiteral("AcquireDialog"));

    m_comboWindow = MakeList(this, "IDC_WINDOW");
    m_comboChannel = MakeList(this, "IDC_CHANNEL");
    m_btnAuto = new QCheckBox(QStringLiteral("Auto"), this);
    m_btnAuto->setObjectName(QStringLiteral("IDC_AUTO"));
    m_editFreqMin = MakeEdit(this, "IDC_FREQ_MIN");
    m_editFreqMax = MakeEdit(this, "IDC_FREQ_MAX");
    m_editLevelMin = MakeEdit(this, "IDC_LEVEL_MIN");
    m_editLevelMax = MakeEdit(this, "IDC_LEVEL_MAX");
    for (const char* item : {"Left", "Right", "Left + Right", "Left - Right"})
        m_comboChannel->addItem(QString::fromLatin1(item));

    auto* freq = new QGroupBox(QStringLiteral("Frequency Range (Hz)"), this);
    auto* freqForm = new QFormLayout(freq);
    freqForm->addRow(QStringLiteral("Minimum"), m_editFreqMin);
    freqForm->addRow(QStringLiteral("Maximum"), m_editFreqMax);

    auto* level = new QGroupBox(QStringLiteral("Input Level Range (dB)"), this);
    auto* levelForm = new QFormLayout(level);
    levelForm->addRow(QStringLiteral("Minimum"), m_editLevelMin);
    levelForm->addRow(QStringLiteral("Maximum"), m_editLevelMax);
    levelForm->addRow(QString(), m_btnAuto);

    auto* channel = new QGroupBox(QStringLiteral("Input Channel"), this);
    (new QVBoxLayout(channel))->addWidget(m_comboChannel);
    auto* window = new QGroupBox(QStringLiteral("Input Windowing Function"), this);
    (new QVBoxLayout(window))->addWidget(m_comboWindow);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &CAcquireDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* grid = new QGridLayout(this);
    grid->addWidget(freq, 0, 0);
    grid->addWidget(level, 0, 1);
    grid->addWidget(channel, 1, 0);
    grid->addWidget(window, 1, 1);
    grid->addWidget(buttons, 2, 0, 1, 2);

    connect(m_btnAuto, &QCheckBox::clicked, this, &CAcquireDlg::OnAuto);
    connect(m_comboChannel, &QComboBox::activated, this, [this](int index) { m_nChannel = index; });
    connect(m_comboWindow, &QComboBox::activated, this, [this](int index) { m_nWindow = index; });
}

void CAcquireDlg::OnInitDialog() {
    m_btnAuto->setChecked(m_bAuto);
    m_editLevelMin->setEnabled(!m_bAuto);
    m_editLevelMax->setEnabled(!m_bAuto);
    m_comboWindow->clear();
    for (const char* name : g_apszWindowNames)
        m_comboWindow->addItem(QString::fromLatin1(name));
    m_comboWindow->setCurrentIndex(m_nWindow);
    m_comboChannel->setCurrentIndex(m_nChannel);
    m_editFreqMax->setText(QString::number(m_nFreqMax));
    m_editFreqMin->setText(QString::number(m_nFreqMin));
    m_editLevelMax->setText(QString::number(m_fLevelMax, 'g', 6));
    m_editLevelMin->setText(QString::number(m_fLevelMin, 'g', 6));
}

int CAcquireDlg::exec() {
    OnInitDialog();
    return QDialog::exec();
}

void CAcquireDlg::OnAuto() {
    m_bAuto = m_btnAuto->isChecked();
    m_editLevelMin->setEnabled(!m_bAuto);
    m_editLevelMax->setEnabled(!m_bAuto);
}

bool CAcquireDlg::DoDataExchange() {
    const auto wholeHz = [](QLineEdit* edit, const char* field, std::int32_t& out) {
        bool ok = false;
        const int v = edit->text().trimmed().toInt(&ok);
        if (!ok || v < kFreqLowest || v > kFreqHighest) {
            ReportMessage(MESSAGE_WARNING, "Please enter an integer between %d and %d for the %s.",
                          kFreqLowest, kFreqHighest, field);
            edit->setFocus();
            edit->selectAll();
            return false;
        }
        out = v;
        return true;
    };
    const auto decibels = [](QLineEdit* edit, const char* field, float& out) {
        bool ok = false;
        const float v = edit->text().trimmed().toFloat(&ok);
        if (!ok || !(v >= kLevelLowest && v <= kLevelHighest)) {
            ReportMessage(MESSAGE_WARNING, "Please enter a number between %g and %g for the %s.",
                          static_cast<double>(kLevelLowest), static_cast<double>(kLevelHighest),
                          field);
            edit->setFocus();
            edit->selectAll();
            return false;
        }
        out = v;
        return true;
    };
    return wholeHz(m_editFreqMax, "maximum frequency (Hz)", m_nFreqMax) &&
           wholeHz(m_editFreqMin, "minimum frequency (Hz)", m_nFreqMin) &&
           decibels(m_editLevelMax, "maximum input level (dB)", m_fLevelMax) &&
           decibels(m_editLevelMin, "minimum input level (dB)", m_fLevelMin);
}

void CAcquireDlg::accept() {
    if (DoDataExchange())
        QDialog::accept();
}
