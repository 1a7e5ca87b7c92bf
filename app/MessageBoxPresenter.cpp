// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/MessageBoxPresenter.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QThread>

#include <atomic>

namespace {
std::atomic<CMessageBoxPresenter::Sink> g_testSink{nullptr};

QMessageBox::Icon IconForLevel(int level) {
    switch (level) {
    case MESSAGE_ERROR:
        return QMessageBox::Critical;
    case MESSAGE_WARNING:
        return QMessageBox::Warning;
    case MESSAGE_INFO:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}
} // namespace

CMessageBoxPresenter::CMessageBoxPresenter(QObject* context) : m_pContext(context) {}

void CMessageBoxPresenter::SetTestSink(Sink sink) {
    g_testSink.store(sink);
}

void CMessageBoxPresenter::Schedule(std::function<void()> drain) {
    if (QThread::currentThread() == m_pContext->thread())
        drain();
    else
        QMetaObject::invokeMethod(m_pContext, std::move(drain), Qt::QueuedConnection);
}

bool CMessageBoxPresenter::Present(int level, const std::string& text) {
    if (Sink sink = g_testSink.load()) {
        sink(level, text);
        return true;
    }
    QString message = QString::fromLocal8Bit(text.c_str());
    // Messages end lines Windows-style; a stray '\r' shows as a box in Qt.
    message.remove(QLatin1Char('\r'));
    QMessageBox box(IconForLevel(level), QCoreApplication::applicationName(), message,
                    QMessageBox::Ok);
    return box.exec() != 0;
}
