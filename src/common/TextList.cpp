#include "common/TextList.h"

namespace tk {

QString TextList::cell(int row, int col) const
{
    if (row < 0 || row >= rowCount() || col < 0)
        return {};
    const QStringList& r = rows_[size_t(row)];
    return col < r.size() ? r.at(col) : QString();
}

void TextList::setCell(int row, int col, const QString& text)
{
    if (row < 0 || row >= rowCount() || col < 0 || col >= columnCount())
        return;
    QStringList& r = rows_[size_t(row)];
    while (r.size() <= col)
        r.append(QString());
    r[col] = text;
    if (observer_.cellChanged)
        observer_.cellChanged(row, col);
}

void TextList::append(QStringList cells)
{
    const int row = rowCount();
    if (observer_.beforeInsert)
        observer_.beforeInsert(row, row);
    rows_.push_back(std::move(cells));
    if (observer_.afterInsert)
        observer_.afterInsert();
}

void TextList::clear()
{
    if (observer_.beforeReset)
        observer_.beforeReset();
    rows_.clear();
    if (observer_.afterReset)
        observer_.afterReset();
}

} // namespace tk
