#include "processing/CommandLine.h"

#include "common/Error.h"
#include "common/Settings.h"
#include "common/ToExcel.h"
#include "processing/BalanceGroups.h"
#include "processing/Filter.h"
#include "processing/Reports.h"
#include "store/dbf/LocalSql.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

namespace tk::processing {

namespace {

struct Usage {
    QString message;
};

QString csvField(const QString& text)
{
    if (!text.contains(QLatin1Char(';')) && !text.contains(QLatin1Char('"')) && !text.contains(QLatin1Char('\n'))
        && !text.contains(QLatin1Char('\r')))
        return text;
    QString quoted = text;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString joined(const QStringList& cells, QChar separator, bool csv)
{
    if (!csv)
        return cells.join(separator);
    QStringList out;
    out.reserve(cells.size());
    for (const QString& c : cells)
        out << csvField(c);
    return out.join(separator);
}

void writeGrid(const ReportGrid& grid, const QString& file, QTextStream& out)
{
    if (file == QLatin1String("-")) {
        out << grid.captions.join(QLatin1Char('\t')) << '\n';
        for (const QStringList& row : grid.rows)
            out << row.join(QLatin1Char('\t')) << '\n';
        out.flush();
        return;
    }
    if (file.endsWith(QLatin1String(".xlsx"), Qt::CaseInsensitive)) {
        GridToXlsxFile(grid.toStringGrid(), grid.title, file);
        return;
    }
    QString text = QChar(0xFEFF) + joined(grid.captions, QLatin1Char(';'), true) + QStringLiteral("\r\n");
    for (const QStringList& row : grid.rows)
        text += joined(row, QLatin1Char(';'), true) + QStringLiteral("\r\n");
    // Written beside the target and renamed over it, so a failed run leaves no half file.
    QSaveFile f(file);
    if (!f.open(QIODevice::WriteOnly) || f.write(text.toUtf8()) < 0 || !f.commit())
        throw Error(QStringLiteral("Cannot write %1: %2").arg(file, f.errorString()));
}

QDate isoDate(const QString& option, const QString& text)
{
    const QDate d = QDate::fromString(text, Qt::ISODate);
    if (!d.isValid() || text.size() != 10)
        throw Usage{option + QStringLiteral(": expected a date YYYY-MM-DD, got \"") + text + QLatin1Char('"')};
    return d;
}

void applySet(ProcessingSettings& settings, const QString& assignment)
{
    const qsizetype eq = assignment.indexOf(QLatin1Char('='));
    if (eq <= 0)
        throw Usage{QStringLiteral("--set: expected NAME=VALUE, got \"") + assignment + QLatin1Char('"')};
    const QString name = assignment.left(eq);
    const QString valueText = assignment.mid(eq + 1);
    for (const SettingInfo& info : settingsTable()) {
        if (name != QLatin1String(info.name))
            continue;
        bool ok = false;
        const int v = valueText.toInt(&ok);
        if (!ok || v < info.low || v > info.high)
            throw Usage{QStringLiteral("--set %1: the value must be a whole number from %2 to %3").arg(name).arg(info.low).arg(info.high)};
        settings.set(name, v);
        return;
    }
    QStringList names;
    for (const SettingInfo& info : settingsTable())
        names << QString::fromLatin1(info.name);
    throw Usage{QStringLiteral("--set: no setting is named %1; the settings are: %2").arg(name, names.join(QStringLiteral(", ")))};
}

std::vector<BalanceGroup> chosenGroups(store::LocalSql& sql, const QStringList& groupArgs)
{
    std::vector<BalanceGroup> all = loadBalanceGroups(sql);
    if (groupArgs.isEmpty())
        return all;
    std::vector<bool> chosen(all.size(), false);
    for (const QString& groupArg : groupArgs) {
        const QStringList parts = groupArg.split(QLatin1Char(':'));
        bool okNumber = false, okType = false;
        const qint64 number = parts.value(0).toLongLong(&okNumber);
        const int type = parts.value(1).toInt(&okType);
        if (parts.size() != 2 || !okNumber || !okType)
            throw Usage{QStringLiteral("--group: expected NUMBER:TYPE, got \"") + groupArg + QLatin1Char('"')};
        bool found = false;
        for (size_t i = 0; i < all.size(); ++i)
            if (all[i].type == type && all[i].caption.toLongLong() == number)
                chosen[i] = found = true;
        if (!found)
            throw Error(QStringLiteral("There is no balance group of main meter %1, type %2").arg(number).arg(type));
    }
    // The groups come in the order of the group list, as the selected entries of the window do.
    std::vector<BalanceGroup> out;
    for (size_t i = 0; i < all.size(); ++i)
        if (chosen[i])
            out.push_back(all[i]);
    return out;
}

} // namespace

bool wantsCommandLine(const QStringList& args)
{
    for (const QString& a : args)
        if (a == QLatin1String("--report") || a.startsWith(QLatin1String("--report=")) || a == QLatin1String("--help")
            || a == QLatin1String("-h"))
            return true;
    return false;
}

QString commandLineHelp()
{
    return QStringLiteral(
        "Usage: Kelvadi                                    the window, on the current directory\n"
        "       Kelvadi --report NAME --out FILE [options] one report without a window\n"
        "\n"
        "NAME: readings, consumption, balance, out-of-balance or yearly.\n"
        "FILE: *.xlsx  the spreadsheet of the window's export (title in A1, the grid from row 2)\n"
        "      *.csv   the grid, caption row first, ';'-separated, UTF-8 with a BOM\n"
        "      -       the grid, caption row first, tab-separated, on standard output\n"
        "\n"
        "Options:\n"
        "  --dir DIR           working directory with the tables (default: the current one)\n"
        "  --from YYYY-MM-DD   start of the period (default: the 1st of the previous month)\n"
        "  --to YYYY-MM-DD     end of the period (default: the 1st of this month)\n"
        "  --street TEXT       only this street (readings, consumption, yearly)\n"
        "  --house TEXT        only this house of the street\n"
        "  --year N            year of the yearly report (default: this year)\n"
        "  --route NAME        route filter of the yearly report\n"
        "  --group NUMBER:TYPE balance group by main meter number and type code 0-4;\n"
        "                      repeatable; default: every group\n"
        "  --set NAME=VALUE    a setting of the window for this run only, e.g. --set Check_T2=1\n"
        "                      --set RadioValue=1 --set SpinDay=25; repeatable. Without it the\n"
        "                      stored settings apply, as in the window.\n"
        "  --help              this text\n"
        "\n"
        "Cell texts are those of the window, in the locale's date and number formats.\n"
        "Exit status: 0 done, 1 the report failed (message on standard error), 2 wrong arguments.\n");
}

int runCommandLine(const QStringList& args, QTextStream& out, QTextStream& err, QDate today)
{
    if (!today.isValid())
        today = QDate::currentDate();
    try {
        QString report, file, dir = QDir::currentPath();
        ReportInputs in;
        const Period period = initialPeriod(today);
        in.from = period.from;
        in.to = period.to;
        in.year = today.year();
        QStringList sets, groups;
        for (int i = 0; i < args.size(); ++i) {
            const QString& a = args[i];
            if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
                out << commandLineHelp();
                out.flush();
                return 0;
            }
            QString name = a, value;
            const qsizetype eq = a.indexOf(QLatin1Char('='));
            if (a.startsWith(QLatin1String("--")) && eq > 0) {
                name = a.left(eq);
                value = a.mid(eq + 1);
            } else {
                if (!a.startsWith(QLatin1String("--")))
                    throw Usage{QStringLiteral("unexpected argument \"") + a + QLatin1Char('"')};
                if (i + 1 >= args.size())
                    throw Usage{a + QStringLiteral(" needs a value")};
                value = args[++i];
            }
            if (name == QLatin1String("--report"))
                report = value;
            else if (name == QLatin1String("--out"))
                file = value;
            else if (name == QLatin1String("--dir"))
                dir = value;
            else if (name == QLatin1String("--from"))
                in.from = isoDate(name, value);
            else if (name == QLatin1String("--to"))
                in.to = isoDate(name, value);
            else if (name == QLatin1String("--street"))
                in.street = value;
            else if (name == QLatin1String("--house"))
                in.house = value;
            else if (name == QLatin1String("--route"))
                in.route = value;
            else if (name == QLatin1String("--year")) {
                bool ok = false;
                in.year = value.toInt(&ok);
                if (!ok || in.year < 2000 || in.year > 2099)
                    throw Usage{QStringLiteral("--year: expected a year from 2000 to 2099")};
            } else if (name == QLatin1String("--group"))
                groups << value;
            else if (name == QLatin1String("--set"))
                sets << value;
            else
                throw Usage{QStringLiteral("unknown option ") + name};
        }
        static const QStringList kReports{QStringLiteral("readings"), QStringLiteral("consumption"), QStringLiteral("balance"),
                                          QStringLiteral("out-of-balance"), QStringLiteral("yearly")};
        if (!kReports.contains(report))
            throw Usage{QStringLiteral("--report: expected one of ") + kReports.join(QStringLiteral(", "))};
        if (file.isEmpty())
            throw Usage{QStringLiteral("--out FILE is required")};
        if (file != QLatin1String("-") && !file.endsWith(QLatin1String(".xlsx"), Qt::CaseInsensitive)
            && !file.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive))
            throw Usage{QStringLiteral("--out: the file must end in .xlsx or .csv, or be - for standard output")};

        // The stored settings, as the window reads them at start, then this run's overrides.
        Settings store(QString::fromLatin1(kSettingsKey));
        in.settings.load(store);
        for (const QString& s : sets)
            applySet(in.settings, s);

        // A relative output path means the directory the command was given in, not --dir.
        if (file != QLatin1String("-"))
            file = QDir::current().absoluteFilePath(file);
        store::LocalSql sql(dir);
        ReportGrid grid;
        if (report == QLatin1String("readings"))
            readingsReport(sql, in, grid);
        else if (report == QLatin1String("consumption"))
            consumptionReport(sql, in, grid);
        else if (report == QLatin1String("yearly"))
            yearlyReport(sql, in, grid);
        else if (report == QLatin1String("balance"))
            balanceReport(sql, chosenGroups(sql, groups), in.from, in.to, grid);
        else
            grid = outOfBalanceGrid(outOfBalance(sql));
        writeGrid(grid, file, out);
        return 0;
    } catch (const Usage& u) {
        err << "Kelvadi: " << u.message << "\n(Kelvadi --help lists the options)\n";
        err.flush();
        return 2;
    } catch (const Error& e) {
        err << "Kelvadi: " << e.message() << '\n';
        err.flush();
        return 1;
    }
}

} // namespace tk::processing
