#pragma once
// The SQLite virtual-table module "dbf" over one table file, and the "RU" collation of
// its text columns. Used by LocalSql; tests and benchmarks may register it on their own
// connections too.
#include <cstddef>
#include <sqlite3.h>

namespace tk::dbf {

struct ModuleOptions {
    int lockTimeoutMs = 10000;
    // How many bytes of changed records a statement keeps in memory before it writes them
    // (through the journal) to the table.
    std::size_t heldChangesLimit = std::size_t(4) << 20;
    // The indexes of a large table are built by up to `indexThreads` threads (0: one a core,
    // at most four), each taking at least `indexRecordsPerThread` records.
    unsigned indexThreads = 0;
    std::size_t indexRecordsPerThread = std::size_t(1) << 16;
};

// Registers the module and the collation on db. The options must outlive the connection.
void registerModule(sqlite3* db, ModuleOptions* options);

// Russian alphabetical order: letters without regard to case, Ё beside Е; strings that
// differ in any way never compare equal, so equality stays exact.
int compareRussian(const char* a, int na, const char* b, int nb);

} // namespace tk::dbf
