// The reader operations of the settings page, the journal, the diary, the database list and the
// street base: how each starts, what its requests carry and what its replies do.
#include "reader/Engine.h"

#include "common/Bcd.h"
#include "common/Prompter.h"

namespace tk::reader {
namespace {

constexpr int kSettingsLength = 20; // six tariff zones

const QString kClearTitle = QStringLiteral("Очистка ридера");

} // namespace

bool Engine::confirmClear(const QString& text)
{
    return prompter_.confirm(kClearTitle, text, Prompter::Icon::Warning);
}

void Engine::startClockSync()
{
    startOperation(Operation::ClockSync, false);
    stepNo_ = StepSetClock;
}

void Engine::startWriteSettings()
{
    startOperation(Operation::WriteSettings, true);
    stepNo_ = StepWriteTariffs;
}

void Engine::startReadSettings()
{
    startOperation(Operation::ReadSettings, true);
    stepNo_ = StepReadTariffs;
}

void Engine::startListRead(bool journal)
{
    startOperation(journal ? Operation::ReadJournal : Operation::ReadDiary, true);
    workIndex_ = 0;
    repeat_.reset();
    setGauge(0, gaugeMax_);
    changeHeader([journal](HeaderPanel& h) { (journal ? h.journalCount : h.diaryCount).clear(); });
    stepNo_ = journal ? StepJournalCount : StepDiaryCount;
}

void Engine::startReadJournal()
{
    startListRead(true);
}

void Engine::startReadDiary()
{
    startListRead(false);
}

void Engine::startClearJournal()
{
    if (!confirmClear(QStringLiteral("Данные в БД ридера \"Журнал\" будут уничтожены !")))
        return;
    startOperation(Operation::ClearJournal, false);
    stepNo_ = StepJournalClear;
}

void Engine::startClearDiary()
{
    if (!confirmClear(QStringLiteral("Данные в БД ридера \"Дневник\" будут уничтожены !")))
        return;
    startOperation(Operation::ClearDiary, false);
    stepNo_ = StepDiaryClear;
}

void Engine::startReadList()
{
    startOperation(Operation::ReadList, true);
    databaseList_.clear();
    workIndex_ = 0;
    setGauge(0, 62);
    stepNo_ = StepListName;
}

void Engine::startClearStreets()
{
    if (!confirmClear(QStringLiteral("Данные в БД ридера \"Улицы\" !")))
        return;
    startOperation(Operation::ClearStreets, false);
    streets_.clear();
    stepNo_ = StepStreetClear;
}

QByteArray Engine::settingsPayload(int step) const
{
    const ReaderSettings& s = settings_;
    QByteArray p;
    switch (step) {
    case StepWriteTariffs:
        if (s.oneTariff)
            break; // single-tariff operation: no zones
        for (const TariffZone& z : s.zones) {
            p.append(char(z.tariff.toInt()));
            p.append(char(ByteToBcd(z.start.hour())));
            p.append(char(ByteToBcd(z.start.minute())));
        }
        break;
    case StepWriteBillingDay:
        p.append(char(ByteToBcd(s.billingHour)));
        p.append(char(ByteToBcd(s.billingDay)));
        break;
    case StepWriteSummer:
        p.append(char(s.summer ? 0x80 : 0x00));
        break;
    case StepWriteDisplay:
        p.append(char(s.display & 0x0F));
        break;
    case StepWritePassword: {
        const int v = s.passwordValue();
        p.append(char(v % 256));
        p.append(char((v / 256) % 256));
        break;
    }
    }
    return p;
}

void Engine::onAcknowledgement(uint8_t function)
{
    if (onFamilyStep(function))
        return;
    struct Transition {
        int step;
        uint8_t function;
        int next;
    };
    static constexpr Transition transitions[] = {
        {StepSetClock, SetClock, StepVersion},
        {StepWriteTariffs, SetTariffs, StepWriteBillingDay},
        {StepWriteBillingDay, SetBillingDay, StepWriteSummer},
        {StepWriteSummer, SetSummerFlag, StepWriteDisplay},
        {StepWriteDisplay, SetDisplayMode, StepWritePassword},
        {StepWritePassword, SetPassword, StepVersion},
        {StepJournalClear, ClearDb, StepVersion},
        {StepDiaryClear, ClearDb, StepVersion},
        {StepStreetClear, ClearDb, StepVersion},
    };
    for (const Transition& t : transitions) {
        if (t.step == stepNo_ && t.function == function) {
            stepNo_ = t.next;
            return;
        }
    }
}

void Engine::onRefused()
{
    struct Refusal {
        int step;
        const char16_t* message;
        int next;
    };
    static constexpr Refusal refusals[] = {
        {StepWriteTariffs, u"Ошибка при записи тарифного расписания. Время должно нарастать.", StepWriteBillingDay},
        {StepWriteBillingDay,
         u"Ошибка при записи расчетного дня и часа. День должен быть от 1 до 31. Час должен быть от 0 до 23.",
         StepWriteSummer},
        {StepWriteSummer, u"Ошибка при записи флага автоперехода на летнее время. Не знаю что и посоветовать.",
         StepWriteDisplay},
        {StepWriteDisplay, u"Ошибка при записи режима индикации. Не знаю что и посоветовать.", StepWritePassword},
        {StepWritePassword, u"Ошибка при записи пароля. Не знаю что и посоветовать.", StepVersion},
    };
    for (const Refusal& r : refusals) {
        if (r.step == stepNo_) {
            stepNo_ = r.next;
            prompter_.error(QStringLiteral("Запись установок"), QString::fromUtf16(r.message));
            return;
        }
    }
    // Refused elsewhere: the step stays and its request goes out again.
}

void Engine::onSettingsReply(uint8_t function)
{
    struct Read {
        int step;
        uint8_t function;
        int next;
    };
    static constexpr Read reads[] = {
        {StepReadTariffs, GetTariffs, StepReadBillingDay},
        {StepReadBillingDay, GetBillingDay, StepReadSummer},
        {StepReadSummer, GetSummerFlag, StepReadDisplay},
        {StepReadDisplay, GetDisplayMode, StepReadPassword},
        {StepReadPassword, GetPassword, StepVersion},
    };
    const Read* read = nullptr;
    for (const Read& r : reads)
        if (r.step == stepNo_ && r.function == function)
            read = &r;
    if (!read)
        return; // not the answer this step waits for
    stepNo_ = read->next;

    ReaderSettings& s = settings_;
    switch (function) {
    case GetTariffs:
        if (rx_.length() != kSettingsLength) {
            s.oneTariff = true;
            break;
        }
        s.oneTariff = false;
        for (int k = 0; k < 6; ++k) {
            const QTime start(BcdToByte(rx_.at(3 + 3 * k)), BcdToByte(rx_.at(4 + 3 * k)), 0);
            if (!start.isValid()) {
                emit settingsChanged();
                prompter_.error(QStringLiteral("Чтение установок"),
                                QStringLiteral("Получены некорректные данные тарифного расписания."));
                return;
            }
            s.zones[size_t(k)] = {QString::number(rx_.at(2 + 3 * k)), start};
        }
        break;
    case GetBillingDay:
        s.billingHour = BcdToByte(rx_.at(2));
        s.billingDay = BcdToByte(rx_.at(3));
        break;
    case GetSummerFlag:
        s.summer = (rx_.at(2) & 0x80) != 0;
        break;
    case GetDisplayMode:
        s.display = rx_.at(2) & 0x0F;
        break;
    case GetPassword:
        s.password = QString::number(rx_.at(3) * 256 + rx_.at(2));
        break;
    }
    emit settingsChanged();
    if (function == GetPassword)
        emit settingsReadDone();
}

void Engine::onDbName()
{
    const int db = rx_.at(2);
    const bool named = rx_.length() == 15;
    if (named && db < kDatabaseCount)
        dbNames_[size_t(db)] = decodeDbName(rx_.data());
    if (onFamilyStep(GetDbName))
        return;
    if (stepNo_ != StepListName || db != workIndex_)
        return;
    if (named) {
        databaseList_.append({QString::number(db), dbNames_[size_t(db)], QString()});
        stepNo_ = StepListCount;
        return;
    }
    ++workIndex_;
    if (workIndex_ >= kDatabaseCount)
        stepNo_ = StepVersion;
}

void Engine::onListRecord(bool journal)
{
    const int first = journal ? StepJournalFirst : StepDiaryFirst;
    const int next = journal ? StepJournalNext : StepDiaryNext;
    if (stepNo_ != first && stepNo_ != next)
        return;
    const int length = rx_.length();
    if (length == 3) {
        stepNo_ = StepVersion;
        TextGrid& grid = journal ? journalGrid_ : diaryGrid_;
        const int n = grid.recordCount();
        bool ok = false;
        int m = (journal ? header_.journalCount : header_.diaryCount).toInt(&ok);
        if (!ok)
            m = 0;
        if (n != m) {
            prompter_.message(journal ? QStringLiteral("Чтение журнала") : QStringLiteral("Чтение дневника"),
                              QStringLiteral("Считаны данные о ") + QString::number(n) + QStringLiteral(" записях ")
                                  + QStringLiteral(" из ") + QString::number(m) + QStringLiteral("."),
                              Prompter::Icon::Warning, Prompter::Buttons::Ok);
        }
        return;
    }
    const auto cells = journal ? decodeJournalRecord(rx_.data(), length, repeat_)
                               : decodeDiaryRecord(rx_.data(), length, repeat_);
    if (cells) {
        (journal ? journalGrid_ : diaryGrid_).appendRecord(*cells);
        setGauge(gaugePos_ + 1, gaugeMax_);
    }
    // A record of an unknown length is skipped; the next one is asked for.
    stepNo_ = next;
}

} // namespace tk::reader
