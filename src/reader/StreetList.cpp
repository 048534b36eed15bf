#include "reader/StreetList.h"

namespace tk::reader {

void StreetList::append(int number, const QString& name)
{
    const int row = size();
    if (observer_.beforeInsert)
        observer_.beforeInsert(row, row);
    entries_.push_back({QString::number(number), name});
    if (observer_.afterInsert)
        observer_.afterInsert();
}

void StreetList::clear()
{
    if (entries_.empty())
        return;
    if (observer_.beforeReset)
        observer_.beforeReset();
    entries_.clear();
    if (observer_.afterReset)
        observer_.afterReset();
}

QString StreetList::nameOf(int n) const
{
    QString found;
    for (const Entry& e : entries_) {
        bool ok = false;
        if (e.caption.toInt(&ok) == n && ok)
            found = e.name;
    }
    return found;
}

int StreetList::numberOf(const QString& name) const
{
    const QString key = name.trimmed().toUpper();
    int found = -1;
    for (const Entry& e : entries_) {
        if (e.name.trimmed().toUpper() == key) {
            bool ok = false;
            const int n = e.caption.toInt(&ok);
            found = ok ? n : 0;
        }
    }
    return found;
}

} // namespace tk::reader
