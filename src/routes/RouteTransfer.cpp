#include "routes/RouteTransfer.h"

#include "common/Error.h"
#include "common/Prompter.h"
#include "reader/Engine.h"
#include "routes/Abbreviations.h"
#include "routes/RouteRecord.h"
#include "routes/RouteSources.h"
#include "routes/RouteState.h"

namespace tk::routes {

using namespace reader;

namespace {
const QString kWriteTitle = QStringLiteral("Запись маршрута");
const QString kTaskTitle = QStringLiteral("Загрузка задания");
constexpr int kLastListDb = 7; // databases 0-7 hold readings, streets, journal and diary
} // namespace

RouteTransfer::RouteTransfer(Engine& engine, RouteState& state, RouteSources& sources, const Abbreviations& abbreviations)
    : QObject(&engine), engine_(engine), state_(state), sources_(sources), abbreviations_(abbreviations)
{
    engine_.addChain(*this);
}

int RouteTransfer::db() const
{
    return routeDb(state_.number());
}

bool RouteTransfer::ownsStep(int step) const
{
    switch (step) {
    case StepWriteName: case StepWriteRecord: case StepReadName: case StepReadCount: case StepReadFirst:
    case StepReadNext: case StepDestroy: case StepTaskClear: case StepTaskProbe: case StepTaskDelete:
    case StepTaskName: case StepTaskRecord:
        return true;
    default:
        return false;
    }
}

void RouteTransfer::begin(int firstStep)
{
    engine_.prepareChain(true);
    emit started();
    pendingStreet_.reset();
    engine_.setStepNo(firstStep);
}

bool RouteTransfer::startWrite()
{
    if (state_.name().isEmpty()
        && !engine_.prompter().confirm(kWriteTitle, QStringLiteral("Нет названия маршрута. Все равно продолжить?"),
                                       Prompter::Icon::Question))
        return false;
    task_ = false;
    work_ = 0;
    engine_.setGauge(0, state_.list().rowCount());
    begin(StepWriteName);
    return true;
}

void RouteTransfer::startRead()
{
    task_ = false;
    state_.list().clear();
    state_.setName(QString());
    work_ = 0;
    engine_.setGauge(0, engine_.gaugeMaximum());
    begin(StepReadName);
}

bool RouteTransfer::startDestroy()
{
    if (!engine_.prompter().confirm(QStringLiteral("Очистка ридера"), QStringLiteral("Данные о маршруте №")
                                        + QString::number(state_.number()) + QStringLiteral(" будут уничтожены !")))
        return false;
    task_ = false;
    begin(StepDestroy);
    return true;
}

void RouteTransfer::startTask()
{
    task_ = true;
    work_ = 0;
    engine_.setGauge(0, int(state_.taskList().size()));
    begin(StepTaskClear);
}

Request RouteTransfer::request(int step)
{
    const QByteArray dbByte(1, char(db()));
    const QByteArray workByte(1, char(work_));
    switch (step) {
    case StepWriteName:
    case StepTaskName:
        return {SetDbName, routeNamePayload(db(), state_.name()), QStringLiteral("Запись маршрута")};
    case StepReadName: return {GetDbName, dbByte, QStringLiteral("Запрос названия маршрута")};
    case StepReadCount: return {GetCount, dbByte, QStringLiteral("Запрос числа записей маршрута")};
    case StepReadFirst: return {ReadFirst, dbByte, QStringLiteral("Чтение данных маршрута")};
    case StepReadNext: return {ReadNext, dbByte, QStringLiteral("Чтение данных маршрута")};
    case StepDestroy: return {SetDbName, dbByte, QStringLiteral("Удаление маршрута")};
    case StepTaskClear: return {ClearDb, workByte, QStringLiteral("Очистка данных БД № ") + QString::number(work_)};
    case StepTaskProbe:
        return {GetDbName, workByte, QStringLiteral("Запрос наличия маршрута № ") + QString::number(work_ - kLastListDb)};
    case StepTaskDelete:
        return {SetDbName, workByte, QStringLiteral("Удаление маршрута № ") + QString::number(work_ - kLastListDb)};
    default: break;
    }

    // A record step: the entry's street first when the reader's street base lacks it.
    const QStringList entry = state_.list().rowCount() > work_ ? entryAt(work_) : QStringList();
    if (entry.isEmpty())
        throw Error(QStringLiteral("В списке маршрута нет записи %1").arg(work_ + 1));
    const QString status = QStringLiteral("Запись лиц. счет №") + entry[ColAccount];
    const int firmware = engine_.firmwareWord();
    const StreetList& streets = engine_.streets();
    const QString street = entry[ColStreet];
    if (firmware >= 0x0502 && !street.trimmed().isEmpty() && streets.numberOf(street) < 1) {
        int free = 0;
        for (int n = 1; n <= 255 && !free; ++n)
            if (streets.nameOf(n).isEmpty())
                free = n;
        if (!free) {
            engine_.prompter().error(kWriteTitle, QStringLiteral("БД \"Улицы\" переполнена."));
            throw Error(QStringLiteral("БД \"Улицы\" переполнена."));
        }
        pendingStreet_ = std::make_pair(free, street.left(kNameLength));
        return {WriteRecord, streetRecordPayload(free, street), status};
    }
    pendingStreet_.reset();
    const int streetNumber = firmware >= 0x0502 ? streets.numberOf(street) : 0;
    return {WriteRecord, routeRecordPayload(entry, db(), streetNumber < 0 ? 255 : streetNumber, firmware, abbreviations_),
            status};
}

void RouteTransfer::onReply(const RxCollector& reply)
{
    const int step = engine_.stepNo();
    const uint8_t function = reply.function();
    switch (step) {
    case StepWriteName:
    case StepTaskName:
        if (function == SetDbName)
            continueAt(0);
        return;
    case StepWriteRecord:
    case StepTaskRecord:
        if (function != WriteRecord)
            return;
        if (pendingStreet_ && reply.at(2) == kStreetDb) {
            // The street is in the reader now; the same entry goes again and finds it.
            engine_.streets().append(pendingStreet_->first, pendingStreet_->second);
            pendingStreet_.reset();
            return;
        }
        advanceGauge();
        continueAt(work_ + 1);
        return;
    case StepReadName:
        if (function != GetDbName || reply.at(2) != db())
            return;
        // A slot without a name leaves the field empty, whatever an earlier read stored.
        if (reply.length() == 15) {
            state_.setName(engine_.dbNames()[size_t(db())]);
            engine_.setStepNo(StepReadCount);
        } else {
            state_.setName(QString());
            engine_.setStepNo(StepVersion);
        }
        return;
    case StepReadCount:
        if (function == GetCount && reply.at(2) > kLastListDb) {
            engine_.setGauge(0, reply.at(3) | (reply.at(4) << 8));
            engine_.setStepNo(StepReadFirst);
        }
        return;
    case StepReadFirst:
    case StepReadNext:
        if (function != ReadFirst && function != ReadNext)
            return;
        // The database byte of a 13-byte record may carry house bits: the slot is the one asked.
        if (const auto entry = decodeRouteRecord(reply.data(), reply.length(), engine_.streets())) {
            state_.list().append(*entry);
            advanceGauge();
            engine_.setStepNo(StepReadNext);
        } else {
            engine_.setStepNo(StepVersion);
        }
        return;
    case StepDestroy:
        if (function == SetDbName) {
            state_.list().clear();
            engine_.setStepNo(StepReadName);
        }
        return;
    case StepTaskClear:
        if (function != ClearDb)
            return;
        ++work_;
        if (work_ > kLastListDb) {
            engine_.streets().clear();
            engine_.setStepNo(StepTaskProbe);
        }
        return;
    case StepTaskProbe:
        if (function != GetDbName || reply.at(2) != work_)
            return;
        if (reply.length() == 15) {
            engine_.setStepNo(StepTaskDelete);
            return;
        }
        ++work_;
        if (lastRouteDbPassed()) {
            state_.setNumber(kFirstRoute);
            loadTaskRoute();
        }
        return;
    case StepTaskDelete:
        if (function != SetDbName)
            return;
        ++work_;
        if (lastRouteDbPassed()) {
            state_.setNumber(kFirstRoute);
            loadTaskRoute();
        } else {
            engine_.setStepNo(StepTaskProbe);
        }
        return;
    default:
        return;
    }
}

void RouteTransfer::onRefused()
{
    const int step = engine_.stepNo();
    if (step == StepWriteName || step == StepTaskName) {
        engine_.setStepNo(StepVersion);
        engine_.prompter().error(QStringLiteral("Запись установок"),
                                 QStringLiteral("Ошибка при записи маршрута. Номер иаршрута должен быть меньше 56."));
        return;
    }
    if (!recordStep(step))
        return; // the request goes out again
    // The refused entry (or the street it needed) is skipped, also in a task, where sending it
    // again would never end.
    pendingStreet_.reset();
    advanceGauge();
    const TextList& list = state_.list();
    const QString text = QStringLiteral("Ошибка при записи лиц. счет ") + list.cell(work_, ColAccount)
        + QStringLiteral(" улица ") + list.cell(work_, ColStreet) + QStringLiteral(" дом ") + list.cell(work_, ColHouse)
        + QStringLiteral(" счетчик №") + list.cell(work_, ColMeter) + QStringLiteral(" тип счетчика \"")
        + list.cell(work_, ColType) + QStringLiteral("\".");
    if (askToGoOn(text))
        continueAt(work_ + 1);
}

bool RouteTransfer::askToGoOn(const QString& text)
{
    if (engine_.prompter().message(kWriteTitle, text + QStringLiteral(" Продолжить со следующей записи ?"),
                                   Prompter::Icon::Error, Prompter::Buttons::YesNo)
        == Prompter::Answer::Yes)
        return true;
    engine_.setStepNo(StepVersion);
    return false;
}

QStringList RouteTransfer::entryAt(int row) const
{
    QStringList cells;
    for (int c = 0; c < kRouteColumns; ++c)
        cells << state_.list().cell(row, c);
    return cells;
}

void RouteTransfer::continueAt(int entry)
{
    const TextList& list = state_.list();
    for (work_ = entry; work_ < list.rowCount(); ++work_) {
        try {
            routeRecordPayload(entryAt(work_), db(), 0, engine_.firmwareWord(), abbreviations_);
            engine_.setStepNo(task_ ? StepTaskRecord : StepWriteRecord);
            return;
        } catch (const Error& e) {
            // An entry the record cannot hold is never sent; the user hears of it once.
            advanceGauge();
            if (!askToGoOn(e.message()))
                return;
        }
    }
    routeWritten();
}

void RouteTransfer::routeWritten()
{
    if (!task_) {
        engine_.setStepNo(StepVersion);
        return;
    }
    state_.setNumber(state_.number() + 1);
    if (state_.taskList().size() < state_.number()) {
        engine_.setStepNo(StepVersion);
        engine_.prompter().information(kTaskTitle, QStringLiteral("Загрузка задания завершена."));
        return;
    }
    loadTaskRoute();
}

void RouteTransfer::loadTaskRoute()
{
    // A route that brings no points (an empty route, a file whose every line was refused) is
    // skipped; its slot stays empty, so task entry i still lands in slot i.
    const QString entry = state_.taskList().value(state_.number() - 1);
    try {
        if (state_.taskSource() == RouteState::TaskSource::Table)
            sources_.loadFromTable(entry, state_);
        else
            sources_.loadFromFile(entry, state_);
    } catch (const Error& e) {
        state_.list().clear();
        engine_.prompter().error(kTaskTitle, e.message());
    }
    if (state_.list().rowCount() == 0) {
        routeWritten();
        return;
    }
    work_ = 0;
    engine_.setGauge(0, state_.list().rowCount());
    engine_.setStepNo(StepTaskName);
}

bool RouteTransfer::lastRouteDbPassed() const
{
    // From firmware 6.00 on database 63 holds ЖКВ data and is no route slot.
    return engine_.firmwareWord() < 0x0600 ? work_ >= kDatabaseCount : work_ >= kDatabaseCount - 1;
}

void RouteTransfer::advanceGauge()
{
    engine_.setGauge(engine_.gaugePosition() + 1, engine_.gaugeMaximum());
}

bool RouteTransfer::keepsStreetsOnTimeout(int step) const
{
    return recordStep(step);
}

} // namespace tk::routes
