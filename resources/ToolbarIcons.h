// SPDX-License-Identifier: GPL-3.0-or-later
// The 16 x 16 toolbar images: our own drawings, kept as image files in
// resources/toolbar/ and compiled in through resources/toolbar.qrc.
// User-interface thread only (they make QPixmaps).
#pragma once

#include <QIcon>

// The image for a toolbar command (resources/Resource.h); a blank image for
// an unknown command.
QIcon MakeToolbarIcon(int commandId);
