#pragma once
// Where a route comes from: the route table of the working directory (Route.dbf) and route
// files read through the add-on's decoders. Both replace the route list and set the route name.
#include <QString>
#include <QStringList>

namespace tk {
class Prompter;
namespace addons {
class Vormadd;
}
namespace store {
class LocalSql;
}
} // namespace tk

namespace tk::routes {

class Abbreviations;
class RouteState;

class RouteSources {
public:
    // vormadd may be null where no route file is ever read (the route table alone).
    RouteSources(store::LocalSql& sql, const addons::Vormadd* vormadd, const Abbreviations& abbreviations,
                 Prompter& prompter);

    // The distinct route names of the route table, ascending. Throws Error when the table is
    // missing or cannot be read.
    QStringList routeNames();

    // The rows of one route in table order: account padded to 10 digits, street and house as
    // stored, meter number padded to 6 digits, the type's family name.
    void loadFromTable(const QString& name, RouteState& state);

    // A route file: the route name from the file's name, then each non-empty line decoded and
    // checked; a bad line is reported by its line number (empty lines counted) and the user
    // chooses to go on or stop (the entries before it stay). Returns false when stopped.
    bool loadFromFile(const QString& path, RouteState& state);

private:
    store::LocalSql& sql_;
    const addons::Vormadd* vormadd_;
    const Abbreviations& abbreviations_;
    Prompter& prompter_;
};

} // namespace tk::routes
