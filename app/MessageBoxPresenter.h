// Shows ReportMessage's text in a modal QMessageBox whose icon follows the
// level (1 critical, 2 warning, 4 information).
//
// Present may be called from any thread. On the user-interface thread the box
// runs modally at once. From another thread the box is posted to the
// user-interface thread and Present returns without waiting: the
// user-interface thread may itself be waiting for that worker (the stop
// protocol), so a worker must never block on the box. While a posted box is
// open, further messages from any thread are dropped.
#pragma once

#include <atomic>
#include <string>

#include "base/Messages.h"

class QObject;

class CMessageBoxPresenter : public IMessagePresenter {
public:
    // context: an object living on the user-interface thread for as long as
    // this presenter is installed (the application object).
    explicit CMessageBoxPresenter(QObject* context);
    bool Present(int level, const std::string& text) override;

    // Test hook: called instead of showing a real box, on the user-interface
    // thread, with the level and text. Empty: real boxes.
    using Sink = void (*)(int level, const std::string& text);
    static void SetTestSink(Sink sink);

private:
    bool ShowOnUiThread(int level, const std::string& text);

    QObject* m_pContext;
    std::atomic<bool> m_bPostedShowing{false};
};
