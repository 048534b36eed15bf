#pragma once
// What the manager takes from its command line.
#include <QString>
#include <QStringList>

namespace tk::manager {

struct CommandLine {
    bool debug = false;   // the word "debug" in any letter case, anywhere (program path included)
    bool connect = false; // --connect: establish the link right after start-up
    QString port;         // --port PATH (or --port=PATH): a device to offer and select
};

// args as QCoreApplication::arguments() gives them, the program path first.
CommandLine parseCommandLine(const QStringList& args);

} // namespace tk::manager
