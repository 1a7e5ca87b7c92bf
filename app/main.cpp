// SPDX-License-Identifier: GPL-3.0-or-later
#include <malloc.h>

#include "app/TamselApp.h"

int main(int argc, char** argv) {
    // Mesa's software renderer allocates and frees blocks of a few hundred
    // kilobytes on every state change; with glibc's default thresholds each
    // one is mapped or trimmed away and faulted in again, page by page, which
    // cost a third of the display's CPU. Keep them in the heap.
    mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
    mallopt(M_TRIM_THRESHOLD, 64 * 1024 * 1024);
    int exitCode = 0;
    if (CTamselApp::HandleInfoOptions(argc, argv, &exitCode))
        return exitCode;
    CTamselApp app(argc, argv);
    if (!app.InitInstance())
        return app.ExitCode();
    return app.Run();
}
