#pragma once
// Table-model adapter over the reader's street list (ListStreet): columns "№" and "Название".
#include "reader/StreetList.h"

#include <QAbstractTableModel>

namespace tk::manager {

class StreetListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit StreetListModel(reader::StreetList& streets, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    reader::StreetList& streets_;
};

} // namespace tk::manager
