#include "base/Messages.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>

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

std::atomic<bool> g_bMessageShowing{false};
CMutex g_presenterMutex;
std::unique_ptr<IMessagePresenter>
    g_pPresenter VIREON_GUARDED_BY(g_presenterMutex) = std::make_unique<CStderrPresenter>();

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
    // One box at a time: a message arriving meanwhile is dropped, not queued.
    if (g_bMessageShowing.exchange(true))
        return;
    IMessagePresenter* presenter;
    {
        CMutexLock lock(g_presenterMutex);
        presenter = g_pPresenter.get();
    }
    if (presenter != nullptr)
        presenter->Present(level, text);
    // Cleared whatever the outcome: a box that failed to show must not
    // silence every later message.
    g_bMessageShowing.store(false);
}

std::unique_ptr<IMessagePresenter>
SetMessagePresenter(std::unique_ptr<IMessagePresenter> presenter) {
    CMutexLock lock(g_presenterMutex);
    std::swap(g_pPresenter, presenter);
    return presenter;
}
