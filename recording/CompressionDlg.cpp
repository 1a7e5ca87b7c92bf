// SPDX-License-Identifier: GPL-3.0-or-later
#include "recording/CompressionDlg.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

CCompressionDlg::CCompressionDlg(QWidget* parent, const std::vector<SCodecChoice>& choices,
                                 const SCompressOptions& options)
    : QDialog(parent), m_pList(new QListWidget(this)) {
    setObjectName(QStringLiteral("CompressionDlg"));
    setWindowTitle(QStringLiteral("Video Compression"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Compressor:"), this));
    int selected = 0;
    for (std::size_t i = 0; i < choices.size(); ++i) {
        m_pList->addItem(QString::fromStdString(choices[i].description));
        if (choices[i].codec == options.codec)
            selected = static_cast<int>(i);
    }
    if (!choices.empty())
        m_pList->setCurrentRow(selected);
    layout->addWidget(m_pList);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setEnabled(!choices.empty());
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_pList, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
    layout->addWidget(buttons);
}

int CCompressionDlg::Selection() const {
    return m_pList->currentRow();
}

bool CCompressionDlg::Choose(QWidget* parent, const std::vector<SCodecChoice>& choices,
                             SCompressOptions& options) {
    if (choices.empty())
        return false;
    CCompressionDlg dialog(parent, choices, options);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    const int row = dialog.Selection();
    if (row < 0 || row >= static_cast<int>(choices.size()))
        return false;
    options.codec = choices[static_cast<std::size_t>(row)].codec;
    return true;
}
