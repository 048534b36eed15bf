// tk-table: the table tool of the office installation and of support.
//
//   tk-table create DIR [TABLE...]    empty tables with the programs' layouts (all seven
//                                     when none is named); existing files are left alone
//   tk-table info FILE                structure and row count of a table
//   tk-table sql DIR STATEMENT [NAME=KIND:VALUE...]
//                                     one statement of the local SQL; rows as tab-separated
//                                     text with a header line. KIND: text, real, int, date
//                                     (YYYY-MM-DD) or null (NAME=null)
//   tk-table demo DIR [--today YYYY-MM-DD]
//                                     the demo working directory: routes, readings up to
//                                     today, balance groups; only into missing or empty tables
#include "DemoContent.h"
#include "store/dbf/DbfFile.h"
#include "common/Error.h"
#include "store/dbf/LocalSql.h"
#include "store/dbf/Restructure.h"
#include "store/dbf/StandardTables.h"

#include <QCoreApplication>
#include <QDir>
#include <QTextStream>
#include <cstdio>

using namespace tk;

namespace {

QTextStream& out()
{
    static QTextStream s(stdout);
    return s;
}

int usage()
{
    QTextStream(stderr) << "usage: tk-table create DIR [TABLE...]\n"
                           "       tk-table info FILE\n"
                           "       tk-table sql DIR STATEMENT [NAME=KIND:VALUE...]\n"
                           "       tk-table demo DIR [--today YYYY-MM-DD]\n";
    return 2;
}

int create(const QStringList& args)
{
    if (args.isEmpty())
        return usage();
    const QDir dir(args[0]);
    if (!dir.exists())
        throw Error(QStringLiteral("The directory %1 does not exist").arg(args[0]));
    std::vector<const dbf::StandardTable*> tables;
    if (args.size() == 1) {
        for (const auto& t : dbf::standardTables())
            tables.push_back(&t);
    } else {
        for (const QString& name : args.mid(1)) {
            const auto* t = dbf::standardTable(name);
            if (!t)
                throw Error(QStringLiteral("%1 is not one of the tables: Telv1, Telv2, Vakl4, VaklDr, VaklPdr, Route, Balance").arg(name));
            tables.push_back(t);
        }
    }
    int made = 0;
    for (const auto* t : tables) {
        const QString stem = t->fileName.chopped(4);
        bool exists = false;
        for (const QFileInfo& fi : dir.entryInfoList(QDir::Files))
            if (fi.suffix().compare(QLatin1String("dbf"), Qt::CaseInsensitive) == 0 && fi.completeBaseName().compare(stem, Qt::CaseInsensitive) == 0) {
                out() << fi.fileName() << ": exists, left as it is\n";
                exists = true;
            }
        if (exists)
            continue;
        dbf::createTable(dir.filePath(t->fileName), t->schema);
        out() << t->fileName << ": created\n";
        ++made;
    }
    return 0;
}

int info(const QStringList& args)
{
    if (args.size() != 1)
        return usage();
    dbf::DbfFile f;
    f.open(args[0], false);
    const auto& s = f.schema();
    long live = 0;
    for (std::uint32_t r = 0; r < f.recordCount(); ++r)
        live += !dbf::DbfFile::isDeleted(f.record(r));
    out() << f.name() << "\n"
          << "version\t0x" << QString::number(s.version, 16).rightJustified(2, '0') << "\n"
          << "code page\t" << dbf::codePageName(s.codePage) << " (language driver 0x"
          << QString::number(s.languageDriver, 16).rightJustified(2, '0') << ")\n"
          << "records\t" << f.recordCount() << "\n"
          << "rows\t" << live << "\n"
          << "deleted\t" << (long(f.recordCount()) - live) << "\n"
          << "columns\t" << s.fields.size() << "\n";
    for (const auto& fld : s.fields)
        out() << QString::fromStdString(fld.name) << "\t" << QChar(fld.type) << "\t" << fld.width << "\t" << fld.decimals << "\n";
    return 0;
}

int sql(const QStringList& args)
{
    if (args.size() < 2)
        return usage();
    store::Params params;
    for (const QString& p : args.mid(2)) {
        const int eq = p.indexOf('=');
        if (eq <= 0)
            throw Error(QStringLiteral("Parameter %1 is not NAME=KIND:VALUE").arg(p));
        const QString name = p.left(eq), rest = p.mid(eq + 1);
        const QString kind = rest.section(':', 0, 0).toLower(), value = rest.section(':', 1);
        bool ok = true;
        if (kind == "null")
            params.null(name);
        else if (kind == "text")
            params.text(name, value);
        else if (kind == "real")
            params.real(name, value.toDouble(&ok));
        else if (kind == "int")
            params.integer(name, value.toLongLong(&ok));
        else if (kind == "date") {
            const QDate d = QDate::fromString(value, Qt::ISODate);
            ok = d.isValid();
            params.date(name, d);
        } else
            ok = false;
        if (!ok)
            throw Error(QStringLiteral("Parameter %1: cannot read %2").arg(name, rest));
    }
    store::LocalSql db(args[0]);
    const QString stmt = args[1].trimmed();
    if (stmt.startsWith(QLatin1String("select"), Qt::CaseInsensitive)) {
        const store::Rows rows = db.select({stmt}, params);
        out() << rows.columns.join('\t') << "\n";
        for (int r = 0; r < rows.size(); ++r) {
            QStringList cells;
            for (int c = 0; c < rows.columns.size(); ++c) {
                const QVariant& v = rows.value(r, c);
                cells << (v.typeId() == QMetaType::QDate ? v.toDate().toString(Qt::ISODate)
                          : v.typeId() == QMetaType::Double ? QString::number(v.toDouble(), 'g', 15)
                                                            : v.toString());
            }
            out() << cells.join('\t') << "\n";
        }
    } else {
        out() << db.execute({stmt}, params) << " rows changed\n";
    }
    return 0;
}

int demo(const QStringList& args)
{
    QDate today = QDate::currentDate();
    if (args.size() == 3 && args[1] == QLatin1String("--today")) {
        today = QDate::fromString(args[2], Qt::ISODate);
        if (!today.isValid())
            throw Error(QStringLiteral("--today %1 is not a date YYYY-MM-DD").arg(args[2]));
    } else if (args.size() != 1) {
        return usage();
    }
    const tabletool::DemoSummary s = tabletool::makeDemo(args[0], today);
    out() << s.points << " points on " << s.routes << " routes, " << s.readings << " readings, " << s.balanceRows
          << " balance rows\n";
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (args.isEmpty())
        return usage();
    const QString cmd = args.takeFirst();
    try {
        int rc;
        if (cmd == "create")
            rc = create(args);
        else if (cmd == "info")
            rc = info(args);
        else if (cmd == "sql")
            rc = sql(args);
        else if (cmd == "demo")
            rc = demo(args);
        else
            return usage();
        out().flush();
        return rc;
    } catch (const Error& e) {
        out().flush();
        QTextStream(stderr) << "tk-table: " << e.message() << "\n";
        return 1;
    }
}
