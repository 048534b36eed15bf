#include "manager/StreetListModel.h"

namespace tk::manager {

StreetListModel::StreetListModel(reader::StreetList& streets, QObject* parent)
    : QAbstractTableModel(parent), streets_(streets)
{
    reader::StreetList::Observer o;
    o.beforeInsert = [this](int first, int last) { beginInsertRows({}, first, last); };
    o.afterInsert = [this] { endInsertRows(); };
    o.beforeReset = [this] { beginResetModel(); };
    o.afterReset = [this] { endResetModel(); };
    streets_.setObserver(std::move(o));
}

int StreetListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : streets_.size();
}

int StreetListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : 2;
}

QVariant StreetListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= streets_.size() || (role != Qt::DisplayRole && role != Qt::AccessibleTextRole))
        return {};
    const reader::StreetList::Entry& e = streets_.at(index.row());
    return index.column() == 0 ? e.caption : e.name;
}

QVariant StreetListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal)
        return {};
    return section == 0 ? QStringLiteral("№") : QStringLiteral("Название");
}

} // namespace tk::manager
