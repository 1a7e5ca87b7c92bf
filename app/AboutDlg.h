// SPDX-License-Identifier: GPL-3.0-or-later
// The About box: program name, version and legal notice from the version
// information, and a button that opens the maker's web page in the browser.
// User-interface thread only.
#pragma once

#include <QDialog>
#include <QString>

class QLabel;

class CAboutDlg : public QDialog {
    Q_OBJECT

public:
    explicit CAboutDlg(QWidget* parent);

    // The maker's web page opened by the button.
    static const char* WebAddress();

    void OnWebSite();

private:
    QString m_strVersion;
    QString m_strLegal;
    QString m_strName;
};
