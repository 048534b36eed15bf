#pragma once
// The five local reading tables, one per stored meter family: their files, their names in SQL,
// the statements the write and the erase run, and the column titles and widths of the grids
// that show them.
#include "common/Families.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace tk::store {

struct GridColumn {
    const char* field;   // column of the table (upper case)
    QString title;       // shown in the local-table grid
    int width = 0;       // in pixels; 0 keeps the grid's default
};

struct ReadingTable {
    Family family;
    QString fileName;     // "Telv1.DBF", "Telv2.dbf" …; found in the folder without regard to case
    QString sqlName;      // telv1, telv2, vakl4, vakldr, vaklpdr
    QString shownName;    // as the erase confirmation names the table: "Telv1" … "Vaklpdr"
    QString hint;         // of the local-table grid
    bool singleRegister;  // ТЕЛВ-1: eight columns, a decimal reading, no status
    QStringList select, insert, update, erase;
    std::vector<GridColumn> columns;
};

// nullptr for ЖКВ, which is read but not stored.
const ReadingTable* readingTable(Family f);
// ТЕЛВ-1 … ВАКЛ-ПДР, in the order of the families.
const std::vector<Family>& storedFamilies();

} // namespace tk::store
