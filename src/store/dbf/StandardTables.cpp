#include "store/dbf/StandardTables.h"

namespace tk::dbf {
namespace {

Field n(const char* name, int width, int decimals = 0) { return {name, 'N', width, decimals, 0}; }
Field c(const char* name, int width) { return {name, 'C', width, 0, 0}; }
Field d(const char* name) { return {name, 'D', 8, 0, 0}; }

Schema make(std::vector<Field> fields)
{
    Schema s;
    s.fields = std::move(fields);
    return s;
}

std::vector<Field> readingHead()
{
    // Account up to 10 digits (34 bits); street and house as the reader holds them;
    // meter number six digits; time "hh:mm"; status a byte.
    return {n("PERS", 10), c("STREET", 12), c("HOUSE", 6), n("NUMBER", 6), d("DATE_MEAS"), c("TIME_MEAS", 5), n("STATUS", 3)};
}

Schema threeTariffs()
{
    std::vector<Field> f = readingHead();
    // Registers are 24-bit (up to 16777215); work time in minutes of a 24-bit counter
    // needs 8 digits; CORRECT a byte; DELTA -128..127.
    for (const char* r : {"MEAS_1", "MEAS_2", "MEAS_3", "MEAS_1_1", "MEAS_2_1", "MEAS_3_1"})
        f.push_back(n(r, 10));
    f.push_back(n("CHECK_SUM", 3));
    f.push_back(n("WORK_TIME", 8));
    f.push_back(n("CORRECT", 3));
    f.push_back(n("DELTA", 4));
    return make(f);
}

} // namespace

const std::vector<StandardTable>& standardTables()
{
    static const std::vector<StandardTable> all = [] {
        std::vector<Field> t1 = readingHead();
        t1.push_back(n("MEAS_1", 12, 3)); // the single register with three decimals
        return std::vector<StandardTable>{
            {QStringLiteral("Telv1.DBF"), make(t1)},
            {QStringLiteral("Telv2.dbf"), threeTariffs()},
            {QStringLiteral("Vakl4.dbf"), threeTariffs()},
            {QStringLiteral("VaklDr.dbf"), threeTariffs()},
            {QStringLiteral("VaklPdr.dbf"), threeTariffs()},
            // Route names: the reader keeps 12 characters, the table up to 20.
            {QStringLiteral("Route.dbf"), make({n("PERS", 10), c("STREET", 12), c("HOUSE", 6), n("NUMBER", 6), n("CTYPE", 1),
                                                c("SUBSCRIBER", 32), c("ROUTE", 20)})},
            {QStringLiteral("Balance.dbf"), make({n("NUMBER_M", 6), n("TYPE_M", 1), n("NUMBER_S", 6), n("TYPE_S", 1), n("KENT", 5)})},
        };
    }();
    return all;
}

const StandardTable* standardTable(const QString& name)
{
    QString stem = name;
    if (stem.endsWith(QLatin1String(".dbf"), Qt::CaseInsensitive))
        stem.chop(4);
    for (const StandardTable& t : standardTables())
        if (t.fileName.chopped(4).compare(stem, Qt::CaseInsensitive) == 0)
            return &t;
    return nullptr;
}

} // namespace tk::dbf
