#pragma once
// Grids handed to the spreadsheet program. There is no spreadsheet automation to drive, so a
// grid becomes a new .xlsx file that is then opened with the desktop's handler for .xlsx files:
//
//   sheet row 1:          the title in A1, the rest of the row empty
//   sheet rows 2 .. R+1:  grid rows 0 .. R-1 (captions first; a reader grid's empty last row too)
//
// A cell is written as a number when its whole text reads as a number under the system's number
// format (regional::parseNumber), and as text otherwise.
//
// Where the file goes: the folder named by the environment variable TK4718EH_XLSX_FOLDER, else by
// the value XlsxFolder of the TK4718EH settings key, else the user's documents folder. Its name is
// the title and the date and time of the export; an existing file is never replaced. How it is
// opened: the desktop's handler, or the open command of common/DesktopHandler.h when one is set.
#include "common/StringGrid.h"
#include "common/TextGrid.h"

#include <QString>

class QAbstractItemModel;

namespace tk {

// True when an export can work: the folder exists (or can be made) and is writable, and either
// an open command is set or the desktop has a handler for .xlsx files. Starts nothing.
bool ExcelAvailable();

// Writes the grid under the title into a new .xlsx file and opens it; returns the file's path.
// Error with the reason when the file cannot be written (nothing is left behind then) or opened
// (the written file stays, and the message names it).
QString GridToExcel(const TextGrid& grid, const QString& title);
QString GridToExcel(const StringGrid& grid, const QString& title);

// Writes the grid under the title, in the same layout, into the named .xlsx file (replacing it),
// without opening it: for programs run from a script. Error with the reason; nothing is left
// behind at the path then.
void GridToXlsxFile(const StringGrid& grid, const QString& title, const QString& file);

// Copies a list into a grid n columns wide and (items + 1) rows high: row 0 the list's column
// captions, row i + 1 item i (its first column and the n - 1 columns after it). Error when the
// list has fewer than n columns.
StringGrid ListViewToGrid(const QAbstractItemModel& list, int n);

// The folder exports go to, as the settings resolve it (it may not exist yet).
QString excelFolder();

} // namespace tk
