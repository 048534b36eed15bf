#pragma once
// Every change the table layer makes to a file (table, journal, or the copy of a rewrite)
// goes through these few calls, so that the test seam declared in DbfFile.h sees all of
// them: a budget cuts a change short and fails it or ends the process, as a crash would,
// and a log tells a test where each change began.
#include "store/dbf/Platform.h"

#include <QString>
#include <cstddef>
#include <cstdint>

namespace tk::dbf::changes {

// Writes n bytes at offset; a budget that runs out in the middle writes the part before it.
void write(OsFile& f, std::uint64_t offset, const void* data, std::size_t n);
void truncate(OsFile& f, std::uint64_t size);
void create(OsFile& f, const QString& path); // create or empty, read-write
void remove(const QString& path);

// For shapelib's writer, which reports failures by count: how many of n bytes may be
// written now; exits the process or sets `failed` when the budget runs out.
std::size_t allow(std::size_t n, bool& failed);
void note(std::size_t n);
void endOfBudget(); // after a cut-short change: exits the process when that is the action

} // namespace tk::dbf::changes
