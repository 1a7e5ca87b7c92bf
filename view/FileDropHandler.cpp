// SPDX-License-Identifier: GPL-3.0-or-later
#include "view/FileDropHandler.h"

#include <QDropEvent>
#include <QMimeData>
#include <QTimer>
#include <QUrl>

CFileDropHandler::CFileDropHandler(Handler handler, QObject* parent)
    : QObject(parent), m_handler(std::move(handler)) {}

QString CFileDropHandler::FirstLocalFile(const QMimeData* data) {
    if (data == nullptr)
        return {};
    for (const QUrl& url : data->urls())
        if (url.isLocalFile())
            return url.toLocalFile();
    return {};
}

bool CFileDropHandler::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop)
        return QObject::eventFilter(watched, event);
    // Enter and move events are drop events too (QDragMoveEvent derives from QDropEvent).
    auto* drop = static_cast<QDropEvent*>(event);
    const QString path = FirstLocalFile(drop->mimeData());
    if (path.isEmpty())
        return QObject::eventFilter(watched, event);
    drop->acceptProposedAction();
    if (type == QEvent::Drop)
        QTimer::singleShot(0, this, [this, path] {
            if (m_handler)
                m_handler(path);
        });
    return true;
}
