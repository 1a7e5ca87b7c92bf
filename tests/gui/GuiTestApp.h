// The one QApplication of a GUI test process, made on first use; null when
// there is no X display (the tests then skip).
#pragma once

#include <QApplication>

#include <cstdlib>
#include <memory>

#include "app/MessageBoxPresenter.h"

inline QApplication* GuiTestApp() {
    static QApplication* app = []() -> QApplication* {
        const char* display = std::getenv("DISPLAY");
        if (display == nullptr || *display == '\0')
            return nullptr;
        static int argc = 1;
        static char name[] = "gui_frame_tests";
        static char* argv[] = {name, nullptr};
        auto* created = new QApplication(argc, argv);
        SetMessagePresenter(std::make_unique<CMessageBoxPresenter>(created));
        return created;
    }();
    return app;
}
