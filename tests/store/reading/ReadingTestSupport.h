#pragma once
// Pieces of the reading store tests: a scratch working directory filled from the fixtures, the
// grids the reader side hands over, and a fresh look at what a table file holds.
#include "StoreTestUtil.h"

#include "store/dbf/LocalSql.h"
#include "common/TextGrid.h"

#include <QLocale>
#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace tk::test {

// The office's regional formats: dd.MM.yyyy, HH:mm, decimal comma.
class RussianLocale : public ::testing::Environment {
public:
    void SetUp() override { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }
};

// A writable copy of fixture tables.
class Scratch {
public:
    explicit Scratch(const QString& folder = QStringLiteral("small"), const QStringList& only = {})
    {
        EXPECT_TRUE(dir_.isValid());
        copyFixtures(folder, dir_.path(), only);
    }
    QString path() const { return dir_.path(); }
    QString file(const QString& name) const { return dir_.filePath(name); }

private:
    QTemporaryDir dir_;
};

inline QStringList threeTariffTitles()
{
    return {"лиц.счет", "улица", "дом", "счетчик", "дата", "время", "статус", "1 тариф", "2 тариф", "3 тариф",
            "1 тар.на расч.", "2 тар.на расч.", "3 тар.на расч.", "контр. сумма", "нараб.", "коррекции", "разница",
            "маршрут"};
}
inline QStringList singleRegisterTitles()
{
    return {"лиц.счет", "улица", "дом", "счетчик", "дата", "время", "статус", "показания", "маршрут"};
}

// A ТЕЛВ-2 grid record as the reader side writes it; tests change the cells they are about.
inline QStringList telv2Cells(const QString& number, const QString& date, const QString& time)
{
    return {"123", "ЛЕНИНА", "12А", number, date, time, "4", "100", "200", "300", "90", "190", "290", "17",
            "1234:05", "2", "-5", "Центр"};
}

inline TextGrid gridOf(const QStringList& titles, const std::vector<QStringList>& records)
{
    TextGrid g(titles);
    for (const QStringList& r : records)
        g.appendRecord(r);
    return g;
}

// What the file holds, read through a connection of its own.
inline store::Rows rowsOf(const QString& dir, const QString& table, const QString& where = {},
                          const store::Params& params = {})
{
    store::LocalSql sql(dir);
    return sql.select({QStringLiteral("SELECT * FROM ") + table + (where.isEmpty() ? QString() : QStringLiteral(" WHERE ") + where)},
                      params);
}

} // namespace tk::test
