#include "manager/ActionRules.h"

#include "common/Families.h"

namespace tk::manager {

namespace {

void add(ActionStates& out, const char* name, bool on)
{
    if (name)
        out.emplace_back(QString::fromLatin1(name), on);
}

// A grid holds records when it has more than its title row and its always-empty last row.
bool hasRecords(int gridRows)
{
    return gridRows > 2;
}

// ВАКЛ-ПДР and ЖКВ are offered from firmware 6.01 on.
bool offered(size_t family, int firmwareWord)
{
    const Family f = Family(family);
    return (f != Family::VaklPdr && f != Family::Zkv) || firmwareWord > 0x600;
}

} // namespace

ActionStates readerActionStates(bool on, int firmwareWord, int routeRows)
{
    ActionStates out;
    for (size_t i = 0; i < kFamilyActions.size(); ++i) {
        add(out, kFamilyActions[i].read, on && offered(i, firmwareWord));
        add(out, kFamilyActions[i].format, on && offered(i, firmwareWord));
    }
    for (const char* name : {"ActionTime", "ActionReadTarif", "ActionWriteTarif", "ActionReadRoute", "ActionDestroyRoute",
                             "ActionReadJournal", "ActionClearJournal", "ActionReadDiary", "ActionClearDiary",
                             "ActionReadList", "ActionWizard"})
        add(out, name, on);
    add(out, "ActionFormatStreet", on && firmwareWord > 0x501);
    add(out, "ActionWriteRoute", on && routeRows >= 1);
    return out;
}

ActionStates exchangeActionsOff()
{
    ActionStates out;
    for (const FamilyActionNames& f : kFamilyActions) {
        add(out, f.clear, false);
        add(out, f.write, false);
        add(out, f.excel, false);
        add(out, f.text, false);
        add(out, f.db, false);
    }
    for (const char* name : {"ActionLoadRoute", "ActionRouteFromBd", "ActionExportJournal", "ActionExportDiary", "ActionRouteExcel"})
        add(out, name, false);
    return out;
}

ActionStates exchangeActionsOn(const ExchangeView& v)
{
    ActionStates out;
    for (size_t i = 0; i < kFamilyActions.size(); ++i) {
        const FamilyActionNames& f = kFamilyActions[i];
        const bool records = hasRecords(v.familyGridRows[i]);
        add(out, f.clear, true);
        add(out, f.write, records);
        add(out, f.text, records);
        add(out, f.db, records);
        add(out, f.excel, records && v.spreadsheetAvailable);
    }
    add(out, "ActionLoadRoute", true);
    add(out, "ActionRouteFromBd", true);
    add(out, "SpinRoute", true);
    add(out, "ActionExportJournal", hasRecords(v.journalRows) && v.spreadsheetAvailable);
    add(out, "ActionExportDiary", hasRecords(v.diaryRows) && v.spreadsheetAvailable);
    add(out, "ActionRouteExcel", v.routeNamed && v.routeEntries > 0 && v.spreadsheetAvailable);
    return out;
}

} // namespace tk::manager
