// SPDX-License-Identifier: GPL-3.0-or-later
// Messages the user must see, shown as a modal box whose icon follows the
// level (EMessageLevel). Levels above g_nMessageLevelMax show nothing.
//
// One box at a time: a message that arrives while a box is open waits and is
// shown after it, in order (see CMessageQueue: identical consecutive
// messages fold into one, and at most eight wait, the rest counted in one
// last box). The boxes are shown by a drain that the presenter runs on its
// own thread; a thread that reports never waits for a box of another
// thread's message.
//
// ReportMessage and ShowMessage may be called from any thread.
#pragma once

#include <functional>
#include <memory>
#include <string>

// Message levels; the icon follows the level.
enum EMessageLevel : int {
    MESSAGE_ERROR = 1,   // stop icon: set-up failures (OpenGL context, capture device)
    MESSAGE_WARNING = 2, // exclamation: input errors, run-time capture, clipboard, help
    MESSAGE_INFO = 4,    // information
};

inline constexpr int g_nMessageLevelMax = MESSAGE_INFO;

class IMessagePresenter {
public:
    virtual ~IMessagePresenter() = default;
    // Runs drain (which calls Present for each waiting message in turn) on
    // the thread where this presenter shows its boxes: at once when called
    // there, otherwise posted, returning without waiting. The default runs it
    // at once on the calling thread.
    virtual void Schedule(std::function<void()> drain) { drain(); }
    // Shows the message and returns once the user has closed it; called only
    // from a drain. Returns false if the box could not be shown.
    virtual bool Present(int level, const std::string& text) = 0;
};

void ReportMessage(int level, const char* format, ...) __attribute__((format(printf, 2, 3)));
void ShowMessage(int level, const std::string& text);

// Replaces the presenter (the default writes to standard error). Returns the
// previous one. Messages still waiting go to the new one. Not to be called
// while a box is showing.
std::unique_ptr<IMessagePresenter>
SetMessagePresenter(std::unique_ptr<IMessagePresenter> presenter);
