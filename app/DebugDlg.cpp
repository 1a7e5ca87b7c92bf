// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/DebugDlg.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

#include "base/DebugLog.h"

namespace {
// 377 x 207 dialog units at the classic 6 x 13 pixel dialog font.
constexpr int kWidthPx = 377 * 6 / 4;
constexpr int kHeightPx = 207 * 13 / 8;
} // namespace

CDebugDlg::CDebugDlg(QWidget* parent)
    : QDialog(nullptr), m_btnResume(new QPushButton(QStringLiteral("Resume"), this)),
      m_btnPause(new QPushButton(QStringLiteral("Pause"), this)),
      m_editLog(new QPlainTextEdit(this)), m_pParent(parent),
      m_pRefreshQueued(std::make_shared<std::atomic<bool>>(false)) {
    setWindowTitle(QStringLiteral("Debug"));
    setObjectName(QStringLiteral("DebugDialog"));
    setModal(false);
    resize(kWidthPx, kHeightPx);

    m_editLog->setReadOnly(true);
    m_editLog->setObjectName(QStringLiteral("DebugLogEdit"));
    m_editLog->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_editLog->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_btnPause->setObjectName(QStringLiteral("DebugPause"));
    m_btnResume->setObjectName(QStringLiteral("DebugResume"));
    m_btnPause->setAutoDefault(false);
    m_btnResume->setAutoDefault(false);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_btnPause);
    buttons->addWidget(m_btnResume);
    buttons->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_editLog, 1);
    layout->addLayout(buttons);

    connect(m_btnPause, &QPushButton::clicked, this, &CDebugDlg::OnPause);
    connect(m_btnResume, &QPushButton::clicked, this, &CDebugDlg::OnResume);

    // The listener may outlive this dialog by a few calls on worker threads,
    // so it holds only a guarded pointer and a shared flag.
    QPointer<CDebugDlg> self(this);
    std::shared_ptr<std::atomic<bool>> queued = m_pRefreshQueued;
    CTraceLog::Instance().SetListener([self, queued] {
        if (queued->exchange(true))
            return;
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [self, queued] {
                queued->store(false);
                if (self)
                    self->OnTraceAppended();
            },
            Qt::QueuedConnection);
    });
}

CDebugDlg::~CDebugDlg() {
    CTraceLog::Instance().SetListener(nullptr);
}

void CDebugDlg::Show() {
    if (m_bVisible)
        return;
    show();
    raise();
    RefreshFromTrace();
    m_btnPause->setEnabled(!m_bPaused);
    m_btnResume->setEnabled(m_bPaused);
    m_bVisible = true;
}

void CDebugDlg::Hide() {
    if (!m_bVisible)
        return;
    hide();
    m_bVisible = false;
}

QString CDebugDlg::ShownText() const {
    return m_editLog->toPlainText();
}

void CDebugDlg::OnPause() {
    m_btnResume->setEnabled(true);
    m_btnPause->setEnabled(false);
    m_bPaused = true;
}

void CDebugDlg::OnResume() {
    m_btnResume->setEnabled(false);
    m_btnPause->setEnabled(true);
    RefreshFromTrace();
    m_bPaused = false;
}

void CDebugDlg::closeEvent(QCloseEvent* event) {
    // The window's own close button hides it the same way the accelerator does.
    event->ignore();
    Hide();
}

void CDebugDlg::OnTraceAppended() {
    if (m_bVisible && !m_bPaused)
        RefreshFromTrace();
}

void CDebugDlg::RefreshFromTrace() {
    QString text = QString::fromLocal8Bit(CTraceLog::Instance().Text());
    text.remove(QLatin1Char('\r'));
    m_editLog->setPlainText(text);
    ScrollToEnd();
}

void CDebugDlg::ScrollToEnd() {
    QScrollBar* bar = m_editLog->verticalScrollBar();
    bar->setValue(bar->maximum());
}
