#pragma once

#include <QIcon>

// Icon 128, the application icon, at 16, 32 and 48 pixels from the
// program's resources.
QIcon dmLoadAppIcon();
