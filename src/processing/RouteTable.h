#pragma once
// The statements this program issues on the route table Route.dbf, each with its values bound
// as parameters. Errors of the table layer pass through as tk::Error with its message.
#include <QString>
#include <QStringList>
#include <vector>

namespace tk::store {
class LocalSql;
class Rows;
} // namespace tk::store

namespace tk::processing {

// One row of the routes-with-counts statement.
struct RouteCountRow {
    QString route;
    int type = -1; // ctype; -1 when the field is empty
    qint64 count = 0;
};

// One metering point as the dialogs write it.
struct MeteringPoint {
    qint64 account = 0;
    QString street;
    QString house;
    int number = 0;
    int type = 0;
    QString subscriber;
    QString route;
};

// One point as the point list shows it: the texts of its columns and the type code.
struct PointRow {
    QString account;    // padded to 9 characters; empty when the field is empty
    QString street;
    QString house;
    QString subscriber;
    QString number;     // padded to 6 characters; empty when the field is empty
    QString typeName;   // empty for a code outside 0..4
    int type = -1;
};

class RouteTable {
public:
    explicit RouteTable(store::LocalSql& sql) : sql_(sql) {}

    // Ordered by route, then type code.
    std::vector<RouteCountRow> routesWithCounts();
    // In the order the table returns them.
    std::vector<PointRow> pointsOfRoute(const QString& route);
    // The distinct streets, ordered; empty streets left out.
    QStringList streets();
    // The houses of every row of the street, ordered; a house on several rows comes once per row;
    // empty houses left out.
    QStringList housesOfStreet(const QString& street);
    // How many rows carry the account.
    qint64 accountCount(qint64 account);

    void add(const MeteringPoint& p);
    // Changes every row with the point's account; returns how many.
    int edit(const MeteringPoint& p);
    // Removes every row with the account; returns how many.
    int remove(qint64 account);
    // Returns how many rows moved to the new name.
    int rename(const QString& oldName, const QString& newName);

    // Every row, for the reports.
    store::Rows allRows();

private:
    store::LocalSql& sql_;
};

} // namespace tk::processing
