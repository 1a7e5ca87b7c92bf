// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/TamselApp.h"

int main(int argc, char** argv) {
    int exitCode = 0;
    if (CTamselApp::HandleInfoOptions(argc, argv, &exitCode))
        return exitCode;
    CTamselApp app(argc, argv);
    if (!app.InitInstance())
        return app.ExitCode();
    return app.Run();
}
