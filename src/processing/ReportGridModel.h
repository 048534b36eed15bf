#pragma once
// Table-model adapter over a report's grid: the captions become the horizontal header, the data
// rows the model rows. A report of many thousands of rows reaches its view in one reset.
#include "processing/Reports.h"

#include <QAbstractTableModel>

namespace tk::processing {

class ReportGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit ReportGridModel(QObject* parent = nullptr);

    const ReportGrid& grid() const { return grid_; }
    // The view shows the new grid; its column widths travel with it (see ReportTabs).
    void setGrid(ReportGrid grid);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    ReportGrid grid_;
};

} // namespace tk::processing
