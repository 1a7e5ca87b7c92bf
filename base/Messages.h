// Messages the user must see, shown as a modal box whose icon follows the
// level (EMessageLevel). Levels above g_nMessageLevelMax show nothing. A
// message that arrives while another is showing is dropped, not queued.
//
// ReportMessage and ShowMessage may be called from any thread; the presenter
// decides how the box reaches the user-interface thread.
#pragma once

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
    // Shows the message and returns once the user has closed it. Returns
    // false if the box could not be shown.
    virtual bool Present(int level, const std::string& text) = 0;
};

void ReportMessage(int level, const char* format, ...) __attribute__((format(printf, 2, 3)));
void ShowMessage(int level, const std::string& text);

// Replaces the presenter (the default writes to standard error). Returns the
// previous one. Not to be called while a message is showing.
std::unique_ptr<IMessagePresenter>
SetMessagePresenter(std::unique_ptr<IMessagePresenter> presenter);
