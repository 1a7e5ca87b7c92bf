// SPDX-License-Identifier: GPL-3.0-or-later
// A race that ThreadSanitizer must still report with tsan.supp in force: a
// worker queues a call and then writes what that call reads. Qt calls the
// slot, so a Qt frame stands right below ours in the report; a suppression
// matching a whole Qt library would drop it.
#include <QCoreApplication>
#include <QMetaObject>

#include <thread>

namespace {
int g_shared = 0; // unordered on purpose: written after the posting
}

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    int seen = -1;
    std::thread worker([&app, &seen] {
        QMetaObject::invokeMethod(
            &app,
            [&app, &seen] {
                seen = g_shared;
                app.quit();
            },
            Qt::QueuedConnection);
        g_shared = 1;
    });
    app.exec();
    worker.join();
    return seen >= 0 ? 0 : 1;
}
