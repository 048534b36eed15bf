#pragma once
// The route list of the "Точки учёта" tab as data: one entry per route with its meter count
// per type, and the totals per type shown in the status panels.
#include "processing/MeterTypes.h"
#include "processing/RouteTable.h"

#include <QString>
#include <array>
#include <optional>
#include <vector>

namespace tk::processing {

struct RouteEntry {
    QString name;
    std::array<std::optional<qint64>, kTypeCount> counts{}; // empty cell: no meter of that type
    qint64 total() const;                                  // "Счетчиков"
    // The cells of the list: name, total, then the five type cells (empty where no meter).
    QStringList cells() const;
};

struct RouteSummary {
    std::vector<RouteEntry> entries;
    std::array<qint64, kTypeCount> perType{};
    QStringList names() const;
};

// Rows ordered by route, then type. Rows with an empty route name are counted nowhere; rows whose
// type code is not 0..4 have no cell to go to and are left out too.
RouteSummary summarizeRoutes(const std::vector<RouteCountRow>& rows);

// A status panel: the type name, a colon, two blanks and the count ("ТЕЛВ-1:  125").
QString typePanelText(int code, qint64 count);

} // namespace tk::processing
