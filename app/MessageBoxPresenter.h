// SPDX-License-Identifier: GPL-3.0-or-later
// Shows ReportMessage's text in a modal QMessageBox whose icon follows the
// level (1 critical, 2 warning, 4 information).
//
// The boxes belong to the user-interface thread: Schedule runs the message
// drain there at once when called there, and from any other thread posts it
// and returns without waiting (the user-interface thread may itself be
// waiting for that worker: the stop protocol). Present runs one box modally;
// messages reported meanwhile wait in the queue (base/Messages.h) and follow
// it one at a time.
#pragma once

#include <functional>
#include <string>

#include "base/Messages.h"

class QObject;

class CMessageBoxPresenter : public IMessagePresenter {
public:
    // context: an object living on the user-interface thread for as long as
    // this presenter is installed (the application object).
    explicit CMessageBoxPresenter(QObject* context);
    void Schedule(std::function<void()> drain) override;
    // User-interface thread (from the drain).
    bool Present(int level, const std::string& text) override;

    // Test hook: called instead of showing a real box, on the user-interface
    // thread, with the level and text. Empty: real boxes.
    using Sink = void (*)(int level, const std::string& text);
    static void SetTestSink(Sink sink);

private:
    QObject* m_pContext;
};
