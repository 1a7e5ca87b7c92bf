// SPDX-License-Identifier: GPL-3.0-or-later
#include "resources/ToolbarIcons.h"

#include <QPixmap>

#include "resources/Resource.h"

namespace {

const char* ImageName(int commandId) {
    switch (commandId) {
    case ID_FILE_RUN:
        return "run";
    case ID_FILE_NEW:
        return "new";
    case ID_FILE_OPEN:
        return "open";
    case ID_FILE_SAVE:
        return "save";
    case ID_CAPTURE_ENABLE:
        return "capture";
    case ID_EDIT_COPY:
        return "copy";
    case ID_PLOT_HISTOGRAM:
        return "histogram";
    case ID_PLOT_WATERFALL:
        return "waterfall";
    case ID_PLOT_SURFACE:
        return "surface";
    case ID_PLOT_BARS:
        return "bars";
    case ID_PLOT_METERS:
        return "meters";
    case ID_VIEW_PLOT_ONLY:
        return "plotonly";
    case ID_PLOT_RESET:
        return "resetplot";
    case ID_VIEW_DECIBEL_SCALE:
        return "decibel";
    case ID_VIEW_LOG_FREQUENCY:
        return "logaxis";
    case ID_APP_ABOUT:
        return "about";
    case ID_CONTEXT_HELP:
        return "contexthelp";
    default:
        return nullptr;
    }
}

} // namespace

QIcon MakeToolbarIcon(int commandId) {
    // The images live in a static library: registering them here keeps the
    // linker from dropping them.
    static const bool registered = [] {
        Q_INIT_RESOURCE(toolbar);
        return true;
    }();
    (void)registered;
    const char* name = ImageName(commandId);
    QPixmap pixmap;
    if (name == nullptr ||
        !pixmap.load(QStringLiteral(":/toolbar/%1.png").arg(QLatin1String(name)))) {
        pixmap = QPixmap(16, 16);
        pixmap.fill(Qt::transparent);
    }
    return QIcon(pixmap);
}
