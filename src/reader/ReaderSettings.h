#pragma once
// The reader's settings as the settings page shows them: the values the settings write sends and
// the settings read fills in. The page's controls edit this model; reads replace its values.
#include <QString>
#include <QTime>
#include <array>

namespace tk::reader {

struct TariffZone {
    QString tariff; // "1", "2" or "3"
    QTime start;
};

struct ReaderSettings {
    std::array<TariffZone, 6> zones{{
        {QStringLiteral("1"), QTime(0, 0)},
        {QStringLiteral("2"), QTime(6, 30)},
        {QStringLiteral("3"), QTime(8, 30)},
        {QStringLiteral("2"), QTime(11, 30)},
        {QStringLiteral("3"), QTime(17, 30)},
        {QStringLiteral("2"), QTime(20, 30)},
    }};
    bool oneTariff = true;
    int billingDay = 1;  // 1..31
    int billingHour = 0; // 0..23
    bool summer = true;
    int display = 0;     // bit 0 "Суммарная", 1 "На 1-ое число", 2 "Дата", 3 "Время"
    QString password = QStringLiteral("0");

    // The password as sent: the field's text as an integer, 0 when it is not one.
    int passwordValue() const
    {
        bool ok = false;
        const int v = password.trimmed().toInt(&ok);
        return ok ? v : 0;
    }
};

} // namespace tk::reader
