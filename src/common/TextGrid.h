#pragma once
// A grid of text cells, the hand-over point between the reader side and the store and exports.
// Row 0 holds the column titles, rows 1 .. rowCount() - 2 one record each, and the last row is
// always present and empty, so an empty grid has two rows.
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

namespace tk {

class TextGrid {
public:
    struct Observer {
        std::function<void(int firstRow, int lastRow)> beforeInsert; // grid rows, not records
        std::function<void()> afterInsert;
        std::function<void(int firstRow, int lastRow)> beforeRemove;
        std::function<void()> afterRemove;
        std::function<void()> beforeReset;
        std::function<void()> afterReset;
        std::function<void(int row, int col)> cellChanged;
    };

    explicit TextGrid(QStringList titles = {});

    int columnCount() const { return int(titles_.size()); }
    int rowCount() const { return int(records_.size()) + 2; }
    int recordCount() const { return int(records_.size()); }
    const QStringList& titles() const { return titles_; }

    // Row 0 gives the titles; the last row and cells beyond a row's end give empty text.
    QString cell(int row, int col) const;
    void setCell(int row, int col, const QString& text); // records only (1 .. rowCount() - 2)

    // Appends one record in front of the always-empty last row; returns its grid row.
    int appendRecord(QStringList cells);
    void removeRecord(int row);
    void clear();                                         // back to titles + one empty row
    void setTitles(QStringList titles);                   // also clears

    void setObserver(Observer o) { observer_ = std::move(o); }

private:
    QStringList titles_;
    std::vector<QStringList> records_;
    Observer observer_;
};

} // namespace tk
