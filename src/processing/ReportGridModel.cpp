#include "processing/ReportGridModel.h"

namespace tk::processing {

ReportGridModel::ReportGridModel(QObject* parent) : QAbstractTableModel(parent) {}

void ReportGridModel::setGrid(ReportGrid grid)
{
    beginResetModel();
    grid_ = std::move(grid);
    endResetModel();
}

int ReportGridModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(grid_.rows.size());
}

int ReportGridModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(grid_.captions.size());
}

QVariant ReportGridModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::AccessibleTextRole))
        return {};
    return grid_.rows.at(size_t(index.row())).value(index.column());
}

QVariant ReportGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal)
        return QAbstractTableModel::headerData(section, orientation, role);
    return grid_.captions.value(section);
}

} // namespace tk::processing
