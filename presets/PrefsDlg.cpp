// SPDX-License-Identifier: GPL-3.0-or-later
#include "presets/PrefsDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/StartupSettings.h"
#include "presets/PresetFile.h"

namespace {

QComboBox* MakeList(QWidget* parent, const char* name, std::initializer_list<const char*> items) {
    auto* list = new QComboBox(parent);
    list->setObjectName(QString::fromLatin1(name));
    list->setEditable(false);
    for (const char* item : items)
        list->addItem(QString::fromLatin1(item));
    return list;
}

QCheckBox* MakeCheck(QWidget* parent, const char* name) {
    auto* check = new QCheckBox(QStringLiteral("Change"), parent);
    check->setObjectName(QString::fromLatin1(name));
    return check;
}

QGroupBox* Group(QWidget* parent, const QString& title, QCheckBox* check, QWidget* control,
                 QWidget* extra = nullptr) {
    auto* group = new QGroupBox(title, parent);
    auto* row = new QHBoxLayout(group);
    row->addWidget(check);
    row->addWidget(control, 1);
    if (extra)
        row->addWidget(extra);
    return group;
}

// Clearing a guard box puts the stored value back and locks the control.
void Guard(QCheckBox* check, QComboBox* list, int stored) {
    if (!check->isChecked())
        list->setCurrentIndex(stored);
    list->setEnabled(check->isChecked());
}

} // namespace

CPrefsDlg::CPrefsDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Edit Startup Preferences"));
    setObjectName(QStringLiteral("PrefsDialog"));

    m_checkBuffer = MakeCheck(this, "IDC_EDIT_BUFFER");
    m_comboBuffer =
        MakeList(this, "IDC_BUFFER_SIZE", {"1024", "2048", "4096", "8192", "16384", "32768"});
    m_checkPlotSize = MakeCheck(this, "IDC_EDIT_PLOTSIZE");
    m_comboPlotSize = MakeList(this, "IDC_PLOT_SIZE",
                               {"Small     (640x480)", "Medium (800x600)", "Large    (960x720)"});
    m_check3DSize = MakeCheck(this, "IDC_EDIT_3DSIZE");
    m_combo3DSize = MakeList(this, "IDC_3D_SIZE",
                             {"Small     (30x80)", "Medium (60x120)", "Large    (90x160)"});
    m_checkPreset = MakeCheck(this, "IDC_EDIT_PRESET");
    m_editPreset = new QLineEdit(this);
    m_editPreset->setObjectName(QStringLiteral("IDC_PRESET_PATH"));
    m_editPreset->setMinimumWidth(260);
    m_btnBrowse = new QPushButton(QStringLiteral("Browse..."), this);
    m_btnBrowse->setObjectName(QStringLiteral("IDC_BROWSE"));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &CPrefsDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CPrefsDlg::reject);

    auto* column = new QVBoxLayout(this);
    column->addWidget(
        Group(this, QStringLiteral("Sample Buffer Size"), m_checkBuffer, m_comboBuffer));
    column->addWidget(
        Group(this, QStringLiteral("Size of plot in pixels"), m_checkPlotSize, m_comboPlotSize));
    column->addWidget(Group(this, QStringLiteral("Size of 3D plot"), m_check3DSize, m_combo3DSize));
    column->addWidget(Group(this, QStringLiteral("Load preset on startup"), m_checkPreset,
                            m_editPreset, m_btnBrowse));
    column->addWidget(buttons);

    connect(m_checkBuffer, &QCheckBox::clicked, this, &CPrefsDlg::OnEditBuffer);
    connect(m_checkPlotSize, &QCheckBox::clicked, this, &CPrefsDlg::OnEditPlotSize);
    connect(m_check3DSize, &QCheckBox::clicked, this, &CPrefsDlg::OnEdit3DSize);
    connect(m_checkPreset, &QCheckBox::clicked, this, &CPrefsDlg::OnEditPreset);
    connect(m_btnBrowse, &QPushButton::clicked, this, &CPrefsDlg::OnBrowse);
}

int CPrefsDlg::exec() {
    OnInitDialog();
    return QDialog::exec();
}

void CPrefsDlg::OnInitDialog() {
    for (QCheckBox* check : {m_checkBuffer, m_checkPlotSize, m_check3DSize, m_checkPreset})
        check->setChecked(false);
    m_btnBrowse->setEnabled(false);
    if (m_pSettings) {
        m_comboPlotSize->setCurrentIndex(m_pSettings->m_nSizeIndex);
        m_combo3DSize->setCurrentIndex(m_pSettings->m_n3DPlotIndex);
        m_comboBuffer->setCurrentIndex(m_pSettings->m_nBufferIndex);
        m_editPreset->setText(QString::fromStdString(m_pSettings->m_strPreset));
    }
    m_comboPlotSize->setEnabled(false);
    m_combo3DSize->setEnabled(false);
    m_comboBuffer->setEnabled(false);
    m_editPreset->setEnabled(false);
    m_bChanged = false;
}

void CPrefsDlg::OnEditBuffer() {
    Guard(m_checkBuffer, m_comboBuffer, m_pSettings ? m_pSettings->m_nBufferIndex : 0);
}

void CPrefsDlg::OnEditPlotSize() {
    Guard(m_checkPlotSize, m_comboPlotSize, m_pSettings ? m_pSettings->m_nSizeIndex : 0);
}

void CPrefsDlg::OnEdit3DSize() {
    Guard(m_check3DSize, m_combo3DSize, m_pSettings ? m_pSettings->m_n3DPlotIndex : 0);
}

void CPrefsDlg::OnEditPreset() {
    const bool on = m_checkPreset->isChecked();
    if (!on && m_pSettings)
        m_editPreset->setText(QString::fromStdString(m_pSettings->m_strPreset));
    m_editPreset->setEnabled(on);
    m_btnBrowse->setEnabled(on);
}

void CPrefsDlg::OnBrowse() {
    QFileDialog dialog(this, QStringLiteral("Open"), QString(),
                       QString::fromLatin1(kPresetFileFilter));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(QStringLiteral("tpz"));
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
        m_editPreset->setText(dialog.selectedFiles().constFirst());
}

void CPrefsDlg::accept() {
    if (m_pSettings) {
        if (m_checkBuffer->isChecked()) {
            m_pSettings->m_nBufferIndex = m_comboBuffer->currentIndex();
            m_bChanged = true;
        }
        if (m_check3DSize->isChecked()) {
            m_pSettings->m_n3DPlotIndex = m_combo3DSize->currentIndex();
            m_bChanged = true;
        }
        if (m_checkPlotSize->isChecked()) {
            m_pSettings->m_nSizeIndex = m_comboPlotSize->currentIndex();
            m_bChanged = true;
        }
        if (m_checkPreset->isChecked()) {
            m_pSettings->m_strPreset = m_editPreset->text().toStdString();
            m_bChanged = true;
        }
    }
    QDialog::accept();
}

void CPrefsDlg::reject() {
    const bool edited = m_checkBuffer->isChecked() || m_checkPlotSize->isChecked() ||
                        m_check3DSize->isChecked() || m_checkPreset->isChecked();
    if (edited &&
        QMessageBox::question(this, QStringLiteral("Vireon"), QStringLiteral("Discard changes?"),
                              QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
        return;
    QDialog::reject();
}
