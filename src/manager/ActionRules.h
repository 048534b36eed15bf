#pragma once
// The names of the per-family actions and the rules that switch actions by what the reader link
// is doing: the reader actions off while a chain runs and on, by firmware, when the poll runs;
// the data and export actions off while a reader exchange runs and back on, by what the grids
// hold, when it ends.
#include <QString>
#include <array>
#include <utility>
#include <vector>

namespace tk::manager {

// Action names of one meter family; nullptr where the family has no such action (ЖКВ is read,
// but neither stored nor exported to text or to the metering DBMS).
struct FamilyActionNames {
    const char* read;    // read from the reader
    const char* format;  // clear the reader's data
    const char* clear;   // clear the grid
    const char* db;      // export to the metering DBMS
    const char* text;    // text export
    const char* excel;   // spreadsheet export
    const char* write;   // write to the local table
    const char* erase;   // erase the local table
};

// In the order of tk::Family.
inline constexpr std::array<FamilyActionNames, 6> kFamilyActions = {{
    {"ActionTelv_1", "ActionFormat_1", "ActionClear_1", "ActionDbTelv_1", "ActionExpTelv_1", "ActionExportTelv_1", "ActionWrite_1", "ActionErase_1"},
    {"ActionTelv_2", "ActionFormat_2", "ActionClear_2", "ActionDbTelv_2", "ActionExpTelv", "ActionExportTelv_2", "ActionWrite_2", "ActionErase_2"},
    {"ActionVakl", "ActionFormat_4", "ActionClear_4", "ActionDbVakl", "ActionExpVakl", "ActionExportVakl", "ActionWrite_4", "ActionErase_4"},
    {"ActionVaklDr", "ActionFormat_Dr", "ActionClear_Dr", "ActionDbVaklDr", "ActionExpvaklDr", "ActionExportVaklDr", "ActionWrite_Dr", "ActionErase_Dr"},
    {"ActionVaklPdr", "ActionFormat_Pdr", "ActionClear_Pdr", "ActionDbVaklPdr", "ActionExpvaklPDr", "ActionExportVaklPdr", "ActionWrite_Pdr", "ActionErase_PDr"},
    {"ActionZKV", "ActionFormat_ZKV", "ActionClear_Zkv", nullptr, nullptr, "ActionExportZkv", nullptr, nullptr},
}};

// One action (or control) name and whether it is enabled.
using ActionStates = std::vector<std::pair<QString, bool>>;

// SetReaderActions: with on = false all are disabled; otherwise the firmware word and the route
// list decide for the few that depend on them.
ActionStates readerActionStates(bool on, int firmwareWord, int routeRows);

// What the enabling after an exchange looks at.
struct ExchangeView {
    std::array<int, 6> familyGridRows{2, 2, 2, 2, 2, 2}; // TextGrid::rowCount() of each family's grid
    int journalRows = 2;
    int diaryRows = 2;
    bool routeNamed = false; // the route name field is not empty
    int routeEntries = 0;
    bool spreadsheetAvailable = true;
};

// DisableExchangeActions: every state is false.
ActionStates exchangeActionsOff();
// EnableExchangeActions. Besides actions the list names the route number spin box "SpinRoute".
ActionStates exchangeActionsOn(const ExchangeView& view);

} // namespace tk::manager
