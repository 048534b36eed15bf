#pragma once
// The reports without a window, for a scheduled job or a script:
//
//   Kelvadi --report NAME --out FILE [options]
//
// computes one report with the same library code and the same inputs as the window and writes
// its grid: FILE ending in .xlsx gets the spreadsheet layout of the export (title in A1), .csv the
// rows caption first, ';'-separated UTF-8 with a BOM, and "-" the rows tab-separated on standard
// output. Cell texts are the window's, in the locale's formats.
#include <QDate>
#include <QStringList>
#include <QTextStream>

namespace tk::processing {

// Whether the arguments (without the program name) ask for the command line rather than the
// window: --report or --help among them.
bool wantsCommandLine(const QStringList& args);

// Runs it; returns the exit status (0 done, 1 the report failed, 2 the arguments are wrong).
// `today` gives the default period and year (invalid: the current date).
int runCommandLine(const QStringList& args, QTextStream& out, QTextStream& err, QDate today = {});

QString commandLineHelp();

} // namespace tk::processing
