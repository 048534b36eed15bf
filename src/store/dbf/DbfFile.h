#pragma once
// One open dBASE table file: our header checks in front of shapelib's record reader, and
// our own write path. shapelib keeps the record count of the file in memory and writes it
// into the header when its handle is closed; with two programs appending to one table that
// count is stale by then, so the codec is only ever opened for reading here and every byte
// of a table is written by this class, under the table's write lock (see SqlModule.cpp).
// Field text is encoded and decoded by DbfFormat, because shapelib's field writers truncate,
// write '*' for NULL and send dates through the numeric path.
#include "store/dbf/DbfFormat.h"
#include "store/dbf/Journal.h"
#include "store/dbf/Platform.h"

#include <QString>
#include <functional>
#include <map>
#include <memory>
#include <unordered_set>
#include <vector>

namespace tk::dbf {

struct HookFile;

constexpr int kDefaultLockWaitMs = 10000;
// How long an open waits for a writer before it reads the header without the lock.
constexpr int kOpenLockWaitMs = 250;

class DbfFile {
public:
    DbfFile();
    ~DbfFile();
    DbfFile(const DbfFile&) = delete;
    DbfFile& operator=(const DbfFile&) = delete;

    // Opens and checks the table. The header is read under the shared data lock, so a table
    // another program is writing is never refused for what it looks like halfway; a statement
    // left half done by a writer that died is undone first, and the copy a crashed pack or
    // widen left beside the table is removed. A writer that keeps the lock longer than
    // kOpenLockWaitMs (or lockWaitMs) does not hold up the open: the header is then read
    // until two reads agree. ReadWrite fails on a file that cannot be written; PreferWrite falls back to
    // reading only.
    enum class Access { ReadOnly, PreferWrite, ReadWrite };
    void open(const QString& path, Access access, int lockWaitMs = kDefaultLockWaitMs);
    void open(const QString& path, bool forWrite) { open(path, forWrite ? Access::ReadWrite : Access::ReadOnly); }
    bool writable() const { return forWrite_; }
    void close();
    bool isOpen() const;

    // Writes a new, empty table at path (replacing nothing: the caller chooses a free name).
    // The header is dated today; fields' offsets are computed.
    static void create(const QString& path, const Schema& schema);
    // The hidden copy a pack or widen builds beside the table before it takes its place.
    static QString workPath(const QString& path);

    const QString& path() const { return path_; }
    const QString& name() const { return name_; } // file name, for messages
    const Schema& schema() const { return schema_; }
    // Records of the table, those a statement in progress appends included.
    std::uint32_t recordCount() const { return count_; }
    OsFile& os() { return os_; }

    // The raw record (deletion flag first), as the statement in progress left it; valid
    // until the next call on this file.
    const char* record(std::uint32_t recno);
    static bool isDeleted(const char* raw) { return raw[0] == kDeletedFlag; }
    // Every record in order, as runs of consecutive records lying one after the other at
    // `base` (recordLength bytes apart), for the one-pass scan that builds indexes: records
    // the statement in progress changed come as runs of one. Call it holding the data lock.
    void forEachRun(const std::function<void(std::uint32_t first, std::uint32_t n, const char* base)>& fn);

    // Locks for a statement. The shared data lock for reading, the exclusive one for
    // writing; either undoes a half-done statement of a writer that died first. False when
    // another program kept the lock for all of waitMs.
    bool lockForRead(int waitMs);
    bool lockForWrite(int waitMs);

    // A statement's changes, between lockForWrite() and the unlock. Changes are held in
    // memory (and read back by record()) until commit, or until they outgrow heldLimit bytes;
    // then the original bytes go to the journal first. Commit writes the header's count as
    // the file's count now plus what the statement appended.
    void beginChanges(std::size_t heldLimit = std::size_t(4) << 20);
    bool changing() const { return changing_; }
    // recno == recordCount() appends.
    void change(std::uint32_t recno, const char* raw);
    void markDeleted(std::uint32_t recno);
    void commitChanges();
    void rollbackChanges();

    // One change as a statement of its own (the caller holds the write lock or owns the file).
    void writeRecord(std::uint32_t recno, const char* raw);

    // Bulk append for building a new file nobody else has open: the header is brought up to
    // date by finish().
    void appendUnflushed(const char* raw);
    void finish();

    // Re-reads the header when the file on disk is no longer the one read last
    // (another program wrote it). A file replaced under its name (pack, widen) is opened
    // anew, which drops the locks of the old descriptor. Call it holding the data lock.
    enum class Refresh { Same, Changed, Reopened };
    Refresh refresh();
    FileStamp stamp() const { return stamp_; }
    // Our own write counter in the header's reserved multi-user bytes (16..19), moved on by
    // every finished statement, so that readers notice in-place updates that leave size and
    // modification time alone.
    std::uint32_t writeCounter() const { return counter_; }

    void dropCache();

private:
    void readHeader();
    void openCodec();
    void closeCodec();
    void setCodecCount(std::uint32_t n);
    void flushChanges(bool durable);
    void forgetChanges();
    void flushBulk();
    void removeLeftoverCopy();
    void readWhileWriterHolds();
    static void recoverFromOtherDescriptor(const QString& path, int waitMs);
    bool lockData(LockKind kind, int waitMs);

    QString path_, name_;
    OsFile os_;
    Schema schema_;
    FileStamp stamp_;
    std::uint32_t counter_ = 0;
    std::uint32_t count_ = 0;
    std::unique_ptr<HookFile> hook_;
    void* dbf_ = nullptr; // DBFHandle
    bool forWrite_ = false;
    Access access_ = Access::ReadOnly;

    // The statement in progress.
    bool changing_ = false;
    std::size_t heldLimit_ = 0;
    std::map<std::uint32_t, std::string> held_; // changed records not written yet
    std::size_t heldBytes_ = 0;
    std::uint32_t onDisk_ = 0;                   // records in the file, written appends included
    std::unordered_set<std::uint32_t> journaled_; // records whose original is in the journal
    Journal journal_;
    std::string bulk_; // appendUnflushed's records not written yet
    std::uint32_t bulkFirst_ = 0;
};

// Test seam: the file changes of the table layer count against a budget, each byte written
// and one unit for each file created, cut short or removed. The change that would go beyond
// it is cut there, and then fails (or the process ends, as in a crash). Reset with
// budget < 0.
enum class FaultAction { FailWrite, ExitProcess };
void setWriteFault(long long budget, FaultAction action);
// Where each change since setWriteFault began, in budget units (logged only while a budget
// is set): run an operation once under an unreachable budget, then end a copy of it at each
// of these points.
std::vector<long long> fileChangeStarts();

} // namespace tk::dbf
