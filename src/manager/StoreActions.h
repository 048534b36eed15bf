#pragma once
// The local-store actions of the family tabs: write the reader-data grid into the family's
// table, erase the table up to a date, empty the grid, and the Delete key on a grid row.
#include "common/Families.h"
#include "manager/TFormDelDate.h"

#include <QObject>
#include <QPointer>
#include <array>
#include <functional>

class QWidget;

namespace tk {
class Prompter;
namespace reader {
class Engine;
}
namespace store {
class ReadingStore;
}
} // namespace tk

namespace tk::manager {

class FamilyTab;
class Gauge;
class MainActions;

class StoreActions : public QObject {
    Q_OBJECT
public:
    // showTab brings a family's tab to the front; window is what shows the wait cursor.
    StoreActions(reader::Engine& engine, store::ReadingStore& store, const std::array<FamilyTab*, 6>& tabs,
                 const MainActions& actions, Prompter& prompter, Gauge& gauge, std::function<void(Family)> showTab,
                 QWidget* window);

    // The delete-date dialog the erase actions ask, made after the main window and held weakly;
    // without it an erase does nothing.
    void setDeleteDateDialog(TFormDelDate* dialog) { delDate_ = dialog; }

    void ActionWriteExecute(Family family);
    void ActionEraseExecute(Family family);
    void ActionClearExecute(Family family);
    void DeleteGridRecord(Family family);

private:
    FamilyTab& tab(Family f) const { return *tabs_[size_t(f)]; }

    reader::Engine& engine_;
    store::ReadingStore& store_;
    std::array<FamilyTab*, 6> tabs_;
    const MainActions& actions_;
    Prompter& prompter_;
    Gauge& gauge_;
    std::function<void(Family)> showTab_;
    QWidget* window_;
    QPointer<TFormDelDate> delDate_;
};

} // namespace tk::manager
