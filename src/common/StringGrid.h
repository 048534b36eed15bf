#pragma once
// A rectangular table of text cells, row 0 its captions: the temporary grid a list is copied
// into before it goes to a spreadsheet. Unlike TextGrid it has exactly the rows it is given.
#include <QString>
#include <vector>

namespace tk {

class StringGrid {
public:
    StringGrid() = default;
    StringGrid(int rowCount, int columnCount) { resize(rowCount, columnCount); }

    int rowCount() const { return rows_; }
    int columnCount() const { return columns_; }
    // Empty text outside the grid.
    QString cell(int row, int col) const
    {
        return row >= 0 && row < rows_ && col >= 0 && col < columns_ ? cells_[size_t(row) * columns_ + col] : QString();
    }
    void setCell(int row, int col, const QString& text) { cells_.at(size_t(row) * columns_ + col) = text; }
    // Makes the grid rows x columns, all cells empty.
    void resize(int rowCount, int columnCount)
    {
        rows_ = rowCount < 0 ? 0 : rowCount;
        columns_ = columnCount < 0 ? 0 : columnCount;
        cells_.assign(size_t(rows_) * columns_, QString());
    }

private:
    int rows_ = 0;
    int columns_ = 0;
    std::vector<QString> cells_;
};

} // namespace tk
