// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/AboutDlg.h"

#include <QDesktopServices>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

#include <string>

#include "base/Messages.h"
#include "base/Version.h"
#include "base/VersionInfo.h"

namespace {
// A small spectrum-like emblem, drawn rather than shipped as a bitmap.
QPixmap MakeEmblem() {
    QPixmap pixmap(48, 48);
    pixmap.fill(Qt::black);
    QPainter painter(&pixmap);
    const int heights[] = {10, 22, 34, 40, 30, 18, 26, 12};
    for (int i = 0; i < 8; ++i) {
        const QColor colour = QColor::fromHsv(240 - i * 30, 255, 255);
        painter.fillRect(4 + i * 5, 44 - heights[i], 4, heights[i], colour);
    }
    return pixmap;
}
} // namespace

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("About..."));
    setObjectName(QStringLiteral("AboutDialog"));

    std::string name, legal, version;
    if (g_versionInfo.GetStrings(name, legal, version)) {
        m_strName = QString::fromStdString(name);
        m_strLegal = QString::fromStdString(legal);
        m_strVersion = QString::fromStdString(version);
    }

    auto* emblem = new QLabel(this);
    emblem->setPixmap(MakeEmblem());
    auto* nameLabel = new QLabel(m_strName, this);
    QFont bold = nameLabel->font();
    bold.setBold(true);
    nameLabel->setFont(bold);
    auto* versionLabel = new QLabel(m_strVersion, this);
    auto* legalLabel = new QLabel(m_strLegal, this);
    nameLabel->setObjectName(QStringLiteral("AboutName"));
    versionLabel->setObjectName(QStringLiteral("AboutVersion"));
    legalLabel->setObjectName(QStringLiteral("AboutLegal"));

    auto* web = new QPushButton(QStringLiteral("Web Site"), this);
    web->setAutoDefault(false);
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setDefault(true);
    connect(web, &QPushButton::clicked, this, &CAboutDlg::OnWebSite);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* text = new QVBoxLayout;
    text->addWidget(nameLabel);
    text->addWidget(versionLabel);
    text->addWidget(legalLabel);
    auto* top = new QHBoxLayout;
    top->addWidget(emblem, 0, Qt::AlignTop);
    top->addLayout(text, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(web);
    buttons->addStretch(1);
    buttons->addWidget(ok);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(buttons);
    setFixedSize(sizeHint());
}

const char* CAboutDlg::WebAddress() {
    return VIREON_WEB_ADDRESS;
}

void CAboutDlg::OnWebSite() {
    if (!QDesktopServices::openUrl(QUrl(QString::fromLatin1(WebAddress()))))
        ReportMessage(MESSAGE_WARNING, "Can't open web site. Please visit %s", WebAddress());
}
