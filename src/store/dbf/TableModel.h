#pragma once
// A read-only view of one table for the local-table grids. Opening reads the header and
// the deletion flags only; rows are read when the grid asks for them, so a view over a
// million rows opens at once. Rows appear in record order; deleted records are left out.
// While open, the view holds the table's presence lock shared, so an exclusive open
// (column widening) elsewhere fails instead of pulling the file from under it.
#include "store/dbf/DbfFile.h"

#include <QAbstractTableModel>
#include <vector>

namespace tk::dbf {

class TableModel : public QAbstractTableModel {
public:
    explicit TableModel(QObject* parent = nullptr);
    ~TableModel() override;

    void open(const QString& path); // throws tk::Error
    void close();
    bool isOpen() const { return file_.isOpen(); }
    // Re-reads the table when the file changed since it was opened.
    void refresh();

    const Schema& schema() const { return file_.schema(); }
    int liveRowCount() const { return int(file_.recordCount() - deleted_.size()); }
    // The SQL value of a cell (as LocalSql returns it); throws on a damaged field.
    QVariant value(int row, int column) const;
    std::uint32_t recordOf(int row) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    // Display text: numbers in shortest form, dates in the regional short date format.
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    void load();
    const char* rowRecord(int row) const;

    mutable DbfFile file_;
    QString path_;
    std::vector<std::uint32_t> deleted_; // record numbers, ascending
    mutable int cachedRow_ = -1;
    mutable std::string cached_;
};

} // namespace tk::dbf
