#pragma once
// The route chains of the exchange engine: writing the route list into a reader slot (the name,
// then each entry, adding missing streets to the reader's street base first), reading a slot
// back, deleting a slot, and the task run that empties the reader and writes several routes
// into slots 1, 2, 3 … They plug into the engine as one Chain.
#include "reader/Chain.h"

#include <QObject>
#include <optional>

namespace tk::reader {
class Engine;
}

namespace tk::routes {

class Abbreviations;
class RouteSources;
class RouteState;

class RouteTransfer : public QObject, public reader::Chain {
    Q_OBJECT
public:
    enum Step : int {
        StepWriteName = 91,
        StepWriteRecord = 92,
        StepReadName = 100,
        StepReadCount = 101,
        StepReadFirst = 102,
        StepReadNext = 103,
        StepDestroy = 110,
        StepTaskClear = 200,
        StepTaskProbe = 201,
        StepTaskDelete = 202,
        StepTaskName = 203,
        StepTaskRecord = 204,
    };

    // Plugs itself into the engine.
    RouteTransfer(reader::Engine& engine, RouteState& state, RouteSources& sources, const Abbreviations& abbreviations);

    // The operations; each asks its confirmation first where it has one and returns false when
    // the user cancelled (nothing then changes).
    bool startWrite();   // ActionWriteRoute
    void startRead();    // ActionReadRoute
    bool startDestroy(); // ActionDestroyRoute
    // ActionWizard, once the task list is set and confirmed.
    void startTask();

    bool ownsStep(int step) const override;
    reader::Request request(int step) override;
    void onReply(const reader::RxCollector& reply) override;
    void onRefused() override;
    bool keepsStreetsOnTimeout(int step) const override;

signals:
    // A route operation has started: the route tab is shown and the route number is locked
    // until the exchange actions come back.
    void started();

private:
    int db() const;
    bool recordStep(int step) const { return step == StepWriteRecord || step == StepTaskRecord; }
    void begin(int firstStep);
    // Goes on with entry i: entries that cannot be written are reported one by one (the user
    // may stop), then the next record step, or the end of the route.
    // The cells of the route list's row, in record column order.
    QStringList entryAt(int row) const;
    void continueAt(int entry);
    bool askToGoOn(const QString& text);
    void routeWritten();
    void loadTaskRoute();
    bool lastRouteDbPassed() const;
    void advanceGauge();

    reader::Engine& engine_;
    RouteState& state_;
    RouteSources& sources_;
    const Abbreviations& abbreviations_;
    bool task_ = false;
    int work_ = 0;
    // A street record sent ahead of an entry: its number and name.
    std::optional<std::pair<int, QString>> pendingStreet_;
};

} // namespace tk::routes
