#pragma once
// Whole-table operations that write a new file and put it in place of the old one only
// when it is complete: a crash at any moment leaves the old or the new table, whole.
// Both open the table exclusively and fail at once while another program has it open.
#include "store/dbf/DbfFormat.h"

#include <QString>

namespace tk::dbf {

// Physically removes the deleted records. The in-memory indexes of every connection are
// rebuilt on their next use, as the file they were built on is gone.
void packTable(const QString& path);

// The account column upgrade: if the first column whose name begins with PERS (any case)
// is numeric and 9 wide, the table is rewritten with it 10 wide, every other column and
// every record (deleted ones included) kept. Returns whether the table was rewritten.
bool widenAccountColumn(const QString& path);

// Writes a new empty table; refuses to replace an existing file.
void createTable(const QString& path, const Schema& schema);

} // namespace tk::dbf
