#include "app/MessageBoxPresenter.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QThread>

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

bool CMessageBoxPresenter::ShowOnUiThread(int level, const std::string& text) {
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

bool CMessageBoxPresenter::Present(int level, const std::string& text) {
    if (m_bPostedShowing.load())
        return true; // dropped: one box at a time
    if (QThread::currentThread() == m_pContext->thread())
        return ShowOnUiThread(level, text);

    if (m_bPostedShowing.exchange(true))
        return true;
    QMetaObject::invokeMethod(
        m_pContext,
        [this, level, text] {
            ShowOnUiThread(level, text);
            m_bPostedShowing.store(false);
        },
        Qt::QueuedConnection);
    return true;
}
