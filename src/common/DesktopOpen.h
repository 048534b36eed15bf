#pragma once
// Opens a file or an address with the desktop's handler (the shell's "Open" verb).
#include <QString>

namespace tk {

// False when the desktop has no handler for it.
bool openWithDesktop(const QString& pathOrUrl);

} // namespace tk
