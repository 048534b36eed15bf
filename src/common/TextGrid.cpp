#include "common/TextGrid.h"

#include "common/Error.h"

namespace tk {

TextGrid::TextGrid(QStringList titles) : titles_(std::move(titles)) {}

QString TextGrid::cell(int row, int col) const
{
    if (col < 0 || col >= columnCount())
        return {};
    if (row == 0)
        return titles_.at(col);
    if (row < 1 || row > recordCount())
        return {};
    const QStringList& r = records_[size_t(row - 1)];
    return col < r.size() ? r.at(col) : QString();
}

void TextGrid::setCell(int row, int col, const QString& text)
{
    if (row < 1 || row > recordCount() || col < 0 || col >= columnCount())
        throw Error(QStringLiteral("Ячейка %1:%2 вне таблицы").arg(row).arg(col));
    QStringList& r = records_[size_t(row - 1)];
    while (r.size() <= col)
        r.append(QString());
    r[col] = text;
    if (observer_.cellChanged)
        observer_.cellChanged(row, col);
}

int TextGrid::appendRecord(QStringList cells)
{
    const int row = recordCount() + 1;
    if (observer_.beforeInsert)
        observer_.beforeInsert(row, row);
    while (cells.size() < columnCount())
        cells.append(QString());
    records_.push_back(std::move(cells));
    if (observer_.afterInsert)
        observer_.afterInsert();
    return row;
}

void TextGrid::removeRecord(int row)
{
    if (row < 1 || row > recordCount())
        return;
    if (observer_.beforeRemove)
        observer_.beforeRemove(row, row);
    records_.erase(records_.begin() + (row - 1));
    if (observer_.afterRemove)
        observer_.afterRemove();
}

void TextGrid::clear()
{
    if (observer_.beforeReset)
        observer_.beforeReset();
    records_.clear();
    if (observer_.afterReset)
        observer_.afterReset();
}

void TextGrid::setTitles(QStringList titles)
{
    if (observer_.beforeReset)
        observer_.beforeReset();
    titles_ = std::move(titles);
    records_.clear();
    if (observer_.afterReset)
        observer_.afterReset();
}

} // namespace tk
