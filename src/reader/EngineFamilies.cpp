// The family reads and clears: records into the reader-data grids, the clock reads inserted
// during a long read, the route-name look-ups and the end-of-read summary.
#include "reader/Engine.h"

#include "reader/FamilyRecords.h"
#include "common/Prompter.h"

namespace tk::reader {
namespace {

constexpr std::array<FamilySteps, 6> kFamilySteps = {{
    {Family::Telv1, 170, 171, 172, 173, 174},
    {Family::Telv2, 20, 21, 22, 23, 24},
    {Family::Vakl4, 30, 31, 32, 33, 34},
    {Family::VaklDr, 40, 41, 42, 43, 44},
    {Family::VaklPdr, 50, 51, 52, 53, 54},
    {Family::Zkv, 60, 61, 62, -1, 64},
}};

const FamilySteps* familyOfStep(int step)
{
    for (const FamilySteps& fs : kFamilySteps)
        if (step == fs.first || step == fs.next || step == fs.clock || step == fs.name || step == fs.clear)
            return &fs;
    return nullptr;
}

} // namespace

const FamilySteps& familySteps(Family f)
{
    return kFamilySteps[size_t(f)];
}

void Engine::startReadFamily(Family f)
{
    startOperation(Operation::ReadFamily, true, f);
    // The gauge runs to the count the header shows; before the poll has shown one, it is unknown.
    bool ok = false;
    const int count = header_.counts[size_t(f)].toInt(&ok);
    setGauge(0, ok ? count : 0);
    readFormats_ = regional::Formats();
    stepNo_ = familySteps(f).first;
}

void Engine::startClearFamily(Family f)
{
    if (!confirmClear(QStringLiteral("Данные в БД ридера ") + familyName(f) + QStringLiteral(" будут уничтожены !")))
        return;
    startOperation(Operation::ClearFamily, false, f);
    stepNo_ = familySteps(f).clear;
}

// Transitions of a family's clock, name and clear steps; false when the step is no family's.
bool Engine::onFamilyStep(uint8_t function)
{
    const FamilySteps* fs = familyOfStep(stepNo_);
    if (!fs)
        return false;
    if (function == GetClock && stepNo_ == fs->clock) {
        stepNo_ = fs->next;
    } else if (function == GetDbName && stepNo_ == fs->name && rx_.at(2) == workIndex_) {
        // The grid has not grown since the record that asked: its route cell is on the last record row.
        TextGrid& grid = familyGrid(int(fs->family));
        if (grid.recordCount() > 0)
            grid.setCell(grid.recordCount(), routeColumn(fs->family), dbNames_[size_t(workIndex_ % kDatabaseCount)]);
        stepNo_ = fs->next;
    } else if (function == ClearDb && stepNo_ == fs->clear) {
        stepNo_ = StepVersion;
    }
    return true;
}

bool Engine::onFamilyRecord(int db)
{
    const auto family = familyOfReaderDb(db);
    if (!family)
        return false; // 64-255: not decoded, the request goes out again
    const FamilySteps& fs = familySteps(*family);
    if (stepNo_ != fs.first && stepNo_ != fs.next)
        return true;
    TextGrid& grid = familyGrid(int(*family));
    auto record = decodeFamilyRecord(*family, rx_.data(), rx_.length(), clock_.now().date().year(), streets_,
                                     dbNames_, &readFormats_);
    if (!record) {
        // A reply without a record ends the read.
        stepNo_ = StepVersion;
        const int n = grid.recordCount();
        bool ok = false;
        int m = header_.counts[size_t(*family)].toInt(&ok);
        if (!ok)
            m = 0;
        if (n != m) {
            const bool zkv = *family == Family::Zkv;
            prompter_.message(QStringLiteral("Чтение БД ") + familyName(*family),
                              QStringLiteral("Считаны данные о ") + QString::number(n)
                                  + (zkv ? QStringLiteral(" датчиков ") : QStringLiteral(" счетчиков "))
                                  + QStringLiteral(" из ") + QString::number(m) + QStringLiteral("."),
                              Prompter::Icon::Warning, Prompter::Buttons::Ok);
        }
        return true;
    }
    changeHeader([&](HeaderPanel& h) { h.gridCounts[size_t(*family)] = QString::number(grid.recordCount() + 1); });
    grid.appendRecord(record->cells);
    for (const QString& number : record->invalidDates)
        prompter_.error(QStringLiteral("Некорректные данные"),
                        QStringLiteral("Некорректное время для счетчика ") + number + QStringLiteral("."));
    setGauge(gaugePos_ + 1, gaugeMax_);
    if (record->routeDbToName >= 0) {
        workIndex_ = record->routeDbToName;
        stepNo_ = fs.name;
    } else {
        stepNo_ = clockDue_ ? fs.clock : fs.next;
    }
    return true;
}

} // namespace tk::reader
