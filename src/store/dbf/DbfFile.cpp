#include "store/dbf/DbfFile.h"
#include "store/dbf/LittleEndian.h"

#include "store/dbf/WriteFault.h"

#include "common/Error.h"

#include <QDate>
#include <QFileInfo>
#include <algorithm>
#include <chrono>
#include <thread>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <shapefil.h>
#include <vector>

namespace tk::dbf {

// shapelib addresses files through hooks; ours serve its reads from a block cache over
// positioned reads of our own file handle, so that locks, identity checks and fault
// injection all see the same descriptor.
struct HookFile {
    OsFile* os = nullptr;
    std::uint64_t pos = 0;
    std::vector<char> block;
    std::uint64_t blockStart = 0;
    std::size_t blockLen = 0;
    std::uint64_t lastEnd = ~0ULL; // where the previous read ended: sequential reads get big blocks
    static constexpr std::size_t kBlock = 256 * 1024;
    static constexpr std::size_t kSmallBlock = 4096;
};

namespace {

thread_local HookFile* t_opening = nullptr;
thread_local std::string t_lastError;

bool isTableName(const char* name)
{
    const std::size_t n = std::strlen(name);
    return n >= 4 && (std::strcmp(name + n - 4, ".dbf") == 0 || std::strcmp(name + n - 4, ".DBF") == 0);
}

SAFile hookOpen(const char* name, const char*)
{
    if (!t_opening || !isTableName(name))
        return nullptr; // no .cpg side files: the language driver byte decides the code page
    return reinterpret_cast<SAFile>(t_opening);
}

HookFile* hf(SAFile f) { return reinterpret_cast<HookFile*>(f); }

SAOffset hookRead(void* p, SAOffset size, SAOffset nmemb, SAFile file)
{
    HookFile* h = hf(file);
    const std::size_t want = std::size_t(size * nmemb);
    std::size_t done = 0;
    try {
        while (done < want) {
            const std::uint64_t at = h->pos + done;
            if (h->blockLen == 0 || at < h->blockStart || at >= h->blockStart + h->blockLen) {
                if (want - done >= HookFile::kBlock) {
                    const std::size_t r = h->os->readAt(at, static_cast<char*>(p) + done, want - done);
                    done += r;
                    break;
                }
                // A scan reads ahead; a look-up by index reads little around the record.
                const bool sequential = at == h->lastEnd;
                const std::size_t len = sequential ? HookFile::kBlock : std::max(want - done, HookFile::kSmallBlock);
                h->block.resize(std::max(h->block.size(), len));
                h->blockStart = at;
                h->blockLen = h->os->readAt(at, h->block.data(), len);
                if (h->blockLen == 0)
                    break;
            }
            const std::size_t off = std::size_t(at - h->blockStart);
            const std::size_t n = std::min(want - done, h->blockLen - off);
            std::memcpy(static_cast<char*>(p) + done, h->block.data() + off, n);
            done += n;
        }
    } catch (const Error& e) {
        t_lastError = e.message().toStdString();
    }
    h->pos += done;
    h->lastEnd = h->pos;
    return size ? SAOffset(done / size) : 0;
}

SAOffset hookWrite(void* p, SAOffset size, SAOffset nmemb, SAFile file)
{
    // Only a new table is written through shapelib (create); its bytes count against the
    // test seam's budget like every other change.
    HookFile* h = hf(file);
    bool cut = false;
    const std::size_t n = changes::allow(std::size_t(size * nmemb), cut);
    try {
        h->os->writeAt(h->pos, p, n);
    } catch (const Error& e) {
        t_lastError = e.message().toStdString();
        return 0;
    }
    changes::note(n);
    h->blockLen = 0;
    h->pos += n;
    if (cut) {
        changes::endOfBudget();
        t_lastError = "simulated write failure";
        return size ? SAOffset(n / size) : 0;
    }
    return nmemb;
}

SAOffset hookSeek(SAFile file, SAOffset offset, int whence)
{
    HookFile* h = hf(file);
    try {
        if (whence == SEEK_SET)
            h->pos = offset;
        else if (whence == SEEK_CUR)
            h->pos += offset;
        else
            h->pos = h->os->size() + offset;
    } catch (const Error&) {
        return SAOffset(-1);
    }
    return 0;
}

SAOffset hookTell(SAFile file) { return SAOffset(hf(file)->pos); }
int hookFlush(SAFile) { return 0; }
int hookClose(SAFile) { return 0; } // the descriptor belongs to DbfFile
int hookRemove(const char*) { return 0; }
void hookError(const char* message) { t_lastError = message; }
double hookAtof(const char* s) { return std::strtod(s, nullptr); }

SAHooks makeHooks()
{
    SAHooks h {};
    h.FOpen = hookOpen;
    h.FRead = hookRead;
    h.FWrite = hookWrite;
    h.FSeek = hookSeek;
    h.FTell = hookTell;
    h.FFlush = hookFlush;
    h.FClose = hookClose;
    h.Remove = hookRemove;
    h.Error = hookError;
    h.Atof = hookAtof;
    return h;
}

DBFHandle H(void* p) { return static_cast<DBFHandle>(p); }

QString lastError()
{
    QString e = QString::fromStdString(t_lastError);
    t_lastError.clear();
    return e.isEmpty() ? QStringLiteral("unknown error") : e;
}

void stampToday(DBFHandle h)
{
    const QDate d = QDate::currentDate();
    DBFSetLastModifiedDate(h, d.year() - 1900, d.month(), d.day());
}

// The first 32 bytes of a table after a statement: dated today, counting `count` records,
// with the write counter at `counter`; the other bytes as they were.
void stampHeader(std::string& head, std::uint32_t count, std::uint32_t counter)
{
    const QDate d = QDate::currentDate();
    head[1] = char(std::clamp(d.year() - 1900, 0, 255));
    head[2] = char(d.month());
    head[3] = char(d.day());
    storeLe(head.data() + 4, count);
    storeLe(head.data() + 16, counter);
}

QString lockedMessage(const QString& name)
{
    return QStringLiteral("%1 is in use by another program (locked); try again later").arg(name);
}

} // namespace


DbfFile::DbfFile() : hook_(std::make_unique<HookFile>()) { hook_->os = &os_; }
DbfFile::~DbfFile() { close(); }

bool DbfFile::isOpen() const { return dbf_ != nullptr; }

QString DbfFile::workPath(const QString& path)
{
    // It does not end in .dbf, so a copy left behind by a crash is never taken for a table.
    const QFileInfo fi(path);
    return fi.absolutePath() + QStringLiteral("/.") + fi.fileName() + QStringLiteral(".new");
}

void DbfFile::open(const QString& path, Access access, int lockWaitMs)
{
    close();
    path_ = path;
    name_ = QFileInfo(path).fileName();
    access_ = access;
    os_.open(path, access == Access::ReadOnly ? OsFile::Mode::ReadOnly : OsFile::Mode::ReadWrite);
    forWrite_ = os_.writable();
    if (access == Access::ReadWrite && !os_.writable()) {
        os_.close();
        throw Error(QStringLiteral("%1 cannot be written: the file is read-only").arg(name_));
    }
    try {
        if (lockForRead(std::min(lockWaitMs, kOpenLockWaitMs))) {
            readHeader();
            openCodec();
            removeLeftoverCopy();
            os_.unlock(LockSlot::Data);
        } else {
            readWhileWriterHolds();
        }
    } catch (...) {
        close();
        throw;
    }
}

// Another program holds the write lock for longer than an open waits: its statement writes
// the records first and the header's count last, in one write, so the header is whole at
// every moment but the one of that write; read it until it reads the same twice.
void DbfFile::readWhileWriterHolds()
{
    for (int attempt = 0;; ++attempt) {
        try {
            readHeader();
            openCodec();
            std::string before(32, '\0'), after(32, '\0');
            os_.readAt(0, before.data(), 32);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            os_.readAt(0, after.data(), 32);
            if (before == after && le32(before.data() + 4) == schema_.recordCount)
                return;
        } catch (const Error&) {
            if (attempt >= 100)
                throw;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

void DbfFile::removeLeftoverCopy()
{
    // A pack or widen holds the table's write lock from before it creates its copy until the
    // copy has taken the table's name. Holding the shared lock on the file that still has
    // that name, no such job can be running, so a copy there was left by a crash.
    const QString work = workPath(path_);
    if (!QFileInfo::exists(work))
        return;
    const FileStamp atName = stampOf(path_);
    if (atName.inode == stamp_.inode && atName.device == stamp_.device)
        removeFileIfExists(work);
}

bool DbfFile::lockData(LockKind kind, int waitMs)
{
    // Through the entry turnstile (see LockSlot): a writer waiting for readers to finish is
    // not overtaken by the next readers, nor a reader by writer after writer. Readers pass
    // it shared, which is all a file open for reading only can take.
    const auto start = std::chrono::steady_clock::now();
    if (!os_.lock(LockSlot::Entry, kind, waitMs))
        return false;
    const int spent = int(std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count());
    const bool ok = os_.lock(LockSlot::Data, kind, std::max(0, waitMs - spent));
    os_.unlock(LockSlot::Entry);
    return ok;
}

bool DbfFile::lockForRead(int waitMs)
{
    for (int attempt = 0; attempt < 5; ++attempt) {
        if (!lockData(LockKind::Shared, waitMs))
            return false;
        // A writer holds the exclusive lock for as long as its journal exists; the shared
        // lock in hand, a journal is one of a writer that died.
        if (!Journal::existsFor(path_))
            return true;
        os_.unlock(LockSlot::Data);
        recoverFromOtherDescriptor(path_, waitMs);
    }
    throw Error(QStringLiteral("%1: an interrupted change keeps coming back; try again later").arg(name_));
}

bool DbfFile::lockForWrite(int waitMs)
{
    if (!lockData(LockKind::Exclusive, waitMs))
        return false;
    if (Journal::existsFor(path_)) {
        Journal::rollback(os_, path_);
        dropCache();
    }
    return true;
}

void DbfFile::recoverFromOtherDescriptor(const QString& path, int waitMs)
{
    const QString name = QFileInfo(path).fileName();
    OsFile rw;
    rw.open(path, OsFile::Mode::ReadWrite);
    if (!rw.writable())
        throw Error(QStringLiteral("%1: a change interrupted by a crash must be undone before the table is read, "
                                   "and the file cannot be written")
                        .arg(name));
    if (!rw.lock(LockSlot::Entry, LockKind::Exclusive, waitMs) || !rw.lock(LockSlot::Data, LockKind::Exclusive, waitMs))
        throw Error(lockedMessage(name));
    rw.unlock(LockSlot::Entry);
    Journal::rollback(rw, path);
}

void DbfFile::readHeader()
{
    const FileStamp st = os_.stamp();
    std::vector<unsigned char> head(std::size_t(std::min<std::uint64_t>(st.size, 65536 + 64)));
    const std::size_t got = os_.readAt(0, head.data(), head.size());
    schema_ = parseHeader(head.data(), got, st.size, name_);
    counter_ = got >= 20 ? le32(head.data() + 16) : 0;
    count_ = schema_.recordCount;
    onDisk_ = count_;
    stamp_ = st;
}

void DbfFile::openCodec()
{
    closeCodec();
    dropCache();
    hook_->pos = 0; // shapelib reads the header of a freshly opened file without seeking
    SAHooks hooks = makeHooks();
    t_opening = hook_.get();
    const QByteArray native = QFile::encodeName(path_);
    DBFHandle h = DBFOpenLL(native.constData(), "rb", &hooks);
    t_opening = nullptr;
    if (!h)
        throw Error(QStringLiteral("%1: the table could not be opened (%2)").arg(name_, lastError()));
    if (DBFGetRecordCount(h) != int(schema_.recordCount) || DBFGetFieldCount(h) != int(schema_.fields.size())) {
        DBFClose(h);
        throw Error(QStringLiteral("%1: the header could not be read consistently").arg(name_));
    }
    dbf_ = h;
}

void DbfFile::setCodecCount(std::uint32_t n)
{
    // The codec is read-only: the count is where it stops reading, never written back.
    if (dbf_)
        H(dbf_)->nRecords = int(n);
}

void DbfFile::closeCodec()
{
    if (dbf_)
        DBFClose(H(dbf_)); // opened for reading: writes nothing
    dbf_ = nullptr;
}

void DbfFile::close()
{
    if (changing_) {
        try {
            rollbackChanges();
        } catch (const Error&) {
            // The journal stays, and the next process to lock the table undoes the statement.
        }
    }
    journal_.close();
    closeCodec();
    os_.close();
    held_.clear();
    bulk_.clear();
}

void DbfFile::dropCache()
{
    hook_->blockLen = 0;
    if (dbf_)
        H(dbf_)->nCurrentRecord = -1;
}

DbfFile::Refresh DbfFile::refresh()
{
    const FileStamp disk = stampOf(path_);
    if (disk.inode != stamp_.inode || disk.device != stamp_.device) {
        // Replaced by a finished copy (pack, widen): follow the name.
        open(path_, access_);
        return Refresh::Reopened;
    }
    const FileStamp now = os_.stamp();
    unsigned char head[20] = {}; // a file cut below its header reads as a changed one
    const bool full = os_.readAt(0, head, sizeof head) == sizeof head;
    const std::uint32_t count = le32(head + 4);
    const std::uint32_t counter = full ? le32(head + 16) : 0;
    if (now == stamp_ && count == schema_.recordCount && counter == counter_)
        return Refresh::Same;
    readHeader();
    openCodec();
    return Refresh::Changed;
}

const char* DbfFile::record(std::uint32_t recno)
{
    if (recno >= count_)
        throw Error(QStringLiteral("%1: record %2 does not exist").arg(name_).arg(recno + 1));
    if (!held_.empty()) {
        const auto it = held_.find(recno);
        if (it != held_.end())
            return it->second.data();
    }
    const char* raw = DBFReadTuple(H(dbf_), int(recno));
    if (!raw)
        throw Error(QStringLiteral("%1: record %2 could not be read (%3)").arg(name_).arg(recno + 1).arg(lastError()));
    return raw;
}

void DbfFile::forEachRun(const std::function<void(std::uint32_t, std::uint32_t, const char*)>& fn)
{
    const std::size_t len = std::size_t(schema_.recordLength);
    const std::uint64_t body = std::uint64_t(schema_.headerLength);
    // Records [first, first + n) at base, but for those held in memory.
    auto recordsOf = [&](std::uint32_t start, std::uint32_t n, const char* base) {
        const std::uint32_t end = start + n;
        std::uint32_t from = start;
        for (auto it = held_.lower_bound(start); it != held_.end() && it->first < end; ++it) {
            if (it->first > from)
                fn(from, it->first - from, base + std::size_t(from - start) * len);
            fn(it->first, 1, it->second.data());
            from = it->first + 1;
        }
        if (from < end)
            fn(from, end - from, base + std::size_t(from - start) * len);
    };
    // Mapped, the records are scanned where the system cache holds them; read into a buffer,
    // every byte of the table is copied once more first (about a fifth of the time it takes
    // to index a large table). The caller holds the data lock, so the file is not cut short
    // under the view.
    const std::uint64_t bytes = std::uint64_t(onDisk_) * len;
    FileView view;
    if (onDisk_ > 0 && os_.size() >= body + bytes && bytes <= std::numeric_limits<std::size_t>::max()
        && os_.mapView(body, std::size_t(bytes), view)) {
        recordsOf(0, onDisk_, view.data());
    } else {
        const std::uint32_t perBlock = std::uint32_t(std::max<std::size_t>(1, (std::size_t(4) << 20) / len));
        std::vector<char> buf;
        for (std::uint32_t first = 0; first < onDisk_; first += perBlock) {
            const std::uint32_t n = std::min(perBlock, onDisk_ - first);
            buf.resize(std::size_t(n) * len);
            const std::size_t got = os_.readAt(body + std::uint64_t(first) * len, buf.data(), buf.size());
            if (got < buf.size())
                throw Error(QStringLiteral("%1: record %2 could not be read (the file ends early)").arg(name_).arg(first + got / len + 1));
            recordsOf(first, n, buf.data());
        }
    }
    for (std::uint32_t r = onDisk_; r < count_; ++r)
        fn(r, 1, held_.at(r).data());
}

// ---------------------------------------------------------------- a statement's changes

void DbfFile::beginChanges(std::size_t heldLimit)
{
    if (changing_)
        rollbackChanges();
    changing_ = true;
    heldLimit_ = heldLimit;
    forgetChanges();
}

// Back to the table as its header last said: no record held, none journaled.
void DbfFile::forgetChanges()
{
    held_.clear();
    heldBytes_ = 0;
    journaled_.clear();
    count_ = schema_.recordCount;
    onDisk_ = count_;
}

void DbfFile::change(std::uint32_t recno, const char* raw)
{
    if (!changing_)
        throw Error(QStringLiteral("%1: a change outside a statement").arg(name_));
    if (!forWrite_)
        throw Error(QStringLiteral("%1 cannot be written: the file is read-only").arg(name_));
    if (recno > count_)
        throw Error(QStringLiteral("%1: record %2 does not exist").arg(name_).arg(recno + 1));
    if (recno == count_)
        ++count_;
    std::string& slot = held_[recno];
    if (slot.empty())
        heldBytes_ += std::size_t(schema_.recordLength);
    slot.assign(raw, std::size_t(schema_.recordLength));
    if (heldBytes_ > heldLimit_)
        flushChanges(true);
}

void DbfFile::markDeleted(std::uint32_t recno)
{
    std::string rec(record(recno), std::size_t(schema_.recordLength));
    rec[0] = kDeletedFlag;
    change(recno, rec.data());
}

// Writes the held changes: their original bytes to the journal first, then the records.
void DbfFile::flushChanges(bool durable)
{
    const std::uint64_t len = std::uint64_t(schema_.recordLength);
    const std::uint32_t base = schema_.recordCount;
    if (!journal_.isOpen()) {
        // What undoing the statement needs: the file's length, its header and what follows
        // the records (the end mark), which appended records overwrite.
        const std::uint64_t size = os_.size();
        const std::uint64_t recordsEnd = std::uint64_t(schema_.headerLength) + base * len;
        std::string head(32, '\0'), trailing;
        os_.readAt(0, head.data(), 32);
        if (size > recordsEnd) {
            trailing.resize(std::size_t(size - recordsEnd));
            os_.readAt(recordsEnd, trailing.data(), trailing.size());
        }
        journal_.begin(path_, size, recordsEnd, head, trailing);
    }
    std::string original(std::size_t(len), '\0');
    for (const auto& [r, raw] : held_) {
        if (r >= base || journaled_.count(r))
            continue; // an appended record goes with the length; a record is saved once
        const std::uint64_t at = std::uint64_t(schema_.headerLength) + r * len;
        if (os_.readAt(at, original.data(), original.size()) != original.size())
            throw Error(QStringLiteral("%1: record %2 could not be read").arg(name_).arg(r + 1));
        journal_.add(at, original.data(), original.size());
        journaled_.insert(r);
    }
    journal_.write(durable);
    // Then the table, a run of consecutive records in one write; the run that reaches past
    // the records on disk carries the end mark.
    std::string run;
    auto it = held_.begin();
    while (it != held_.end()) {
        const std::uint32_t first = it->first;
        std::uint32_t next = first;
        run.clear();
        while (it != held_.end() && it->first == next) {
            run += it->second;
            ++next;
            ++it;
        }
        if (next > onDisk_)
            run += kEndOfFile;
        changes::write(os_, std::uint64_t(schema_.headerLength) + first * len, run.data(), run.size());
        onDisk_ = std::max(onDisk_, next);
    }
    held_.clear();
    heldBytes_ = 0;
    setCodecCount(onDisk_);
    dropCache();
}

void DbfFile::commitChanges()
{
    if (!changing_)
        return;
    if (held_.empty() && !journal_.isOpen()) {
        changing_ = false;
        return; // nothing changed
    }
    // A statement that changes one record is written in the order that keeps it whole
    // against a crash of the program, without waiting for the disk; one that changes several
    // forces the journal to disk before the table, and the table before the journal goes.
    const bool durable = journal_.isOpen() || held_.size() > 1;
    flushChanges(durable);
    std::string head(32, '\0');
    os_.readAt(0, head.data(), 32);
    stampHeader(head, count_, counter_ + 1);
    changes::write(os_, 0, head.data(), head.size());
    if (durable)
        os_.sync();
    journal_.finish(durable);
    changing_ = false;
    journaled_.clear();
    ++counter_;
    schema_.recordCount = count_;
    onDisk_ = count_;
    setCodecCount(count_);
    dropCache();
    stamp_ = os_.stamp();
}

void DbfFile::rollbackChanges()
{
    changing_ = false;
    forgetChanges();
    setCodecCount(count_);
    if (!journal_.isOpen())
        return; // nothing reached the table
    journal_.close();
    Journal::rollback(os_, path_);
    readHeader();
    openCodec();
}

void DbfFile::writeRecord(std::uint32_t recno, const char* raw)
{
    beginChanges();
    try {
        change(recno, raw);
        commitChanges();
    } catch (...) {
        rollbackChanges();
        throw;
    }
}

// ---------------------------------------------------------------- building a new file

void DbfFile::appendUnflushed(const char* raw)
{
    if (bulk_.empty())
        bulkFirst_ = count_;
    bulk_.append(raw, std::size_t(schema_.recordLength));
    ++count_;
    if (bulk_.size() >= (std::size_t(1) << 20))
        flushBulk();
}

void DbfFile::flushBulk()
{
    if (bulk_.empty())
        return;
    bulk_ += kEndOfFile;
    changes::write(os_, std::uint64_t(schema_.headerLength) + std::uint64_t(bulkFirst_) * std::uint64_t(schema_.recordLength),
                   bulk_.data(), bulk_.size());
    bulk_.clear();
    onDisk_ = count_;
}

void DbfFile::finish()
{
    flushBulk();
    std::string head(32, '\0');
    os_.readAt(0, head.data(), 32);
    stampHeader(head, count_, counter_);
    changes::write(os_, 0, head.data(), head.size());
    schema_.recordCount = count_;
    setCodecCount(count_);
    dropCache();
    stamp_ = os_.stamp();
}

void DbfFile::create(const QString& path, const Schema& schema)
{
    t_lastError.clear();
    OsFile os;
    changes::create(os, path);
    HookFile hook;
    hook.os = &os;
    SAHooks hooks = makeHooks();
    const std::string cp = "LDID/" + std::to_string(int(schema.languageDriver));
    t_opening = &hook;
    const QByteArray native = QFile::encodeName(path);
    DBFHandle h = DBFCreateLL(native.constData(), cp.c_str(), &hooks);
    t_opening = nullptr;
    const QString name = QFileInfo(path).fileName();
    if (!h)
        throw Error(QStringLiteral("%1 could not be created (%2)").arg(name, lastError()));
    for (const Field& f : schema.fields) {
        if (DBFAddNativeFieldType(h, f.name.c_str(), f.type, f.width, f.decimals) < 0) {
            DBFClose(h);
            throw Error(QStringLiteral("%1: column %2 could not be added (%3)").arg(name, QString::fromStdString(f.name), lastError()));
        }
    }
    stampToday(h);
    DBFUpdateHeader(h);
    DBFClose(h);
    if (!t_lastError.empty())
        throw Error(QStringLiteral("%1 could not be written (%2)").arg(name, lastError()));
    // shapelib writes version 0x03; keep the version asked for (a rebuilt dBASE IV table stays IV).
    if (schema.version != 0x03) {
        const char v = char(schema.version);
        changes::write(os, 0, &v, 1);
    }
    os.sync();
}

} // namespace tk::dbf
