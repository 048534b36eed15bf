#pragma once
// One open dBASE table file: our header checks in front of shapelib's record I/O.
// shapelib reads and writes whole records and keeps the header's count and end mark;
// field text is encoded and decoded by DbfFormat, because shapelib's field writers
// truncate, write '*' for NULL and send dates through the numeric path.
#include "store/dbf/DbfFormat.h"
#include "store/dbf/Platform.h"

#include <QString>
#include <memory>

namespace tk::dbf {

struct HookFile;

class DbfFile {
public:
    DbfFile();
    ~DbfFile();
    DbfFile(const DbfFile&) = delete;
    DbfFile& operator=(const DbfFile&) = delete;

    // Opens and checks the table. ReadWrite fails on a file that cannot be written;
    // PreferWrite falls back to reading only.
    enum class Access { ReadOnly, PreferWrite, ReadWrite };
    void open(const QString& path, Access access);
    void open(const QString& path, bool forWrite) { open(path, forWrite ? Access::ReadWrite : Access::ReadOnly); }
    bool writable() const { return forWrite_; }
    void close();
    bool isOpen() const;

    // Writes a new, empty table at path (replacing nothing: the caller chooses a free name).
    // The header is dated today; fields' offsets are computed.
    static void create(const QString& path, const Schema& schema);

    const QString& path() const { return path_; }
    const QString& name() const { return name_; } // file name, for messages
    const Schema& schema() const { return schema_; }
    std::uint32_t recordCount() const { return schema_.recordCount; }
    OsFile& os() { return os_; }

    // The raw record (deletion flag first); valid until the next call on this file.
    const char* record(std::uint32_t recno);
    static bool isDeleted(const char* raw) { return raw[0] == kDeletedFlag; }

    // recno == recordCount() appends. Written through at once, header count included.
    void writeRecord(std::uint32_t recno, const char* raw);
    void markDeleted(std::uint32_t recno);
    // Bulk append for building a new file: the header is brought up to date by finish().
    void appendUnflushed(const char* raw);
    void finish();
    // Drops records from `count` on (undo of appends); the end mark follows them.
    void truncateRecords(std::uint32_t count);

    // Re-reads the header when the file on disk is no longer the one read last
    // (another program wrote it). A file replaced under its name (pack, widen) is opened
    // anew, which drops the locks of the old descriptor.
    enum class Refresh { Same, Changed, Reopened };
    Refresh refresh();
    FileStamp stamp() const { return stamp_; }
    // Our own write counter in the header's reserved multi-user bytes (16..19), bumped by
    // every finished write, so that readers notice in-place updates that leave size and
    // modification time alone.
    std::uint32_t writeCounter() const { return counter_; }
    void bumpWriteCounter();

    void dropCache();

private:
    void readHeader();
    void openCodec();
    void closeCodec();

    QString path_, name_;
    OsFile os_;
    Schema schema_;
    FileStamp stamp_;
    std::uint32_t counter_ = 0;
    std::unique_ptr<HookFile> hook_;
    void* dbf_ = nullptr; // DBFHandle
    bool forWrite_ = false;
    Access access_ = Access::ReadOnly;
};

// Test seam: the next table-file writes fail (or the process ends, as in a crash) once
// `bytes` more bytes have been written. Reset with budget < 0.
enum class FaultAction { FailWrite, ExitProcess };
void setWriteFault(long long bytes, FaultAction action);

} // namespace tk::dbf
