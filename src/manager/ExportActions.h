#pragma once
// The exports of what the reader grids hold, without the local store: each family's text export
// through the add-on vormadd, each family's spreadsheet export under today's date, and the
// journal and diary spreadsheets. A failure of the add-on or of the spreadsheet file ends the
// export with its message, as any error that ends a user's operation does.
#include "common/Families.h"
#include "manager/TFormSelDir.h"

#include <QObject>
#include <QPointer>
#include <functional>

class QWidget;

namespace tk {
class Prompter;
namespace addons {
class Vormadd;
}
namespace reader {
class Engine;
}
} // namespace tk

namespace tk::manager {

class MainActions;

class ExportActions : public QObject {
    Q_OBJECT
public:
    // window is what shows the wait cursor while a file is written.
    ExportActions(reader::Engine& engine, const addons::Vormadd& vormadd, const MainActions& actions,
                  Prompter& prompter, QWidget* window);

    // The folder chooser asked when the add-on wants a folder; made after the main window and
    // held weakly. Without it such an export ends with an error instead of writing somewhere
    // the user did not choose.
    void setFolderChooser(TFormSelDir* dialog) { selDir_ = dialog; }

    // The text export of a family (not ЖКВ) and the spreadsheet export of any family's grid.
    void ActionExpExecute(Family family);
    void ActionExportExecute(Family family);
    void ActionExportJournalExecute();
    void ActionExportDiaryExecute();

private:
    // Runs one export; an error is shown to the user and ends it.
    void report(const std::function<void()>& exportRun);

    reader::Engine& engine_;
    const addons::Vormadd& vormadd_;
    Prompter& prompter_;
    QWidget* window_;
    QPointer<TFormSelDir> selDir_;
};

} // namespace tk::manager
