// The 16 x 16 toolbar images, drawn in code. User-interface thread only
// (they paint QPixmaps).
#pragma once

#include <QIcon>

// The image for a toolbar command (resources/Resource.h); a blank image for
// an unknown command.
QIcon MakeToolbarIcon(int commandId);
