#pragma once
// The exports of what the reader grids hold, without the local store: each family's text export
// through the add-on vormadd, each family's spreadsheet export under today's date, the journal
// and diary spreadsheets, and each family's export to the metering DBMS (through vormadddb or the
// window's own connection, with the login dialog when the stored login does not connect). A
// failure of an add-on or of the spreadsheet file ends the export with its message, as any error
// that ends a user's operation does.
#include "common/Families.h"
#include "manager/TFormSelDir.h"

#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>

class QWidget;

namespace tk {
class Prompter;
namespace addons {
struct AddOns;
class Vormadd;
class Vormadddb;
} // namespace addons
namespace store {
class DbmsConnection;
}
namespace reader {
class Engine;
}
} // namespace tk

namespace tk::manager {

class Gauge;
class MainActions;

class ExportActions : public QObject {
    Q_OBJECT
public:
    // window is what shows the wait cursor while a file is written, and the login's parent;
    // gauge shows the progress of a DBMS export.
    ExportActions(reader::Engine& engine, const addons::AddOns& addOns, const MainActions& actions,
                  Prompter& prompter, Gauge& gauge, QWidget* window);
    ~ExportActions() override;

    // The folder chooser asked when the add-on wants a folder; made after the main window and
    // held weakly. Without it such an export ends with an error instead of writing somewhere
    // the user did not choose.
    void setFolderChooser(TFormSelDir* dialog) { selDir_ = dialog; }

    // The text export of a family (not ЖКВ) and the spreadsheet export of any family's grid.
    void ActionExpExecute(Family family);
    void ActionExportExecute(Family family);
    void ActionExportJournalExecute();
    void ActionExportDiaryExecute();
    // "Экспорт в СУДБ" of a family (not ЖКВ); the gauge is back at 0 when it ends.
    void ActionDbExecute(Family family);

private:
    // Runs one export; an error is shown to the user and ends it.
    void report(const std::function<void()>& exportRun);

    reader::Engine& engine_;
    const addons::Vormadd& vormadd_;
    const addons::Vormadddb& vormadddb_;
    Prompter& prompter_;
    Gauge& gauge_;
    QWidget* window_;
    // The window's one DBMS connection, opened at each export and closed at its end.
    std::unique_ptr<store::DbmsConnection> dbms_;
    QPointer<TFormSelDir> selDir_;
};

} // namespace tk::manager
