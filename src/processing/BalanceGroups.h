#pragma once
// The balance groups stored in Balance.dbf, as the group list of the "Баланс" tab shows them.
#include <QString>
#include <QStringList>
#include <array>
#include <functional>
#include <vector>

namespace tk::store {
class LocalSql;
}

namespace tk::processing {

struct BalanceGroup {
    QString caption;     // main meter number, padded with zeros to 6 characters
    QString description; // street and house of the main meter's first reading; empty without one
    int type = -1;       // main meter type code
    QString kent;        // transformer coefficient as stored
};

// In the order of main meter number, then type. Error when Balance.dbf or the reading table of
// a main meter's type cannot be read.
std::vector<BalanceGroup> loadBalanceGroups(store::LocalSql& sql);

// The rows of one group as the group dialog shows them: the sub-meter numbers by type code (rows
// of other codes left out) and the coefficient of the last row, empty when the group has none.
struct GroupContent {
    std::array<QStringList, 5> subMeters;
    QString kent;
};
GroupContent loadGroup(store::LocalSql& sql, qint64 number, int type);

// Replaces the group's rows with one row per sub-meter, all or nothing. Every line of the five
// boxes is checked first: an empty line is skipped, any other line must be one meter number
// (0..999999), otherwise Error naming the box (its balance-dialog label) and the line, and the
// group is left as it was. Then the old rows are deleted and the new ones inserted in one
// transaction; a failing insert takes the delete back with it. No boxes with numbers: the
// group is removed. `afterInsert` is called after each inserted row (the dialog's gauge).
void writeGroup(store::LocalSql& sql, qint64 number, int type, qint64 kent, const std::array<QStringList, 5>& boxes,
                const std::function<void(int done, int total)>& afterInsert = {});

// The lines of the window "Счетчики в нескольких балансах": for each sub-meter in more than one
// group, "№<number> <type name> в балансе для", then "  <main number> <type name>" per group.
// Empty when no sub-meter is shared.
QStringList sharedSubMeterLines(store::LocalSql& sql);

} // namespace tk::processing
