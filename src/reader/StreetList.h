#pragma once
// The reader's street base as last read (ListStreet): entries of a number caption and a name,
// in the order they were read or written.
#include <QString>
#include <functional>
#include <vector>

namespace tk::reader {

class StreetList {
public:
    struct Entry {
        QString caption; // the street number as text
        QString name;
    };
    struct Observer {
        std::function<void(int first, int last)> beforeInsert;
        std::function<void()> afterInsert;
        std::function<void()> beforeReset;
        std::function<void()> afterReset;
    };

    int size() const { return int(entries_.size()); }
    const Entry& at(int i) const { return entries_[size_t(i)]; }
    void append(int number, const QString& name);
    void clear();

    // The name of the entry whose caption, read as an integer, equals n (the last such entry);
    // empty when none.
    QString nameOf(int n) const;
    // The number of the entry whose name equals name after both are trimmed and upper-cased
    // (Cyrillic folded too); the last match wins; -1 when none.
    int numberOf(const QString& name) const;

    void setObserver(Observer o) { observer_ = std::move(o); }

private:
    std::vector<Entry> entries_;
    Observer observer_;
};

} // namespace tk::reader
