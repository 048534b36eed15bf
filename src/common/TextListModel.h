#pragma once
// Table-model adapter over a TextList: its titles become the horizontal header.
#include "common/TextList.h"

#include <QAbstractTableModel>

namespace tk {

class TextListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit TextListModel(TextList& list, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    TextList& list_;
};

} // namespace tk
