#include "common/TextListModel.h"

namespace tk {

TextListModel::TextListModel(TextList& list, QObject* parent) : QAbstractTableModel(parent), list_(list)
{
    TextList::Observer o;
    o.beforeInsert = [this](int first, int last) { beginInsertRows({}, first, last); };
    o.afterInsert = [this] { endInsertRows(); };
    o.beforeReset = [this] { beginResetModel(); };
    o.afterReset = [this] { endResetModel(); };
    o.cellChanged = [this](int row, int col) {
        const QModelIndex i = index(row, col);
        emit dataChanged(i, i, {Qt::DisplayRole});
    };
    list_.setObserver(std::move(o));
}

int TextListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : list_.rowCount();
}

int TextListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : list_.columnCount();
}

QVariant TextListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::AccessibleTextRole))
        return {};
    return list_.cell(index.row(), index.column());
}

QVariant TextListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal)
        return {};
    return list_.titles().value(section);
}

} // namespace tk
