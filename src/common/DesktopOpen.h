#pragma once
// Opens a file or an address with the desktop's handler (the shell's "Open" verb).
#include <QString>

namespace tk {

// False when the desktop has no handler for it. The open command of common/DesktopHandler.h,
// when set, is run instead of the desktop's handler.
bool openWithDesktop(const QString& pathOrUrl);

} // namespace tk
