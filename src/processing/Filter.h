#pragma once
// The shared filter of the reports: the period and the street and house, as the reports read
// them when their query starts; and the period the window opens with.
#include "common/Tint.h"

#include <QDate>
#include <QString>

namespace tk::processing {

struct Filter {
    QDate from;     // DTP1, time of day ignored
    QDate to;       // DTP2
    QString street; // empty: no filter
    QString house;  // empty: no filter
};

struct Period {
    QDate from;
    QDate to;
};

// The first day of the previous month to the first day of today's month (in January: 1 December
// of the previous year to 1 January).
Period initialPeriod(const QDate& today);

// The filter panel's tint: the button-face colour's red channel changed by -5 % (shiftChannel).
inline constexpr int kPanelRedPercent = -5;

} // namespace tk::processing
