#pragma once
// Export of one family's readings to the office's metering DBMS, along one of two roads chosen
// anew on each export by the add-on vormadddb: when it says it can write, every grid record is
// handed to it; otherwise the program connects itself (after a login when the stored one does not
// connect) and inserts the readings into `metering` for the accounts the database knows.
// Widget-free: questions go through the Prompter, the login dialog through a callback.
#include "common/Families.h"
#include "common/TextGrid.h"

#include <QString>
#include <functional>

namespace tk {
class Prompter;
namespace addons {
class Vormadddb;
struct DbReading;
} // namespace addons
} // namespace tk

namespace tk::store {

class DbmsConnection;

// The unit type that selects a family's meters in the database (`unit.type_id`); -1 for ЖКВ.
int dbmsUnitType(Family family);

// The statements, as the database has always been addressed.
extern const QString kQueryAccount;
extern const QString kQueryMetering;

// One grid record as WriteToDb takes it. Error naming the cell that does not convert. ТЕЛВ-1
// records carry no status (their cell is empty): the add-on receives 0.
addons::DbReading dbReadingOfRow(Family family, const TextGrid& grid, int row);

// Shows the login dialog modally; it connects the connection itself when the user gets in.
using LoginAsker = std::function<void(DbmsConnection&)>;
// The progress of an export: position and maximum.
using DbmsProgress = std::function<void(int position, int maximum)>;

struct DbmsExportOutcome {
    bool addOnRoad = false;
    bool stopped = false;   // ended by an error (direct road) or by the user (add-on road)
    int written = 0;        // `metering` rows inserted, or records the add-on took
    int failed = 0;         // inserts that failed, or records the add-on refused
    QString firstError;     // the first of those failures
};

// The export of one family (not ЖКВ). Everything the user must know is shown through the
// prompter: the add-on road asks on each refused record whether to go on; the direct road stops
// at any error but a single refused insert with "Ошибка записи в СУБД …"; an export that ran to
// its end says how many rows went in and how many did not. An error of PossibleWriteToDb itself
// is thrown as it is. The connection is closed when the direct road completes, left as it is
// when it stops.
DbmsExportOutcome exportToDbms(Family family, const TextGrid& grid, const addons::Vormadddb& addOn,
                               DbmsConnection& connection, Prompter& prompter, const LoginAsker& askLogin,
                               const DbmsProgress& progress);

// Connects with the stored login; when that fails, warns (only when saving the password is
// allowed) and shows the login dialog. Nothing here fails: a connection still missing makes the
// export's first statement fail with its message.
void connectWithStoredLogin(DbmsConnection& connection, Prompter& prompter, const LoginAsker& askLogin);

// Shared with the login dialog.
QString wrongLoginText();
QString dbmsExportTitle();

} // namespace tk::store
