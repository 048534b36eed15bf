#include "store/dbf/Restructure.h"

#include "store/dbf/DbfFile.h"
#include "common/Error.h"

#include <QFileInfo>
#include <cstring>
#include <functional>

namespace tk::dbf {
namespace {

void openExclusive(DbfFile& f, const QString& path)
{
    f.open(path, DbfFile::Access::ReadWrite);
    // lockForWrite also undoes a statement whose writer died since the open.
    if (!f.os().tryLock(LockSlot::Presence, LockKind::Exclusive) || !f.lockForWrite(0))
        throw Error(QStringLiteral("%1 is in use by another program and cannot be opened exclusively").arg(f.name()));
    // The file may have been replaced between our open and our lock.
    if (f.refresh() == DbfFile::Refresh::Reopened)
        throw Error(QStringLiteral("%1 was replaced while it was being opened; try again").arg(f.name()));
}

// Builds the new table from `schema` with `copy` writing each kept record, then puts it in
// place of the old file.
void rebuild(DbfFile& old, Schema schema, const std::function<bool(const char* in, std::string& out)>& copy)
{
    const QString work = DbfFile::workPath(old.path());
    schema.recordCount = 0;
    try {
        DbfFile::create(work, schema);
        DbfFile out;
        out.open(work, DbfFile::Access::ReadWrite);
        std::string rec;
        for (std::uint32_t r = 0; r < old.recordCount(); ++r) {
            const char* raw = old.record(r);
            rec.assign(std::size_t(out.schema().recordLength), ' ');
            if (copy(raw, rec))
                out.appendUnflushed(rec.data());
        }
        out.finish();
        out.os().sync();
        out.close();
        replaceFile(work, old.path());
    } catch (...) {
        removeFileIfExists(work);
        throw;
    }
}

} // namespace

void packTable(const QString& path)
{
    DbfFile f;
    openExclusive(f, path);
    const int len = f.schema().recordLength;
    rebuild(f, f.schema(), [len](const char* in, std::string& out) {
        if (DbfFile::isDeleted(in))
            return false;
        out.assign(in, std::size_t(len));
        return true;
    });
}

bool widenAccountColumn(const QString& path)
{
    DbfFile f;
    openExclusive(f, path);
    const Schema& s = f.schema();
    int col = -1;
    for (std::size_t i = 0; i < s.fields.size(); ++i) {
        const QString n = QString::fromStdString(s.fields[i].name);
        if (n.startsWith(QLatin1String("PERS"), Qt::CaseInsensitive)) {
            col = int(i);
            break;
        }
    }
    if (col < 0 || !s.fields[std::size_t(col)].isNumeric() || s.fields[std::size_t(col)].width != 9)
        return false;
    Schema wide = s;
    wide.fields[std::size_t(col)].width = 10;
    Schema laid = wide;
    makeHeader(laid, 2000, 1, 1); // computes the new offsets
    rebuild(f, wide, [&](const char* in, std::string& out) {
        out[0] = in[0]; // deletion flag kept
        for (std::size_t i = 0; i < s.fields.size(); ++i) {
            const Field& from = s.fields[i];
            const Field& to = laid.fields[i];
            // Numbers are right-aligned, so the wider field is the old one after a blank.
            std::memcpy(out.data() + to.offset + (to.width - from.width), in + from.offset, std::size_t(from.width));
        }
        return true;
    });
    return true;
}

void createTable(const QString& path, const Schema& schema)
{
    if (QFileInfo::exists(path))
        throw Error(QStringLiteral("%1 already exists").arg(QFileInfo(path).fileName()));
    const QString work = DbfFile::workPath(path);
    try {
        DbfFile::create(work, schema);
        replaceFile(work, path);
    } catch (...) {
        removeFileIfExists(work);
        throw;
    }
}

} // namespace tk::dbf
