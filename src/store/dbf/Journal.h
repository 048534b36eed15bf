#pragma once
// The rollback journal of a table: before a statement touches the table, the bytes it is
// about to overwrite are copied into a hidden file beside it (".<name>.journal"), with the
// table's length and header as they were. The statement removes the journal when it is
// complete. A journal found while no writer holds the table's write lock belongs to a
// writer that died: the next process to lock the table copies the bytes back, cuts the
// appended records off and restores the header, so the statement leaves no trace.
//
// Layout (little-endian): a head of magic, the table's original length, where its records
// ended, the length of what followed them (the end-of-file mark), the original 32-byte
// file header, those trailing bytes and a checksum; then entries of offset, length, the
// original bytes and a checksum. An entry (or head) cut short or failing its checksum was
// still being written when the writer died, so the table was not touched there yet.
#include "store/dbf/Platform.h"

#include <QString>
#include <cstdint>
#include <string>

namespace tk::dbf {

class Journal {
public:
    static QString pathFor(const QString& tablePath);
    static bool existsFor(const QString& tablePath);

    bool isOpen() const { return file_.isOpen(); }
    // Creates the journal of one statement. Nothing is on disk until write().
    void begin(const QString& tablePath, std::uint64_t originalSize, std::uint64_t recordsEnd,
               const std::string& fileHeader, const std::string& trailing);
    // The original bytes at `offset` of the table, before the statement changes them.
    void add(std::uint64_t offset, const char* bytes, std::size_t n);
    // Puts what was added on disk; `durable` also forces it (and, the first time, the
    // journal's directory entry) to the disk before the caller touches the table.
    void write(bool durable);
    // The statement is complete: the journal goes. `durable` makes its removal reach the disk.
    void finish(bool durable);
    // Forgets the journal without removing it (it is then undone by rollback()).
    void close();

    // Undoes the statement the journal at pathFor(tablePath) describes on `table` (opened
    // read-write, its write lock held) and removes the journal. Returns false when there
    // was none.
    static bool rollback(OsFile& table, const QString& tablePath);

private:
    OsFile file_;
    QString path_;
    std::string pending_;
    std::uint64_t end_ = 0;
    bool synced_ = false;
};

} // namespace tk::dbf
