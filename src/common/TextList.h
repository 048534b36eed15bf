#pragma once
// A list of rows of text cells under column titles (report lists such as the database list).
// Unlike TextGrid it has no header row of its own and no always-empty last row.
#include <QStringList>
#include <functional>
#include <vector>

namespace tk {

class TextList {
public:
    struct Observer {
        std::function<void(int first, int last)> beforeInsert;
        std::function<void()> afterInsert;
        std::function<void()> beforeReset;
        std::function<void()> afterReset;
        std::function<void(int row, int col)> cellChanged;
    };

    explicit TextList(QStringList titles = {}) : titles_(std::move(titles)) {}

    const QStringList& titles() const { return titles_; }
    int columnCount() const { return int(titles_.size()); }
    int rowCount() const { return int(rows_.size()); }
    QString cell(int row, int col) const;
    void setCell(int row, int col, const QString& text);
    void append(QStringList cells);
    void clear();
    void setObserver(Observer o) { observer_ = std::move(o); }

private:
    QStringList titles_;
    std::vector<QStringList> rows_;
    Observer observer_;
};

} // namespace tk
