#pragma once
// The four reports of the data-processing program, computed without a window: the readings of a
// period, the consumption between two dates, the balance of main meters against their
// sub-meters, and the yearly report. Each fills a ReportGrid of texts, the very cells the window
// shows and the command line writes, in the regional formats in force.
//
// A report fills its grid as it goes: when the table layer fails part way (a missing reading
// table, say), the Error goes up and the rows computed so far stay in the grid.
#include "common/StringGrid.h"
#include "processing/ProcessingSettings.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <array>
#include <functional>
#include <vector>

namespace tk::store {
class LocalSql;
}

namespace tk::processing {

struct BalanceGroup;

struct ReportGrid {
    QString title; // the title of the spreadsheet export; not shown on the screen
    QStringList captions;
    std::vector<int> widths; // pixels, one per caption
    std::vector<QStringList> rows; // the data rows, each as wide as the captions

    // Row 0 the captions, then the data rows.
    StringGrid toStringGrid() const;
};

// Called with the position and the maximum of the gauge; position 0 starts a new stretch.
using Progress = std::function<void(int position, int maximum)>;

// What a report reads from the window when it starts.
struct ReportInputs {
    QDate from; // DTP1
    QDate to;   // DTP2
    QString street; // empty: no filter
    QString house;
    int year = 2000;
    QString route; // the yearly report's route filter; empty: none
    ProcessingSettings settings;
    // The account, street and house boxes of the readings tab, which are not kept as settings.
    bool readingsPers = true;
    bool readingsStreet = true;
    bool readingsHouse = true;
};

// A difference or sum of register values in the form of regional::number. The registers carry at most three
// decimals, but their binary doubles do not subtract exactly (532864.908 - 532524.883 comes out
// as 340.024999999907 at 15 digits); the result is rounded to six decimals first, which keeps
// every real digit and drops that noise.
QString computedText(double value);
// "Баланс (%)": the integer nearest to (b - p) / p * 100, halves to the even neighbour.
QString balancePercent(double balance, double shown);

void readingsReport(store::LocalSql& sql, const ReportInputs& in, ReportGrid& out, const Progress& progress = {});
void consumptionReport(store::LocalSql& sql, const ReportInputs& in, ReportGrid& out);
void yearlyReport(store::LocalSql& sql, const ReportInputs& in, ReportGrid& out);

// The energy value of a meter at its first reading on or after the date: the single register of
// type 0, the sum of the three billing-day registers otherwise; 0 without such a reading.
double meterValueAt(store::LocalSql& sql, int type, qint64 number, const QDate& date);

// The balance of the groups, in the given order, over the period: one main row per group and one
// extra row for each further left-out sub-meter. Its title names every group.
void balanceReport(store::LocalSql& sql, const std::vector<BalanceGroup>& groups, const QDate& from, const QDate& to,
                   ReportGrid& out, const Progress& progress = {});

// The route-table meters of each type (code order) that are in no balance group of that type,
// once per route-table row.
std::array<QStringList, 5> outOfBalance(store::LocalSql& sql);
// The same as a grid: one column per type, headed by its balance-dialog label.
ReportGrid outOfBalanceGrid(const std::array<QStringList, 5>& lists);

} // namespace tk::processing
