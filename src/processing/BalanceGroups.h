#pragma once
// The balance groups stored in Balance.dbf, as the group list of the "Баланс" tab shows them.
#include <QString>
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

} // namespace tk::processing
