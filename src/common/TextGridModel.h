#pragma once
// Table-model adapter over a TextGrid: grid row 0 becomes the horizontal header, grid rows
// 1 .. rowCount() - 1 (the records and the always-empty last row) become the model rows.
#include "common/TextGrid.h"

#include <QAbstractTableModel>

namespace tk {

class TextGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit TextGridModel(TextGrid& grid, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    TextGrid& grid() { return grid_; }

private:
    TextGrid& grid_;
};

} // namespace tk
