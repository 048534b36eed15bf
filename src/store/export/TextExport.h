#pragma once
// Export of the readings a family's grid holds, without the local store: as text files written
// by the add-on vormadd, and as a spreadsheet. Widget-free; the manager wires its actions here.
#include "common/Families.h"
#include "common/TextGrid.h"

#include <QDate>
#include <QString>
#include <functional>
#include <optional>

namespace tk {
class Prompter;
namespace addons {
class Vormadd;
}
} // namespace tk

namespace tk::store {

// Shows the folder chooser modally; the chosen folder, or nothing when it was not closed with OK.
using FolderChooser = std::function<std::optional<QString>()>;

enum class TextExportResult { Exported, Cancelled };

// The text export of one family: asks the add-on which destination it wants (a folder through
// chooseFolder, a file through the prompter's save dialog, or none), hands it the grid, the
// destination and the family's export code, and says "Экспорт завершен.". Cancelling a dialog
// ends it silently before the add-on writes anything. An add-on failure is an Error and no
// completion message is shown. Error also for a family without an export code (ЖКВ).
TextExportResult exportFamilyText(Family family, const TextGrid& grid, const addons::Vormadd& vormadd,
                                  Prompter& prompter, const FolderChooser& chooseFolder);

// Spreadsheet exports (common/ToExcel.h); each returns the written file. A family grid goes under
// today's date in the system's short date format, the journal under "Журнал", the diary under
// "Дневник".
QString familySheetTitle(const QDate& today);
QString exportFamilySheet(const TextGrid& grid, const QDate& today = QDate::currentDate());
QString exportJournalSheet(const TextGrid& journal);
QString exportDiarySheet(const TextGrid& diary);

} // namespace tk::store
