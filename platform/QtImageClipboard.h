// SPDX-License-Identifier: GPL-3.0-or-later
// The clipboard over QClipboard: the DIB becomes a QImage (top-down RGB, the
// plot's size) on the calling thread, and the clipboard is set on the
// user-interface thread by a queued call; the caller never waits for it.
// A failure there is traced and reported as "Clipboard Error".
#pragma once

#include "recording/ImageClipboard.h"

class QObject;

class CQtImageClipboard : public IImageClipboard {
public:
    // context: an object living on the user-interface thread for as long as
    // this clipboard is installed (the application object).
    explicit CQtImageClipboard(QObject* context) : m_pContext(context) {}
    bool PostDib(const std::uint8_t* dib, std::size_t size) override;

private:
    QObject* m_pContext;
};
