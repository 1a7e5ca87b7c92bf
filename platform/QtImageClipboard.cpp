// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/QtImageClipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMetaObject>

#include <cstring>

#include "base/BitmapInfoHeader.h"
#include "base/DebugLog.h"
#include "base/Messages.h"
#include "recording/BmpFile.h"

bool CQtImageClipboard::PostDib(const std::uint8_t* dib, std::size_t size) {
    if (dib == nullptr || size < sizeof(SBitmapInfoHeader) || m_pContext == nullptr)
        return false;
    SBitmapInfoHeader header;
    std::memcpy(&header, dib, sizeof header);
    const std::size_t stride = DibRowBytes(header.biWidth);
    const std::int32_t height = header.biHeight < 0 ? -header.biHeight : header.biHeight;
    if (header.biBitCount != 24 || header.biWidth <= 0 || height == 0 ||
        sizeof header + stride * static_cast<std::size_t>(height) > size)
        return false;
    // A deep copy: the screen DIB is reused for the next snapshot.
    QImage image = QImage(dib + sizeof header, header.biWidth, height,
                          static_cast<qsizetype>(stride), QImage::Format_BGR888)
                       .convertToFormat(QImage::Format_RGB888);
    if (header.biHeight > 0)
        image.mirror(false, true); // the DIB is bottom-up
    if (image.isNull())
        return false;
    return QMetaObject::invokeMethod(
        m_pContext,
        [image] {
            QClipboard* clipboard = QGuiApplication::clipboard();
            if (clipboard == nullptr) {
                DebugLog("Error pasting image: %d\r\n", 0);
                ReportMessage(MESSAGE_WARNING, "Clipboard Error");
                return;
            }
            clipboard->setImage(image);
        },
        Qt::QueuedConnection);
}
