#include "app/TamselApp.h"

int main(int argc, char** argv) {
    if (CTamselApp::HandleInfoOptions(argc, argv))
        return 0;
    CTamselApp app(argc, argv);
    if (!app.InitInstance())
        return app.ExitCode();
    return app.Run();
}
