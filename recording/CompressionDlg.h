// SPDX-License-Identifier: GPL-3.0-or-later
// Our compression dialog: lists the compressions the video library offers
// and lets the user pick one. User-interface thread only.
#pragma once

#include <QDialog>

#include <vector>

#include "recording/VideoWriter.h"

class QListWidget;

class CCompressionDlg : public QDialog {
    Q_OBJECT

public:
    // Selects options.codec when it is among choices, else the first.
    CCompressionDlg(QWidget* parent, const std::vector<SCodecChoice>& choices,
                    const SCompressOptions& options);

    // The chosen row, or -1.
    int Selection() const;

    // Shows the dialog modally; false on Cancel or with nothing to offer.
    // Installed as the compression chooser by the application.
    static bool Choose(QWidget* parent, const std::vector<SCodecChoice>& choices,
                       SCompressOptions& options);

private:
    QListWidget* m_pList;
};
