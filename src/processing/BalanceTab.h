#pragma once
// The tab "Баланс": the balance groups of Balance.dbf and, below a splitter, the result list of a
// balance calculation.
#include <QWidget>

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

    QTableView* ListBalance = nullptr;
    QTableView* CountBalanceList = nullptr;

private:
    store::LocalSql& sql_;
    QStandardItemModel* groups_ = nullptr;
};

} // namespace tk::processing
