// Fuzz entry point of the table-file reader. Each input is taken as the bytes of a table
// file and sent down every path that reads one: the header parser and field decoder on the
// bytes in memory, then the same bytes as a file on disk through the codec, the SQL module
// and the table view. No input may crash, hang or read out of bounds (the sanitizers of the
// libFuzzer build see to that), and the paths must agree with each other: a file the parser
// accepts opens with the same layout and the same record bytes, every refusal names the file,
// and SQL and the view see exactly the live records. A disagreement aborts, so the plain
// replay driver run by ctest fails on it too.
#include "FuzzDbfReader.h"

#include "store/dbf/DbfFile.h"
#include "common/Error.h"
#include "store/dbf/LocalSql.h"
#include "store/dbf/TableModel.h"

#include <QDir>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace tk::fuzz {
namespace {

const QString kName = QStringLiteral("Fuzz.dbf");

[[noreturn]] void broken(const char* what, const QString& detail = {})
{
    std::fprintf(stderr, "fuzz_dbf_reader: %s%s%s\n", what, detail.isEmpty() ? "" : ": ", detail.toUtf8().constData());
    std::abort();
}

void expectNamed(const Error& e, const char* where)
{
    if (!e.message().contains(kName))
        broken(where, QStringLiteral("message does not name the file: ") + e.message());
}

const QString& scratchDir()
{
    static QTemporaryDir dir;
    static const QString path = dir.isValid() ? dir.path() : QString();
    if (path.isEmpty())
        broken("no temporary directory");
    return path;
}

// Decodes every field of every record held in memory; false once a field is refused.
bool decodeAll(const dbf::Schema& s, const unsigned char* data, std::uint32_t& live, QString& firstError)
{
    dbf::Value v;
    bool ok = true;
    live = 0;
    for (std::uint32_t r = 0; r < s.recordCount; ++r) {
        const char* raw = reinterpret_cast<const char*>(data) + s.headerLength + std::size_t(r) * std::size_t(s.recordLength);
        const bool deleted = dbf::DbfFile::isDeleted(raw);
        live += !deleted;
        for (const dbf::Field& f : s.fields) {
            try {
                decodeField(f, s.codePage, raw, v, {kName, long(r)});
            } catch (const Error& e) {
                expectNamed(e, "decodeField");
                // Deleted records are never shown, so only a live one makes the table unreadable.
                if (!deleted && ok) {
                    ok = false;
                    firstError = e.message();
                }
            }
        }
    }
    return ok;
}

} // namespace

Outcome readTable(const std::uint8_t* data, std::size_t size)
{
    Outcome out;

    // 1. The header parser and the field decoder on the bytes in memory.
    dbf::Schema schema;
    bool parsed = false;
    try {
        schema = dbf::parseHeader(data, size, size, kName);
        parsed = true;
    } catch (const Error& e) {
        expectNamed(e, "parseHeader");
        out.message = e.message();
    }
    bool decodes = false;
    std::uint32_t live = 0;
    if (parsed) {
        if (std::uint64_t(schema.headerLength) + std::uint64_t(schema.recordCount) * std::uint64_t(schema.recordLength) > size)
            broken("parseHeader accepted a record count larger than the file");
        QString why;
        decodes = decodeAll(schema, data, live, why);
        if (!decodes)
            out.message = why;
    }

    // 2. The same bytes as a file, through the codec.
    const QString path = QDir(scratchDir()).filePath(kName);
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)
            || f.write(reinterpret_cast<const char*>(data), qint64(size)) != qint64(size))
            broken("cannot write the input file");
    }
    {
        dbf::DbfFile file;
        try {
            file.open(path, dbf::DbfFile::Access::ReadOnly);
        } catch (const Error& e) {
            expectNamed(e, "DbfFile::open");
            if (parsed)
                broken("the parser accepted a file the codec refuses", e.message());
            if (e.message() != out.message)
                broken("the codec refuses for another reason than the parser", e.message() + " / " + out.message);
            return out;
        }
        if (!parsed)
            broken("the codec opened a file the parser refuses", out.message);
        const dbf::Schema& s = file.schema();
        if (s.recordCount != schema.recordCount || s.headerLength != schema.headerLength
            || s.recordLength != schema.recordLength || s.fields.size() != schema.fields.size())
            broken("the codec sees another layout than the parser");
        for (std::uint32_t r = 0; r < s.recordCount; ++r) {
            const char* raw = file.record(r);
            if (std::memcmp(raw, data + s.headerLength + std::size_t(r) * std::size_t(s.recordLength), std::size_t(s.recordLength)) != 0)
                broken("the codec returned other record bytes than the file holds");
        }
    }
    out.opened = true;

    // 3. SQL over the directory: every column of every live record, and a look-up through an index.
    try {
        store::LocalSql sql(scratchDir());
        sql.setLockTimeout(0);
        const store::Rows all = sql.select({QStringLiteral("SELECT * FROM fuzz")});
        const QString first = QString::fromStdString(schema.fields.front().name);
        sql.select({QStringLiteral("SELECT COUNT(*) FROM fuzz WHERE \"%1\" = 1").arg(first)});
        if (!decodes)
            broken("SQL read a record the decoder refuses", out.message);
        if (std::uint32_t(all.size()) != live)
            broken("SQL does not see exactly the live records",
                   QStringLiteral("%1 rows, %2 live").arg(all.size()).arg(live));
        out.rows = all.size();
    } catch (const Error& e) {
        expectNamed(e, "LocalSql");
        if (decodes)
            broken("SQL refused a table whose every record decodes", e.message());
    }

    // 4. The table view: row count from the deletion flags, then every cell by position.
    {
        dbf::TableModel view;
        try {
            view.open(path);
        } catch (const Error& e) {
            broken("the view refused a file the codec opened", e.message());
        }
        if (std::uint32_t(view.rowCount()) != live)
            broken("the view does not count exactly the live records");
        for (int r = 0; r < view.rowCount(); ++r)
            for (int c = 0; c < view.columnCount(); ++c)
                view.data(view.index(r, c)); // a damaged cell shows its message
    }
    return out;
}

} // namespace tk::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    tk::fuzz::readTable(data, size);
    return 0;
}
