#pragma once
// The demo working directory: a few routes with a few hundred metering points of all five types,
// monthly readings of every meter over the fifteen months up to today, and a few balance groups
// whose main meters read a little more than their sub-meters together. The route "Центр" holds
// exactly the five points of route 1 in the demo reader content (tools/reader-sim/demo.json), and
// the meters the demo reader holds readings of are points of the routes.
#include <QDate>
#include <QString>

namespace tk::tabletool {

struct DemoSummary {
    int points = 0;
    int routes = 0;
    int readings = 0;
    int balanceRows = 0;
};

// Fills the seven tables in dir, creating those that are missing. Refuses (Error, nothing
// written) when any of them already holds rows: the demo goes only into empty tables.
DemoSummary makeDemo(const QString& dir, const QDate& today);

} // namespace tk::tabletool
