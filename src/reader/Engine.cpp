#include "reader/Engine.h"

#include "common/Bcd.h"
#include "common/Cp1251.h"
#include "common/Error.h"
#include "common/Families.h"
#include "common/Prompter.h"
#include "reader/ReaderClock.h"
#include "common/Regional.h"

#include <QDate>
#include <QTime>

namespace tk::reader {
namespace {

struct PlainStep {
    int step;
    uint8_t function;
    int db; // -1: no payload
    const char16_t* status;
};

// Steps whose request is a function code with at most a database number.
constexpr PlainStep kPlainSteps[] = {
    {StepVersion, GetVersion, -1, u"Запрос версии"},
    {StepCountTelv1, GetCount, familyInfo(Family::Telv1).readerDb, u"Запрос числа записей ТЕЛВ (1 тариф)"},
    {StepCountTelv2, GetCount, familyInfo(Family::Telv2).readerDb, u"Запрос числа записей ТЕЛВ (3 тарифа)"},
    {StepCountVakl4, GetCount, familyInfo(Family::Vakl4).readerDb, u"Запрос числа записей ВАКЛ-4"},
    {StepCountVaklDr, GetCount, familyInfo(Family::VaklDr).readerDb, u"Запрос числа записей ВАКЛ-ДР"},
    {StepCountVaklPdr, GetCount, familyInfo(Family::VaklPdr).readerDb, u"Запрос числа записей ВАКЛ-ПДР"},
    {StepCountZkv, GetCount, familyInfo(Family::Zkv).readerDb, u"Запрос числа записей ЖКВ"},
    {StepCountStreets, GetCount, kStreetDb, u"Запрос числа улиц в БД"},
    {StepClock, GetClock, -1, u"Запрос времени"},
    {StepReadTariffs, GetTariffs, -1, u"Чтение тарифного расписания"},
    {StepReadBillingDay, GetBillingDay, -1, u"Чтение расчетного дня и часа"},
    {StepReadSummer, GetSummerFlag, -1, u"Чтение флага автоперехода"},
    {StepReadDisplay, GetDisplayMode, -1, u"Чтение режима индикации"},
    {StepReadPassword, GetPassword, -1, u"Чтение пароля"},
    {StepJournalCount, GetCount, kJournalDb, u"Запрос числа записей журнала"},
    {StepJournalFirst, ReadFirst, kJournalDb, u"Чтение журнала"},
    {StepJournalNext, ReadNext, kJournalDb, u"Чтение журнала"},
    {StepJournalClear, ClearDb, kJournalDb, u"Очистка данных журнала"},
    {StepDiaryCount, GetCount, kDiaryDb, u"Запрос числа записей дневника"},
    {StepDiaryFirst, ReadFirst, kDiaryDb, u"Чтение дневника"},
    {StepDiaryNext, ReadNext, kDiaryDb, u"Чтение дневника"},
    {StepDiaryClear, ClearDb, kDiaryDb, u"Очистка данных дневника"},
    {StepStreetFirst, ReadFirst, kStreetDb, u"Чтение данных БД \"Улицы\""},
    {StepStreetNext, ReadNext, kStreetDb, u"Чтение данных БД \"Улицы\""},
    {StepStreetClock, GetClock, -1, u"Запрос времени"},
    {StepStreetClear, ClearDb, kStreetDb, u"Очистка данных БД \"Улицы\""},
};

// The shortest normal reply each function's handler reads; a shorter one is not acted upon.
int minReplyLength(uint8_t function)
{
    switch (function) {
    case GetVersion: return 4;
    case GetClock: return 8;
    case GetCount: return 5;
    case ReadFirst:
    case ReadNext:
    case GetDbName:
    case WriteRecord: return 3;
    default: return 2;
    }
}

constexpr int kStreetRecordLength = 16;

QStringList titles(std::initializer_list<const char16_t*> names)
{
    QStringList out;
    for (const char16_t* n : names)
        out << QString::fromUtf16(n);
    return out;
}

} // namespace

Engine::Engine(ReaderPort& port, TimerSource& timers, Clock& clock, Prompter& prompter, QObject* parent)
    : QObject(parent), port_(port), timers_(timers), clock_(clock), prompter_(prompter)
{
    const QStringList common = titles({u"лиц.счет", u"улица", u"дом", u"счетчик", u"дата", u"время", u"статус"});
    const QStringList multiTariff = common
        + titles({u"1 тариф", u"2 тариф", u"3 тариф", u"1 тар.на расч.", u"2 тар.на расч.", u"3 тар.на расч.",
                  u"контр. сумма", u"нараб.", u"коррекции", u"разница", u"маршрут"});
    familyGrid(int(Family::Telv1)).setTitles(common + titles({u"показания", u"маршрут"}));
    for (Family f : {Family::Telv2, Family::Vakl4, Family::VaklDr, Family::VaklPdr})
        familyGrid(int(f)).setTitles(multiTariff);
    familyGrid(int(Family::Zkv)).setTitles(titles({u"номер", u"первый сеанс", u"последний сеанс",
        u"начальные показания", u"конечные показания", u"начальная сессия", u"конечная сессия",
        u"счетчик приемов", u"канал 0", u"канал 1", u"канал 2", u"канал 3"}));
    journalGrid_.setTitles(titles({u"счетчик", u"тип", u"дата", u"1 тар.", u"2 тар.", u"3 тар.", u"нараб."}));
    diaryGrid_.setTitles(
        titles({u"счетчик", u"тип", u"запись", u"время", u"статус", u"1 тар.", u"2 тар.", u"3 тар."}));
    databaseList_ = TextList(titles({u"№ ", u"Название", u"Записи"}));
}

Engine::~Engine() = default;

void Engine::startTicking()
{
    // The PC clock shows at once; the reader's clock falls due with the first tick.
    timers_.start(TimerId::Time, kTickMs);
    emit tick(clock_.now());
}

void Engine::setGauge(int position, int maximum)
{
    if (position == gaugePos_ && maximum == gaugeMax_)
        return;
    gaugePos_ = position;
    gaugeMax_ = maximum;
    emit gaugeChanged(position, maximum);
}

void Engine::setStatusText(const QString& text)
{
    statusText_ = text;
    emit statusTextChanged(text);
}

void Engine::setReaderActions(bool on)
{
    // Every version reply of the poll asks for the actions on; only a change is passed on.
    if (on == readerActionsOn_ && firmwareWord_ == readerActionsFirmware_)
        return;
    readerActionsOn_ = on;
    readerActionsFirmware_ = firmwareWord_;
    emit readerActionsChanged(on);
}

void Engine::addLog(const QString& rest)
{
    if (!log_)
        return;
    const QTime t = clock_.now().time();
    log_->append(QStringLiteral("%1.%2").arg(t.second()).arg(t.msec(), 3, 10, QLatin1Char('0')) + rest);
}

void Engine::connectLink()
{
    if (linkUp_)
        return;
    dbNames_.fill(QString());
    streets_.clear();
    port_.open();
    linkUp_ = true;
    emit linkChanged(true);
    stepNo_ = StepVersion;
    runStep();
}

void Engine::prepareChain(bool disableExchangeActions)
{
    setReaderActions(false);
    if (disableExchangeActions)
        emit exchangeActionsDisabled();
}

void Engine::startOperation(Operation operation, bool disableExchangeActions, Family family)
{
    prepareChain(disableExchangeActions);
    emit operationStarted(operation, family);
}

Chain* Engine::chainOwning(int step) const
{
    for (Chain* c : chains_)
        if (c->ownsStep(step))
            return c;
    return nullptr;
}

void Engine::disconnectLink()
{
    timers_.stop(TimerId::Out);
    timers_.stop(TimerId::Send);
    const bool wasUp = linkUp_;
    linkUp_ = false; // detaches the reply handler: late bytes are not delivered
    port_.close();

    setReaderActions(false);
    if (wasUp)
        emit linkChanged(false);
    emit exchangeActionsEnabled();

    changeHeader([](HeaderPanel& h) {
        h.version.clear();
        h.build.clear();
        // Every count goes: a count left standing would describe a reader no longer connected.
        for (QString& c : h.counts)
            c.clear();
        h.readerDate.clear();
        h.readerTime.clear();
    });
    setStatusText(QString());
    setGauge(0, gaugeMax_);
}

Request Engine::requestFor(int step)
{
    if (Chain* chain = chainOwning(step))
        return chain->request(step);
    for (Family f : {Family::Telv1, Family::Telv2, Family::Vakl4, Family::VaklDr, Family::VaklPdr, Family::Zkv}) {
        const FamilySteps& fs = familySteps(f);
        const QByteArray db(1, char(familyInfo(f).readerDb));
        const QString name = familyName(f);
        if (step == fs.first)
            return {ReadFirst, db, QStringLiteral("Чтение данных ") + name};
        if (step == fs.next)
            return {ReadNext, db, QStringLiteral("Чтение данных ") + name};
        if (step == fs.clock)
            return {GetClock, {}, QStringLiteral("Запрос времени")};
        if (step == fs.name)
            return {GetDbName, QByteArray(1, char(workIndex_)), QStringLiteral("Чтение заголовков")};
        if (step == fs.clear)
            return {ClearDb, db, QStringLiteral("Очистка данных ") + name};
    }
    switch (step) {
    case StepSetClock: return {SetClock, encodeReaderClock(clock_.now()), QStringLiteral("Установка времени")};
    case StepWriteTariffs: return {SetTariffs, settingsPayload(step), QStringLiteral("Запись тарифного расписания")};
    case StepWriteBillingDay:
        return {SetBillingDay, settingsPayload(step), QStringLiteral("Запись расчетного дня и часа")};
    case StepWriteSummer: return {SetSummerFlag, settingsPayload(step), QStringLiteral("Запись флага автоперехода")};
    case StepWriteDisplay: return {SetDisplayMode, settingsPayload(step), QStringLiteral("Запись режима индикации")};
    case StepWritePassword: return {SetPassword, settingsPayload(step), QStringLiteral("Запись пароля")};
    case StepListName: return {GetDbName, QByteArray(1, char(workIndex_)), QStringLiteral("Чтение заголовков")};
    case StepListCount:
        return {GetCount, QByteArray(1, char(workIndex_)), QStringLiteral("Запрос числа записей БД")};
    default: break;
    }
    for (const PlainStep& s : kPlainSteps) {
        if (s.step == step) {
            Request r;
            r.function = s.function;
            if (s.db >= 0)
                r.payload.append(char(s.db));
            r.status = QString::fromUtf16(s.status);
            return r;
        }
    }
    throw Error(QStringLiteral("Шаг обмена %1 не определён").arg(step));
}

void Engine::runStep()
{
    if (!linkUp_)
        return;
    Request request;
    try {
        request = requestFor(stepNo_);
    } catch (const Error&) {
        // A step without a request would leave the link waiting for nothing; resume the poll.
        stepNo_ = StepVersion;
        request = requestFor(stepNo_);
    }
    setStatusText(request.status);
    send(buildFrame(request.function, request.payload));
}

void Engine::send(const QByteArray& frame)
{
    rx_.reset();
    sendTail_ = frame.mid(1);
    timers_.start(TimerId::Out, kReplyTimeoutMs);
    addLog(QStringLiteral(" Send: ") + hexBytes(frame));
    try {
        port_.setParity(Parity::Mark);
        port_.write(frame.left(1));
        timers_.start(TimerId::Send, kSendSplitMs);
    } catch (const Error& e) {
        // A write that fails (a device gone away) is an unanswered request: the time-out repeats it.
        addLog(QStringLiteral(" ") + e.message());
    }
}

void Engine::sendTail()
{
    timers_.stop(TimerId::Send);
    if (!linkUp_)
        return;
    try {
        port_.setParity(Parity::Space);
        port_.write(sendTail_);
        port_.expect(3); // function, length and one more byte tell how long the reply is
    } catch (const Error& e) {
        addLog(QStringLiteral(" ") + e.message());
    }
}

void Engine::onTimer(TimerId id)
{
    switch (id) {
    case TimerId::Send:
        sendTail();
        break;
    case TimerId::Out:
        onTimeout();
        break;
    case TimerId::Time:
        timers_.start(TimerId::Time, kTickMs);
        clockDue_ = true;
        emit tick(clock_.now());
        break;
    }
}

void Engine::onTimeout()
{
    timers_.stop(TimerId::Out);
    if (!linkUp_)
        return;
    dbNames_.fill(QString());
    const Chain* chain = chainOwning(stepNo_);
    if (!chain || !chain->keepsStreetsOnTimeout(stepNo_))
        streets_.clear();
    addLog(QStringLiteral(" Timeout"));
    runStep();
}

void Engine::onLineError(int flags)
{
    addLog(QStringLiteral(" Error № ") + QString::number(flags));
}

void Engine::onReceived(const QByteArray& bytes)
{
    // Bytes that arrive while a reply is being handled (a modal message is open) belong to no
    // request: the next request has not been sent yet.
    if (!linkUp_ || dispatching_ || bytes.isEmpty())
        return;
    timers_.stop(TimerId::Out);
    const auto* data = reinterpret_cast<const uint8_t*>(bytes.constData());
    const int total = int(bytes.size());
    for (int offset = 0; offset < total && !rx_.complete(); offset += kChunkSize) {
        const int chunk = std::min(kChunkSize, total - offset);
        addLog(QStringLiteral(" Receive: ") + hexBytes(data + offset, chunk));
        rx_.append(data + offset, chunk);
    }
    if (!rx_.complete()) {
        timers_.start(TimerId::Out, kReplyTimeoutMs);
        port_.expect(rx_.count() < 3 ? 3 - rx_.count() : rx_.length() + 2 - rx_.count());
        return;
    }
    processReply();
}

void Engine::processReply()
{
    switch (rx_.state()) {
    case RxCollector::State::Normal:
        dispatch();
        return;
    case RxCollector::State::ErrorAnswer:
        addLog(errorAnswerText(rx_.errorCode()));
        onErrorAnswer(rx_.errorCode());
        return;
    case RxCollector::State::BadCrc:
        addLog(QStringLiteral(" Bad CheckSum"));
        runStep();
        return;
    case RxCollector::State::Incomplete:
        return;
    }
}

void Engine::onErrorAnswer(int code)
{
    dispatching_ = true;
    if (code == 5) {
        stepNo_ = StepVersion;
        prompter_.error(QStringLiteral("Ошибка при записи БД ридера"), QStringLiteral("Недостаточно памяти ридера."));
    } else if (code == 4) {
        if (Chain* chain = chainOwning(stepNo_))
            chain->onRefused();
        else
            onRefused();
    }
    dispatching_ = false;
    // Any other code leaves the step as it is, so the request goes out again.
    runStep();
}

void Engine::dispatch()
{
    dispatching_ = true;
    const uint8_t function = rx_.function();
    // A reply too short for its function, or of a function never sent, is not acted upon; the
    // current step's request goes out again and the poll stays alive.
    if (isKnownFunction(function) && rx_.length() >= minReplyLength(function)) {
        // The handlers act on a step of the engine's own only; for a chain's step they do just
        // what every reply of the kind does (DbNames, header counts, clock), and the chain acts.
        Chain* chain = chainOwning(stepNo_);
        switch (function) {
        case GetVersion: onVersion(); break;
        case GetClock: onClock(); break;
        case GetCount: onCount(); break;
        case GetDbName: onDbName(); break;
        case GetTariffs:
        case GetBillingDay:
        case GetSummerFlag:
        case GetDisplayMode:
        case GetPassword: onSettingsReply(function); break;
        case SetClock:
        case WriteRecord:
        case ClearDb:
        case SetDbName:
        case SetTariffs:
        case SetBillingDay:
        case SetSummerFlag:
        case SetDisplayMode:
        case SetPassword: onAcknowledgement(function); break;
        case ReadFirst:
        case ReadNext: onRead(); break;
        default: break;
        }
        if (chain)
            chain->onReply(rx_);
    }
    dispatching_ = false;
    runStep();
}

void Engine::onVersion()
{
    const uint8_t version = rx_.at(2);
    const uint8_t build = rx_.at(3);
    changeHeader([&](HeaderPanel& h) {
        h.version = QString::number(BcdToByte(version));
        h.build = QString::number(BcdToByte(build));
    });
    firmwareWord_ = version * 256 + build;
    setGauge(0, gaugeMax_);
    // A chain started while this reply was outstanding keeps its actions disabled until it ends.
    if (stepNo_ == StepVersion) {
        setReaderActions(true);
        emit exchangeActionsEnabled();
        stepNo_ = StepCountTelv1;
    }
}

void Engine::showCount(int db, int count)
{
    const QString text = QString::number(count);
    changeHeader([&](HeaderPanel& h) {
        if (const auto family = familyOfReaderDb(db)) {
            // ВАКЛ-ПДР and ЖКВ exist from firmware 6.01 on; below it their fields stay empty.
            const bool newFamily = *family == Family::VaklPdr || *family == Family::Zkv;
            if (newFamily)
                h.pdrZkvEnabled = firmwareWord_ > 0x600;
            h.counts[size_t(*family)] = !newFamily || h.pdrZkvEnabled ? text : QString();
            return;
        }
        switch (db) {
        case kJournalDb: h.journalCount = text; break;
        case kDiaryDb: h.diaryCount = text; break;
        default: break;
        }
    });
}

void Engine::onCount()
{
    const int db = rx_.at(2);
    const int count = rx_.at(3) | (rx_.at(4) << 8);
    showCount(db, count);
    if (stepNo_ >= StepCountTelv1 && stepNo_ < StepCountStreets) {
        ++stepNo_;
    } else if (stepNo_ == StepCountStreets && db == kStreetDb) {
        if (count == streets_.size()) {
            stepNo_ = StepClock;
        } else {
            prepareChain(true);
            // Read the base anew rather than append a second copy to what is listed.
            streets_.clear();
            stepNo_ = StepStreetFirst;
        }
    } else if (stepNo_ == StepJournalCount || stepNo_ == StepDiaryCount) {
        const bool journal = stepNo_ == StepJournalCount;
        if (db == (journal ? kJournalDb : kDiaryDb)) {
            setGauge(0, count);
            (journal ? journalGrid_ : diaryGrid_).clear();
            stepNo_ = count > 0 ? (journal ? StepJournalFirst : StepDiaryFirst) : StepVersion;
        }
    } else if (stepNo_ == StepListCount && db == workIndex_) {
        setGauge(gaugePos_ + 1, gaugeMax_);
        databaseList_.setCell(databaseList_.rowCount() - 1, 2, QString::number(count));
        ++workIndex_;
        stepNo_ = workIndex_ >= kDatabaseCount ? StepVersion : StepListName;
    }
}

QString Engine::clockDateText(const uint8_t* image)
{
    return regional::shortDate(readerClockDate(image));
}

QString Engine::clockTimeText(const uint8_t* image)
{
    return regional::longTime(readerClockTime(image));
}

void Engine::showClock(const uint8_t* image)
{
    changeHeader([&](HeaderPanel& h) {
        h.readerDate = clockDateText(image);
        h.readerTime = clockTimeText(image);
    });
}

void Engine::onClock()
{
    showClock(rx_.data() + 2);
    clockDue_ = false;
    if (onFamilyStep(GetClock))
        return;
    if (stepNo_ == StepClock)
        stepNo_ = StepVersion;
    else if (stepNo_ == StepStreetClock)
        stepNo_ = StepStreetNext;
}

void Engine::onRead()
{
    const int db = rx_.at(2);
    if (db == kStreetDb)
        onStreetRecord(rx_.length() == kStreetRecordLength);
    else if (db == kJournalDb || db == kDiaryDb)
        onListRecord(db == kJournalDb);
    else
        onFamilyRecord(db);
    // Replies of databases without a read in progress are not decoded; the step stays.
}

void Engine::onStreetRecord(bool isRecord)
{
    if (stepNo_ != StepStreetFirst && stepNo_ != StepStreetNext)
        return;
    if (!isRecord) {
        stepNo_ = StepVersion;
        return;
    }
    QByteArray name;
    for (int i = 4; i < kStreetRecordLength; ++i)
        if (rx_.at(i) > 31)
            name.append(char(rx_.at(i)));
    streets_.append(rx_.at(3), fromCp1251(name));
    stepNo_ = clockDue_ ? StepStreetClock : StepStreetNext;
}

} // namespace tk::reader
