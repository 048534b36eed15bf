#pragma once
// The tab "Баланс": the balance groups of Balance.dbf and, below a splitter, the result list of a
// balance calculation.
#include "processing/BalanceGroups.h"
#include "processing/Reports.h"

#include <QWidget>
#include <functional>
#include <optional>
#include <vector>

class QStandardItemModel;
class QTableView;

namespace tk::store {
class LocalSql;
}

namespace tk::processing {

class ProcessingActions;

class BalanceTab : public QWidget {
    Q_OBJECT
public:
    BalanceTab(store::LocalSql& sql, const ProcessingActions& actions, QWidget* parent = nullptr);

    // Reloads the group list; Error when the tables cannot be read (the list is then empty).
    void LoadBalanceList();

    // The selected groups in list order.
    std::vector<BalanceGroup> selectedGroups() const;
    // Exactly one selected group, for the group dialog; none otherwise.
    std::optional<BalanceGroup> singleSelectedGroup() const;
    // Shows a balance result in CountBalanceList.
    void showResult(const ReportGrid& result);
    // The result list as the export takes it, and the export title of the selection.
    StringGrid resultGrid() const;
    QString exportTitle() const;
    // Whether the export is offered (asked on each selection change).
    void setExportAvailable(std::function<bool()> available) { exportAvailable_ = std::move(available); }

    QTableView* ListBalance = nullptr;
    QTableView* CountBalanceList = nullptr;

private:
    void selectionChanged();

    store::LocalSql& sql_;
    const ProcessingActions& actions_;
    QStandardItemModel* groups_ = nullptr;
    std::vector<BalanceGroup> loaded_;
    std::function<bool()> exportAvailable_;
};

} // namespace tk::processing
