#include "store/dbf/DbfFile.h"

#include "common/Error.h"

#include <QDate>
#include <QFileInfo>
#include <cstdlib>
#include <cstring>
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
long long g_faultBudget = -1;
FaultAction g_faultAction = FaultAction::FailWrite;

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
    HookFile* h = hf(file);
    std::size_t n = std::size_t(size * nmemb);
    bool cut = false;
    if (g_faultBudget >= 0 && (long long)n > g_faultBudget) {
        n = std::size_t(g_faultBudget);
        cut = true;
    }
    try {
        h->os->writeAt(h->pos, p, n);
    } catch (const Error& e) {
        t_lastError = e.message().toStdString();
        return 0;
    }
    if (g_faultBudget >= 0)
        g_faultBudget -= (long long)n;
    if (h->blockLen && h->pos < h->blockStart + h->blockLen && h->pos + n > h->blockStart)
        h->blockLen = 0;
    h->pos += n;
    if (cut) {
        if (g_faultAction == FaultAction::ExitProcess)
            std::_Exit(77);
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

} // namespace

void setWriteFault(long long bytes, FaultAction action)
{
    g_faultBudget = bytes;
    g_faultAction = action;
}

DbfFile::DbfFile() : hook_(std::make_unique<HookFile>()) { hook_->os = &os_; }
DbfFile::~DbfFile() { close(); }

bool DbfFile::isOpen() const { return dbf_ != nullptr; }

void DbfFile::open(const QString& path, Access access)
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
        readHeader();
        openCodec();
    } catch (...) {
        close();
        throw;
    }
}

void DbfFile::readHeader()
{
    const FileStamp st = os_.stamp();
    std::vector<unsigned char> head(std::size_t(std::min<std::uint64_t>(st.size, 65536 + 64)));
    const std::size_t got = os_.readAt(0, head.data(), head.size());
    schema_ = parseHeader(head.data(), got, st.size, name_);
    counter_ = got >= 20 ? (head[16] | (head[17] << 8) | (head[18] << 16) | (std::uint32_t(head[19]) << 24)) : 0;
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
    DBFHandle h = DBFOpenLL(native.constData(), forWrite_ ? "rb+" : "rb", &hooks);
    t_opening = nullptr;
    if (!h)
        throw Error(QStringLiteral("%1: the table could not be opened (%2)").arg(name_, lastError()));
    if (DBFGetRecordCount(h) != int(schema_.recordCount) || DBFGetFieldCount(h) != int(schema_.fields.size())) {
        DBFClose(h);
        throw Error(QStringLiteral("%1: the header could not be read consistently").arg(name_));
    }
    DBFSetWriteEndOfFileChar(h, 1);
    dbf_ = h;
}

void DbfFile::closeCodec()
{
    if (dbf_)
        DBFClose(H(dbf_));
    dbf_ = nullptr;
}

void DbfFile::close()
{
    closeCodec();
    os_.close();
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
    const std::uint32_t count = head[4] | (head[5] << 8) | (head[6] << 16) | (std::uint32_t(head[7]) << 24);
    const std::uint32_t counter = full ? (head[16] | (head[17] << 8) | (head[18] << 16) | (std::uint32_t(head[19]) << 24)) : 0;
    if (now == stamp_ && count == schema_.recordCount && counter == counter_)
        return Refresh::Same;
    readHeader();
    openCodec();
    return Refresh::Changed;
}

const char* DbfFile::record(std::uint32_t recno)
{
    if (recno >= schema_.recordCount)
        throw Error(QStringLiteral("%1: record %2 does not exist").arg(name_).arg(recno + 1));
    const char* raw = DBFReadTuple(H(dbf_), int(recno));
    if (!raw)
        throw Error(QStringLiteral("%1: record %2 could not be read (%3)").arg(name_).arg(recno + 1).arg(lastError()));
    return raw;
}

void DbfFile::writeRecord(std::uint32_t recno, const char* raw)
{
    DBFHandle h = H(dbf_);
    t_lastError.clear();
    stampToday(h);
    if (!DBFWriteTuple(h, int(recno), const_cast<char*>(raw)) || (DBFUpdateHeader(h), !t_lastError.empty()))
        throw Error(QStringLiteral("%1: record %2 could not be written (%3)").arg(name_).arg(recno + 1).arg(lastError()));
    schema_.recordCount = std::uint32_t(DBFGetRecordCount(h));
}

void DbfFile::appendUnflushed(const char* raw)
{
    t_lastError.clear();
    if (!DBFWriteTuple(H(dbf_), DBFGetRecordCount(H(dbf_)), const_cast<char*>(raw)) || !t_lastError.empty())
        throw Error(QStringLiteral("%1: record %2 could not be written (%3)").arg(name_).arg(DBFGetRecordCount(H(dbf_))).arg(lastError()));
}

void DbfFile::finish()
{
    DBFHandle h = H(dbf_);
    t_lastError.clear();
    stampToday(h);
    DBFUpdateHeader(h);
    if (!t_lastError.empty())
        throw Error(QStringLiteral("%1 could not be written (%2)").arg(name_, lastError()));
    schema_.recordCount = std::uint32_t(DBFGetRecordCount(h));
}

void DbfFile::markDeleted(std::uint32_t recno)
{
    DBFHandle h = H(dbf_);
    t_lastError.clear();
    stampToday(h);
    if (!DBFMarkRecordDeleted(h, int(recno), 1) || (DBFUpdateHeader(h), !t_lastError.empty()))
        throw Error(QStringLiteral("%1: record %2 could not be deleted (%3)").arg(name_).arg(recno + 1).arg(lastError()));
}

void DbfFile::truncateRecords(std::uint32_t count)
{
    if (count >= schema_.recordCount)
        return;
    closeCodec();
    const std::uint64_t end = std::uint64_t(schema_.headerLength) + std::uint64_t(count) * schema_.recordLength;
    const char eof = kEndOfFile;
    os_.writeAt(end, &eof, 1);
    os_.truncate(end + 1);
    unsigned char c[4] = {static_cast<unsigned char>(count & 0xFF), static_cast<unsigned char>((count >> 8) & 0xFF),
                          static_cast<unsigned char>((count >> 16) & 0xFF), static_cast<unsigned char>(count >> 24)};
    os_.writeAt(4, c, 4);
    readHeader();
    openCodec();
}

void DbfFile::bumpWriteCounter()
{
    ++counter_;
    unsigned char c[4] = {static_cast<unsigned char>(counter_ & 0xFF), static_cast<unsigned char>((counter_ >> 8) & 0xFF),
                          static_cast<unsigned char>((counter_ >> 16) & 0xFF), static_cast<unsigned char>(counter_ >> 24)};
    os_.writeAt(16, c, 4);
    stamp_ = os_.stamp();
}

void DbfFile::create(const QString& path, const Schema& schema)
{
    t_lastError.clear();
    OsFile os;
    os.open(path, OsFile::Mode::CreateTruncate);
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
        os.writeAt(0, &v, 1);
    }
    os.sync();
}

} // namespace tk::dbf
