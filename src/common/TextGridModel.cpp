#include "common/TextGridModel.h"

namespace tk {

TextGridModel::TextGridModel(TextGrid& grid, QObject* parent) : QAbstractTableModel(parent), grid_(grid)
{
    TextGrid::Observer o;
    o.beforeInsert = [this](int first, int last) { beginInsertRows({}, first - 1, last - 1); };
    o.afterInsert = [this] { endInsertRows(); };
    o.beforeRemove = [this](int first, int last) { beginRemoveRows({}, first - 1, last - 1); };
    o.afterRemove = [this] { endRemoveRows(); };
    o.beforeReset = [this] { beginResetModel(); };
    o.afterReset = [this] { endResetModel(); };
    o.cellChanged = [this](int row, int col) {
        const QModelIndex i = index(row - 1, col);
        emit dataChanged(i, i, {Qt::DisplayRole});
    };
    grid_.setObserver(std::move(o));
}

int TextGridModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : grid_.rowCount() - 1;
}

int TextGridModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : grid_.columnCount();
}

QVariant TextGridModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::AccessibleTextRole))
        return {};
    return grid_.cell(index.row() + 1, index.column());
}

QVariant TextGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Horizontal)
        return grid_.cell(0, section);
    return section + 1;
}

} // namespace tk
