#pragma once
// The controls of the reader-sim program: its command-line options and the commands it reads
// on stdin while running. Both name the same faults, so both end in FaultRules.
#include "Faults.h"

#include <QString>
#include <QStringList>
#include <vector>

namespace tk::sim {

struct Options {
    QString statePath; // empty: start from the default state and save nothing
    QString linkPath;  // empty: no symlink
    int baud = 0;      // 0: unpaced
    bool readCommands = true;
    bool help = false;
    std::vector<FaultRule> faults;
};

// args without the program name. Throws tk::Error naming the offending option.
Options parseOptions(const QStringList& args);
QString usageText();

struct Command {
    enum class Kind { AddFault, Unplug, Plug, ClearFaults, Save, Quit };
    Kind kind = Kind::Quit;
    FaultRule rule; // AddFault
    QString text;   // the command as accepted, blanks normalised
};

// One line of stdin. Throws tk::Error with the reason when the line is no valid command.
Command parseCommand(const QString& line);
QString commandsText();

} // namespace tk::sim
