// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/Messages.h"

#include <cstdarg>
#include <cstdio>

#include "base/MessageQueue.h"
#include "base/Mutex.h"

namespace {

class CStderrPresenter : public IMessagePresenter {
public:
    bool Present(int /*level*/, const std::string& text) override {
        std::string line = text;
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
            line.pop_back();
        return std::fprintf(stderr, "Vireon: %s\n", line.c_str()) >= 0;
    }
};

CMessageQueue g_queue;
CMutex g_presenterMutex;
std::unique_ptr<IMessagePresenter>
    g_pPresenter VIREON_GUARDED_BY(g_presenterMutex) = std::make_unique<CStderrPresenter>();

IMessagePresenter* Presenter() {
    CMutexLock lock(g_presenterMutex);
    return g_pPresenter.get();
}

void Drain(CMessageQueue::Ticket ticket) {
    while (const std::optional<SMessage> message = g_queue.Next(ticket))
        if (IMessagePresenter* presenter = Presenter())
            presenter->Present(message->level, message->text);
}

// Starts the drain with this ticket on the presenter's thread.
void StartDrain(CMessageQueue::Ticket ticket) {
    if (ticket == 0)
        return;
    if (IMessagePresenter* presenter = Presenter())
        presenter->Schedule([ticket] { Drain(ticket); });
    else
        Drain(ticket);
}

} // namespace

void ReportMessage(int level, const char* format, ...) {
    char buffer[256];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    ShowMessage(level, buffer);
}

void ShowMessage(int level, const std::string& text) {
    if (level > g_nMessageLevelMax)
        return;
    StartDrain(g_queue.Push(level, text));
}

std::unique_ptr<IMessagePresenter>
SetMessagePresenter(std::unique_ptr<IMessagePresenter> presenter) {
    {
        CMutexLock lock(g_presenterMutex);
        std::swap(g_pPresenter, presenter);
    }
    // A drain posted through the old presenter may never run: the new one
    // takes over whatever waits.
    StartDrain(g_queue.Abandon());
    return presenter;
}
