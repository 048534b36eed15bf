#pragma once
// Files and addresses handed to the desktop, without the GUI library: whether the desktop has a
// handler for a kind of file, opening a file with it, and the office's own open command that
// replaces the desktop where there is no desktop database (kiosk set-ups, tests).
//
// The open command comes from the environment variable TK4718EH_OPEN_COMMAND, else from the value
// OpenCommand of the TK4718EH settings key; it is a command line (quotes group words), and the
// file or address is added as its last argument.
#include <QString>
#include <QStringList>

namespace tk {

// The open command split into program and arguments; empty when none is set.
QStringList openCommandOverride();

// Starts the command on the target and returns at once; Error when it cannot be started.
void runOpenCommand(const QStringList& command, const QString& target);

// Whether the desktop knows a program for files with this suffix ("xlsx"). Asked once per
// suffix and process: associations do not change while a program runs.
bool desktopHandlesSuffix(const QString& suffix);

// Opens a local file with the desktop's handler (the override command when set); Error with
// the reason when that cannot be done.
void openFileWithDesktop(const QString& path);

} // namespace tk
