#include "processing/BalanceTab.h"

#include "processing/BalanceGroups.h"
#include "processing/Controls.h"
#include "processing/ProcessingActions.h"
#include "common/ToExcel.h"

#include <QAction>
#include <QItemSelectionModel>

#include <QHBoxLayout>
#include <QSplitter>
#include <QStandardItemModel>
#include <QTableView>
#include <QToolBar>

namespace tk::processing {

BalanceTab::BalanceTab(store::LocalSql& sql, const ProcessingActions& actions, QWidget* parent) : QWidget(parent), sql_(sql), actions_(actions)
{
    setObjectName(QStringLiteral("TabBalance"));
    auto* h = new QHBoxLayout(this);
    h->setContentsMargins(0, 0, 0, 0);
    h->setSpacing(0);
    h->addWidget(actions.verticalToolBar(QStringLiteral("ToolBarBalance"), {"ActionBalance", "ActionCountBalance", "ActionBalanceExcel"}));
    auto* split = new QSplitter(Qt::Vertical, this);
    split->setObjectName(QStringLiteral("SplitterBalance"));
    split->setChildrenCollapsible(false);
    h->addWidget(split, 1);
    ListBalance = reportList("ListBalance", QStringLiteral("Счётчики баланса"),
                             {{QStringLiteral("Счетчик"), 100}, {QStringLiteral("Описание"), 300}}, true, false, split);
    groups_ = listModel(ListBalance);
    CountBalanceList = reportList("CountBalanceList", QStringLiteral("Расчёт баланса"),
                                  {{QStringLiteral("Счётчик"), 80}, {QStringLiteral("Описание"), 150}, {QStringLiteral("Дата с"), 75},
                                   {QStringLiteral("Дата по"), 75}, {QStringLiteral("Показания"), 100}, {QStringLiteral("Баланс"), 80},
                                   {QStringLiteral("Баланс (%)"), 100}, {QStringLiteral("Без учета"), 80}},
                                  true, false, split);
    split->addWidget(ListBalance);
    split->addWidget(CountBalanceList);
    split->setStretchFactor(1, 1);
    split->setSizes({81, 300});
    connect(ListBalance->selectionModel(), &QItemSelectionModel::selectionChanged, this, &BalanceTab::selectionChanged);
    selectionChanged();
}

void BalanceTab::selectionChanged()
{
    const bool any = ListBalance->selectionModel()->hasSelection();
    actions_.action("ActionCountBalance")->setEnabled(any);
    actions_.action("ActionBalanceExcel")->setEnabled(any && exportAvailable_ && exportAvailable_());
}

std::vector<BalanceGroup> BalanceTab::selectedGroups() const
{
    std::vector<BalanceGroup> out;
    for (int r = 0; r < groups_->rowCount() && r < int(loaded_.size()); ++r)
        if (ListBalance->selectionModel()->isRowSelected(r, {}))
            out.push_back(loaded_[size_t(r)]);
    return out;
}

std::optional<BalanceGroup> BalanceTab::singleSelectedGroup() const
{
    const std::vector<BalanceGroup> s = selectedGroups();
    if (s.size() != 1)
        return std::nullopt;
    return s.front();
}

void BalanceTab::showResult(const ReportGrid& result)
{
    QStandardItemModel* model = listModel(CountBalanceList);
    model->removeRows(0, model->rowCount());
    for (const QStringList& row : result.rows) {
        QList<QStandardItem*> items;
        for (const QString& cell : row)
            items << new QStandardItem(cell);
        model->appendRow(items);
    }
}

StringGrid BalanceTab::resultGrid() const
{
    return ListViewToGrid(*CountBalanceList->model(), 8);
}

QString BalanceTab::exportTitle() const
{
    QString title = QStringLiteral("Баланс для счётчиков");
    for (const BalanceGroup& g : selectedGroups())
        title += QLatin1Char(' ') + g.caption;
    return title;
}

void BalanceTab::LoadBalanceList()
{
    groups_->removeRows(0, groups_->rowCount());
    loaded_.clear();
    loaded_ = loadBalanceGroups(sql_);
    for (const BalanceGroup& g : loaded_) {
        groups_->appendRow({new QStandardItem(g.caption), new QStandardItem(g.description)});
    }
}

} // namespace tk::processing
