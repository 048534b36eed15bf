#include "store/dbf/Journal.h"
#include "store/dbf/LittleEndian.h"

#include "store/dbf/WriteFault.h"
#include "common/Error.h"

#include <QFileInfo>
#include <cstring>
#include <vector>

namespace tk::dbf {
namespace {

constexpr char kMagic[8] = {'T', 'K', 'D', 'B', 'F', 'J', 'N', '1'};
constexpr std::size_t kHeadFixed = 8 + 8 + 8 + 4 + 32; // magic, size, records end, trailing length, file header
constexpr std::size_t kEntryHead = 8 + 4;               // offset, length

std::uint32_t checksum(const char* p, std::size_t n, std::uint32_t h = 2166136261u)
{
    for (std::size_t i = 0; i < n; ++i) {
        h ^= static_cast<unsigned char>(p[i]);
        h *= 16777619u;
    }
    return h;
}

QString directoryOf(const QString& path) { return QFileInfo(path).absolutePath(); }

} // namespace

QString Journal::pathFor(const QString& tablePath)
{
    const QFileInfo fi(tablePath);
    return fi.absolutePath() + QStringLiteral("/.") + fi.fileName() + QStringLiteral(".journal");
}

bool Journal::existsFor(const QString& tablePath) { return QFileInfo::exists(pathFor(tablePath)); }

void Journal::begin(const QString& tablePath, std::uint64_t originalSize, std::uint64_t recordsEnd,
                    const std::string& fileHeader, const std::string& trailing)
{
    close();
    path_ = pathFor(tablePath);
    changes::create(file_, path_);
    synced_ = false;
    end_ = 0;
    pending_.assign(kMagic, sizeof kMagic);
    appendLe<std::uint64_t>(pending_, originalSize);
    appendLe<std::uint64_t>(pending_, recordsEnd);
    appendLe<std::uint32_t>(pending_, std::uint32_t(trailing.size()));
    pending_.append(fileHeader.data(), 32);
    pending_ += trailing;
    appendLe<std::uint32_t>(pending_, checksum(pending_.data(), pending_.size()));
}

void Journal::add(std::uint64_t offset, const char* bytes, std::size_t n)
{
    const std::size_t at = pending_.size();
    appendLe<std::uint64_t>(pending_, offset);
    appendLe<std::uint32_t>(pending_, std::uint32_t(n));
    pending_.append(bytes, n);
    appendLe<std::uint32_t>(pending_, checksum(pending_.data() + at, pending_.size() - at));
}

void Journal::write(bool durable)
{
    if (!pending_.empty()) {
        changes::write(file_, end_, pending_.data(), pending_.size());
        end_ += pending_.size();
        pending_.clear();
    }
    if (durable) {
        file_.sync();
        if (!synced_)
            syncDirectory(directoryOf(path_)); // the journal's name must be on disk before the table changes
        synced_ = true;
    }
}

void Journal::finish(bool durable)
{
    file_.close();
    changes::remove(path_);
    if (durable)
        syncDirectory(directoryOf(path_));
    pending_.clear();
}

void Journal::close()
{
    file_.close();
    pending_.clear();
}

bool Journal::rollback(OsFile& table, const QString& tablePath)
{
    const QString path = pathFor(tablePath);
    OsFile j;
    try {
        j.open(path, OsFile::Mode::ReadOnly);
    } catch (const Error&) {
        if (!QFileInfo::exists(path))
            return false;
        throw;
    }
    const std::uint64_t size = j.size();
    std::string head(kHeadFixed, '\0');
    bool valid = size >= kHeadFixed + 4 && j.readAt(0, head.data(), kHeadFixed) == kHeadFixed
        && std::memcmp(head.data(), kMagic, sizeof kMagic) == 0;
    std::uint64_t originalSize = 0, recordsEnd = 0;
    std::string trailing;
    std::uint64_t pos = 0;
    if (valid) {
        originalSize = le64(head.data() + 8);
        recordsEnd = le64(head.data() + 16);
        const std::uint32_t tlen = le32(head.data() + 24);
        valid = tlen <= size && kHeadFixed + tlen + 4 <= size && recordsEnd + tlen == originalSize;
        if (valid) {
            trailing.resize(tlen);
            char sum[4];
            j.readAt(kHeadFixed, trailing.data(), tlen);
            j.readAt(kHeadFixed + tlen, sum, 4);
            std::string all = head + trailing;
            valid = le32(sum) == checksum(all.data(), all.size());
            pos = kHeadFixed + tlen + 4;
        }
    }
    // A head that is not whole was being written when the writer died: it had not touched
    // the table yet, so there is nothing to undo.
    if (valid) {
        std::vector<char> entry;
        while (pos + kEntryHead + 4 <= size) {
            char eh[kEntryHead];
            j.readAt(pos, eh, kEntryHead);
            const std::uint64_t offset = le64(eh);
            const std::uint32_t n = le32(eh + 8);
            if (pos + kEntryHead + n + 4 > size || offset + n > originalSize)
                break;
            entry.resize(kEntryHead + n + 4);
            j.readAt(pos, entry.data(), entry.size());
            if (le32(entry.data() + kEntryHead + n) != checksum(entry.data(), kEntryHead + n))
                break; // cut short: the table was not written past the entries before it
            changes::write(table, offset, entry.data() + kEntryHead, n);
            pos += entry.size();
        }
        // Appended records go; what followed the records (the end mark) comes back.
        if (table.size() != originalSize)
            changes::truncate(table, originalSize);
        if (!trailing.empty())
            changes::write(table, recordsEnd, trailing.data(), trailing.size());
        // The original header, with our write counter moved on so that every connection
        // that may have cached the table looks at it again.
        std::string fh(head.data() + 28, 32);
        storeLe(fh.data() + 16, le32(fh.data() + 16) + 1);
        changes::write(table, 0, fh.data(), fh.size());
        table.sync();
    }
    j.close();
    changes::remove(path);
    syncDirectory(directoryOf(path));
    return true;
}

} // namespace tk::dbf
