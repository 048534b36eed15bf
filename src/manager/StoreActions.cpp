#include "manager/StoreActions.h"

#include "common/Error.h"
#include "common/Prompter.h"
#include "manager/ActionRules.h"
#include "manager/FamilyTab.h"
#include "manager/Gauge.h"
#include "manager/MainActions.h"
#include "manager/ManagerSettings.h"
#include "manager/TFormDelDate.h"
#include "manager/WaitCursor.h"
#include "reader/Engine.h"
#include "store/reading/ReadingStore.h"
#include "store/reading/ReadingTables.h"

#include <QAction>
#include <QCoreApplication>
#include <QTableView>
#include <QThread>

namespace tk::manager {

StoreActions::StoreActions(reader::Engine& engine, store::ReadingStore& store, const std::array<FamilyTab*, 6>& tabs,
                           const MainActions& actions, Prompter& prompter, Gauge& gauge,
                           std::function<void(Family)> showTab, QWidget* window)
    : QObject(window), engine_(engine), store_(store), tabs_(tabs), actions_(actions), prompter_(prompter), gauge_(gauge),
      showTab_(std::move(showTab)), window_(window)
{
    for (const FamilyInfo& info : kFamilies) {
        const Family f = info.family;
        const FamilyActionNames& a = kFamilyActions[size_t(f)];
        connect(actions.action(a.clear), &QAction::triggered, this, [this, f] { ActionClearExecute(f); });
        if (a.write)
            connect(actions.action(a.write), &QAction::triggered, this, [this, f] { ActionWriteExecute(f); });
        if (a.erase)
            connect(actions.action(a.erase), &QAction::triggered, this, [this, f] { ActionEraseExecute(f); });
        connect(&tab(f), &FamilyTab::deleteKeyPressed, this, [this, f] { DeleteGridRecord(f); });
    }
}

void StoreActions::ActionWriteExecute(Family family)
{
    showTab_(family);
    const Busy busy(window_);
    // The tab and the hourglass show before the window blocks for the write.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    QThread::msleep(10);
    tab(family).closeTable();
    const TextGrid& grid = engine_.familyGrid(int(family));
    const int records = grid.rowCount() - 2;
    gauge_.showProgress(0, records);
    store_.write(family, grid, prompter_, [this, records](int row) {
        gauge_.showProgress(row, records);
        gauge_.repaint();
    });
    gauge_.showProgress(0, records);
    tab(family).openTable();
}

void StoreActions::ActionEraseExecute(Family family)
{
    if (!delDate_)
        return;
    delDate_->exec(); // the date is taken however the dialog was closed
    const store::ReadingTable* table = store::readingTable(family);
    if (prompter_.message(QStringLiteral("Удаление данных"),
                          QStringLiteral("Данные из таблицы \"") + table->shownName + QStringLiteral("\" будут удалены !"),
                          Prompter::Icon::Warning, Prompter::Buttons::OkCancel)
        != Prompter::Answer::Ok)
        return;
    showTab_(family);
    tab(family).closeTable();
    Busy busy(window_);
    try {
        store_.erase(family, delDate_->date());
    } catch (const Error& e) {
        busy.lifted([&] { prompter_.error(applicationTitle(), e.message()); });
    }
    // Reopened whatever happened: a closed view would show an empty grid, as if the rows were gone.
    tab(family).openTable();
}

void StoreActions::ActionClearExecute(Family family)
{
    showTab_(family);
    engine_.familyGrid(int(family)).clear();
    const FamilyActionNames& a = kFamilyActions[size_t(family)];
    for (const char* name : {a.write, a.excel})
        if (name)
            actions_.action(name)->setEnabled(false);
    tab(family).gridEmptied(engine_.header().gridCounts[size_t(family)]);
}

void StoreActions::DeleteGridRecord(Family family)
{
    const QTableView* view = tab(family).readerGrid();
    TextGrid& grid = engine_.familyGrid(int(family));
    // The view's rows are the grid's rows from 1 on: its title row is the header.
    const QModelIndex current = view->currentIndex();
    const int row = current.row() + 1;
    if (grid.rowCount() <= 2 || !current.isValid() || row > grid.rowCount() - 2)
        return;
    if (prompter_.message(familyName(family), QStringLiteral("Удалить строку из обменника?"), Prompter::Icon::Question,
                          Prompter::Buttons::OkCancel)
        == Prompter::Answer::Ok)
        grid.removeRecord(row);
}

} // namespace tk::manager
