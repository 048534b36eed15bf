#include "store/reading/ReadingTables.h"

#include <array>

namespace tk::store {
namespace {

QStringList telv1Select()
{
    return {QStringLiteral("SELECT * FROM telv1"), QStringLiteral("WHERE number = :number"),
            QStringLiteral("AND date_meas = :date_meas")};
}

ReadingTable telv1()
{
    ReadingTable t{Family::Telv1, QStringLiteral("Telv1.DBF"), QStringLiteral("telv1"), QStringLiteral("Telv1"),
                   QStringLiteral("БД ТЕЛВ (1т)"), true, telv1Select(), {}, {}, {}, {}};
    t.insert = {QStringLiteral("INSERT INTO telv1(pers,street,house,number,date_meas,time_meas,"),
                QStringLiteral("  status,meas_1)"),
                QStringLiteral("VALUES(:pers,:street,:house,:number,:date_meas,:time_meas,"),
                QStringLiteral("  :status,:meas_1)")};
    t.update = {QStringLiteral("UPDATE telv1 SET time_meas = :time_meas,meas_1 = :meas_1,pers = :pers,"),
                QStringLiteral("  street = :street,house = :house,status = :status"),
                QStringLiteral("WHERE number = :number"), QStringLiteral("AND date_meas = :date_meas")};
    t.erase = {QStringLiteral("DELETE FROM telv1"), QStringLiteral("WHERE date_meas <= :date_meas")};
    return t;
}

// ТЕЛВ-2 and the three ВАКЛ families share their statements but for the table's name.
ReadingTable threeTariffs(Family f, const char* fileName, const char* sqlName, const char* shownName, const char16_t* hint)
{
    const QString n = QString::fromLatin1(sqlName);
    ReadingTable t{f, QString::fromLatin1(fileName), n, QString::fromLatin1(shownName), QString::fromUtf16(hint), false,
                   {}, {}, {}, {}, {}};
    t.select = {QStringLiteral("SELECT * FROM ") + n, QStringLiteral("WHERE number = :number"),
                QStringLiteral("AND date_meas = :date_meas")};
    t.insert = {QStringLiteral("INSERT INTO ") + n + QStringLiteral("(pers,street,house,number,date_meas,time_meas,status,"),
                QStringLiteral("  meas_1,meas_2,meas_3,meas_1_1,meas_2_1,meas_3_1,check_sum,"),
                QStringLiteral("  work_time,correct,delta)"),
                QStringLiteral("VALUES(:pers,:street,:house,:number,:date_meas,:time_meas,:status,"),
                QStringLiteral("  :meas_1,:meas_2,:meas_3,:meas_1_1,:meas_2_1,:meas_3_1,:check_sum,"),
                QStringLiteral("  :work_time,:correct,:delta)")};
    t.update = {QStringLiteral("UPDATE ") + n + QStringLiteral(" SET time_meas = :time_meas,status = :status,meas_1 ="),
                QStringLiteral("  :meas_1,meas_2 = :meas_2,meas_3 = :meas_3,meas_1_1 = :meas_1_1,"),
                QStringLiteral("  meas_2_1 = :meas_2_1,meas_3_1 = :meas_3_1,check_sum = :check_sum,"),
                QStringLiteral("  work_time = :work_time,correct = :correct,delta = :delta,pers = :pers,"),
                QStringLiteral("  street = :street,house = :house"),
                QStringLiteral("WHERE number = :number"), QStringLiteral("AND date_meas = :date_meas")};
    t.erase = {QStringLiteral("DELETE FROM ") + n, QStringLiteral("WHERE date_meas <= :date_meas")};
    return t;
}

std::vector<GridColumn> headColumns(bool singleRegister)
{
    return {
        {"PERS", QStringLiteral("Лиц.счет"), 0},
        {"STREET", QStringLiteral("Улица"), 0},
        {"HOUSE", QStringLiteral("Дом"), 40},
        {"NUMBER", QStringLiteral("Счетчик"), 50},
        {"DATE_MEAS", QStringLiteral("Дата"), 0},
        {"TIME_MEAS", QStringLiteral("Время"), 0},
        {"STATUS", QStringLiteral("Статус"), singleRegister ? 0 : 45},
    };
}

const std::array<ReadingTable, 5>& all()
{
    static const std::array<ReadingTable, 5> tables = [] {
        std::array<ReadingTable, 5> t{
            telv1(),
            threeTariffs(Family::Telv2, "Telv2.dbf", "telv2", "Telv2", u"БД ТЕЛВ (3т)"),
            threeTariffs(Family::Vakl4, "Vakl4.dbf", "vakl4", "Vakl4", u"БД ВАКЛ"),
            threeTariffs(Family::VaklDr, "VaklDr.dbf", "vakldr", "VaklDr", u"БД ВАКЛ"),
            threeTariffs(Family::VaklPdr, "VaklPdr.dbf", "vaklpdr", "Vaklpdr", u"БД ВАКЛ"),
        };
        t[0].columns = headColumns(true);
        t[0].columns.push_back({"MEAS_1", QStringLiteral("Показания"), 0});
        for (std::size_t i = 1; i < t.size(); ++i) {
            t[i].columns = headColumns(false);
            static const std::pair<const char*, const char16_t*> rest[] = {
                {"MEAS_1", u"1 тариф"}, {"MEAS_2", u"2 тариф"}, {"MEAS_3", u"3 тариф"},
                {"MEAS_1_1", u"1 тар.на расч."}, {"MEAS_2_1", u"2 тар.на расч."}, {"MEAS_3_1", u"3 тар.на расч."},
                {"CHECK_SUM", u"Контр. сумма"}, {"WORK_TIME", u"Нараб."}, {"CORRECT", u"Коррекции"}, {"DELTA", u"Разница"},
            };
            for (const auto& [field, title] : rest)
                t[i].columns.push_back({field, QString::fromUtf16(title), 0});
        }
        return t;
    }();
    return tables;
}

} // namespace

const ReadingTable* readingTable(Family f)
{
    for (const ReadingTable& t : all())
        if (t.family == f)
            return &t;
    return nullptr;
}

const std::vector<Family>& storedFamilies()
{
    static const std::vector<Family> families{Family::Telv1, Family::Telv2, Family::Vakl4, Family::VaklDr, Family::VaklPdr};
    return families;
}

} // namespace tk::store
