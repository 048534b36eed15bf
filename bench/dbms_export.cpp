// Figures of the export to the metering DBMS over the program's own connection: 500 ВАКЛ-4
// readings, each of a meter the database knows, with six registers above 0 and the clock bits
// clear, into a PostgreSQL server started for the run on a private Unix socket (as the tests
// start it). Prints the time of the whole export (connect, account query, inserts) and the rows
// it inserted (six per reading). Argument: the number of readings (default 500).
#include "PgServer.h"

#include "common/AddOns.h"
#include "common/Prompter.h"
#include "common/TextGrid.h"
#include "store/export/DbmsConnection.h"
#include "store/export/DbmsExport.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QLocale>
#include <QSettings>
#include <QTemporaryDir>
#include <cstdio>

using namespace tk;

namespace {

// Unattended: the export's one information box is what it says at the end; anything else is a
// fault of the set-up and is printed.
class BoxPrompter : public Prompter {
public:
    Answer message(const QString&, const QString& text, Icon icon, Buttons) override
    {
        if (icon == Icon::Information && final_.isEmpty())
            final_ = text;
        else
            std::fprintf(stderr, "unexpected message: %s\n", qPrintable(text));
        return Answer::Ok;
    }
    QString openFile(const QString&, const QString&) override { return {}; }
    QString saveFile(const QString&, const QString&, const QString&) override { return {}; }
    QStringList openFiles(const QString&, const QString&) override { return {}; }
    QString final_;
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int readings = argc > 1 ? std::atoi(argv[1]) : 500;
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    qputenv("TK4718EH_DBMS_DRIVER", "QPSQL");
    qunsetenv("VORMADDDB_DROP_DIR");
    try {
        test::PgServer server;
        server.exec("CREATE TABLE unit (unit_id integer PRIMARY KEY, number_ varchar(10), type_id integer)");
        server.exec("CREATE TABLE account_electro (account_id integer, unit_id integer)");
        server.exec("CREATE TABLE metering (account_id integer, date_time timestamp, unit_id integer, "
                    "tariff integer, w_ double precision)");
        server.exec(QStringLiteral("INSERT INTO unit SELECT n, n::text, %1 FROM generate_series(100001, %2) n")
                        .arg(store::dbmsUnitType(Family::Vakl4))
                        .arg(100000 + readings));
        server.exec("INSERT INTO account_electro SELECT unit_id - 100000, unit_id FROM unit");
        {
            QDir().mkpath(config.path() + "/Korvent");
            QSettings s(config.path() + "/Korvent/Domvara.ini", QSettings::IniFormat);
            s.setValue("Pass", test::PgServer::kPassword);
            s.setValue("User", test::PgServer::kSuperuser);
            s.setValue("DB", server.dataSource());
            s.setValue("Key", "1");
        }

        TextGrid grid(QStringList(18, QStringLiteral("T")));
        const QString date = QLocale().toString(QDate(2024, 3, 5), QLocale::ShortFormat);
        for (int i = 0; i < readings; ++i)
            grid.appendRecord({"1000000001", "ЛЕНИНА", "12", QString::number(100001 + i), date, "12:30", "0", "100",
                               "200", "300", "90", "190", "290", "17", "12:05", "0", "0", "Центр"});

        const auto addOns = addons::loadAddOns(qEnvironmentVariable("TK_BIN_DIR", TK_BIN_DIR_DEFAULT));
        BoxPrompter prompter;
        store::DbmsConnection connection;
        QElapsedTimer t;
        t.start();
        const store::DbmsExportOutcome o = store::exportToDbms(
            Family::Vakl4, grid, *addOns.vormadddb, connection, prompter,
            [](store::DbmsConnection&) { std::fprintf(stderr, "unexpected login dialog\n"); }, [](int, int) {});
        const double ms = double(t.nsecsElapsed()) / 1e6;
        const qsizetype inDatabase = server.rows("SELECT count(*) FROM metering").value(0).toLongLong();
        std::printf("export of %d ВАКЛ-4 readings: %.0f ms, %d rows inserted (%lld in metering), %d failed, %.2f ms per "
                    "reading%s\n",
                    readings, ms, o.written, (long long)inDatabase, o.failed, ms / readings,
                    o.stopped ? ", STOPPED" : "");
        std::printf("the box said: %s\n", qPrintable(prompter.final_.replace('\n', ' ')));
        return o.stopped ? 1 : 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
}
