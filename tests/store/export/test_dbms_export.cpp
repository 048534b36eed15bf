// The export to the metering DBMS against a real PostgreSQL server that this test program starts:
// the rows each reading becomes, which accounts get them, refused rows, a server that goes away,
// the stored login and the login callback; and the add-on road through our vormadddb.
#include "BuiltAddOns.h"
#include "ConfigHome.h"
#include "PgServer.h"
#include "ScriptedPrompter.h"

#include "common/AddOns.h"
#include "common/Error.h"
#include "store/export/DbmsConnection.h"
#include "store/export/DbmsExport.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

using namespace tk;
using namespace tk::store;
using tk::test::PgServer;
using tk::test::ScriptedPrompter;
using Icon = tk::Prompter::Icon;
using Buttons = tk::Prompter::Buttons;
using Answer = tk::Prompter::Answer;

namespace {

const QString kTitle = QStringLiteral("Экспорт в СУБД");
const QString kStopped = QStringLiteral("\". Возможно СУБД НКЕ-3170(б) не установлена.");

QStringList titles(int n)
{
    QStringList t;
    for (int i = 0; i < n; ++i)
        t << QStringLiteral("Графа %1").arg(i);
    t[4] = QStringLiteral("Дата");
    return t;
}

// A three-tariff record: meter, date, time, status, the six registers.
QStringList record(const QString& meter, const QString& date, const QString& time, const QString& status,
                   const QStringList& registers)
{
    QStringList cells{"1234567890", "ЛЕНИНА", "12", meter, date, time, status};
    cells << registers;
    cells << QStringList{"17", "1234:05", "2", "-5", "Центр"};
    return cells;
}

TextGrid vaklGrid(const std::vector<QStringList>& records)
{
    TextGrid g(titles(18));
    for (const QStringList& r : records)
        g.appendRecord(r);
    return g;
}

// The stored DBMS login, as an earlier run left it.
void storeLogin(const tk::test::ConfigHome& home, const QString& pass, const QString& user, const QString& db, const QString& key)
{
    const QString domvara = QStringLiteral("Domvara");
    home.put("Pass", pass, domvara);
    home.put("User", user, domvara);
    home.put("DB", db, domvara);
    home.put("Key", key, domvara);
}

class DbmsExport : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (!QCoreApplication::instance()) {
            static int argc = 1;
            static char name[] = "test_dbms_export";
            static char* argv[] = {name, nullptr};
            static QCoreApplication app(argc, argv);
        }
        server_ = std::make_unique<PgServer>();
    }
    static void TearDownTestSuite() { server_.reset(); }

    void SetUp() override
    {
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
        qunsetenv("VORMADDDB_DROP_DIR"); // our add-on then leaves the export to the program
        qputenv("TK4718EH_DBMS_DRIVER", "QPSQL");
        if (!server_->running())
            server_->start();
        server_->exec("DROP TABLE IF EXISTS metering, account_electro, unit");
        server_->exec("CREATE TABLE unit (unit_id integer PRIMARY KEY, number_ varchar(10), type_id integer)");
        server_->exec("CREATE TABLE account_electro (account_id integer, unit_id integer)");
        // The check stands for whatever makes a database refuse one row.
        server_->exec("CREATE TABLE metering (account_id integer, date_time timestamp, unit_id integer, "
                      "tariff integer, w_ double precision CHECK (w_ < 100000))");
        storeLogin(home_, PgServer::kPassword, PgServer::kSuperuser, server_->dataSource(), "1");
    }
    void TearDown() override { EXPECT_TRUE(prompter_.allAnswered()); }

    // Meters of the database: (account, unit, number, type).
    void meters(const std::vector<std::tuple<int, int, QString, int>>& list)
    {
        for (const auto& [account, unit, number, type] : list) {
            server_->exec(QStringLiteral("INSERT INTO unit VALUES (%1, '%2', %3)").arg(unit).arg(number).arg(type));
            server_->exec(QStringLiteral("INSERT INTO account_electro VALUES (%1, %2)").arg(account).arg(unit));
        }
    }
    QStringList metering() const
    {
        return server_->rows("SELECT account_id, to_char(date_time, 'YYYY-MM-DD HH24:MI:SS'), unit_id, tariff, w_ "
                             "FROM metering ORDER BY account_id, date_time DESC, tariff");
    }
    void expectDone(int written, int failed)
    {
        prompter_.expect(kTitle,
                         QStringLiteral("Экспорт в СУБД завершен.\nЗаписано строк: %1.\nНе записано строк: %2.")
                             .arg(written)
                             .arg(failed),
                         Icon::Information, Buttons::Ok, Answer::Ok);
    }
    DbmsExportOutcome run(Family family, const TextGrid& grid, const DbmsProgress& progress = [](int, int) {})
    {
        return exportToDbms(family, grid, *test::builtAddOns().vormadddb, connection_, prompter_,
                            [this](DbmsConnection&) { ++loginsAsked_; }, progress);
    }

    static std::unique_ptr<PgServer> server_;
    tk::test::ConfigHome home_;
    ScriptedPrompter prompter_;
    DbmsConnection connection_;
    int loginsAsked_ = 0;
};

std::unique_ptr<PgServer> DbmsExport::server_;

} // namespace

TEST_F(DbmsExport, EachReadingBecomesUpToSixRowsAndTheClockBitsDropTheBillingDateOnes)
{
    struct Case {
        const char* status;
        QStringList expected;
    };
    const QStringList atReading = {"7|2024-03-05 12:30:00|70|1|100", "7|2024-03-05 12:30:00|70|3|250"};
    const QStringList atBilling = {"7|2024-03-01 00:00:00|70|1|90", "7|2024-03-01 00:00:00|70|3|240"};
    const std::vector<Case> cases = {
        {"0", atReading + atBilling},
        {"16", atReading + atBilling}, // bit 4 is not a clock bit
        {"32", atReading},
        {"64", atReading},
        {"96", atReading},
    };
    meters({{7, 70, "42", dbmsUnitType(Family::Vakl4)}});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.status);
        server_->exec("DELETE FROM metering");
        // 0 and below are not sent; a register that is not a number counts as 0.
        const TextGrid grid = vaklGrid({record("000042", "05.03.2024", "12:30", c.status,
                                               {"100", "0", "250,0", "90", "-3", "240"}),
                                        record("000043", "05.03.2024", "12:30", c.status,
                                               {"1", "1", "1", "1", "1", "1"})});
        expectDone(int(c.expected.size()), 0);
        const DbmsExportOutcome o = run(Family::Vakl4, grid);
        EXPECT_EQ(c.expected, metering());
        EXPECT_FALSE(o.stopped);
        EXPECT_EQ(0, loginsAsked_) << "the stored login connects";
        EXPECT_FALSE(connection_.isOpen()) << "closed at the end";
    }
}

TEST_F(DbmsExport, AccountsGetTheFirstGridRecordOfTheirMeterWithinTheFamilysUnitType)
{
    const int vakl = dbmsUnitType(Family::VaklDr);
    meters({
        {1, 10, "42", vakl},
        {2, 20, "042", vakl},                           // another account, the same meter number
        {3, 30, "99", vakl},                            // not in the grid
        {4, 40, "43", dbmsUnitType(Family::Telv2)},     // in the grid, but another family's meter
        {5, 50, "4x", vakl},                            // not a number
    });
    const TextGrid grid = vaklGrid({
        record("000042", "05.03.2024", "12:30", "32", {"100", "0", "0", "0", "0", "0"}),
        record("000043", "05.03.2024", "12:30", "32", {"300", "0", "0", "0", "0", "0"}),
        record("000042", "06.03.2024", "08:00", "32", {"555", "0", "0", "0", "0", "0"}), // a later reading of 42
    });
    expectDone(2, 0);
    int lastPosition = -1;
    run(Family::VaklDr, grid, [&](int position, int maximum) {
        EXPECT_EQ(grid.rowCount(), maximum);
        lastPosition = position;
    });
    EXPECT_EQ((QStringList{"1|2024-03-05 12:30:00|10|1|100", "2|2024-03-05 12:30:00|20|1|100"}), metering());
    EXPECT_EQ(2, lastPosition) << "one step per account that got rows";
}

TEST_F(DbmsExport, TelvOneSendsItsSingleReadingAsTariffOne)
{
    meters({{8, 80, "7", dbmsUnitType(Family::Telv1)}});
    TextGrid grid(titles(9));
    grid.appendRecord({"", "", "", "000007", "29.02.2024", "23:59", "", "12,375", "Центр"});
    expectDone(1, 0);
    run(Family::Telv1, grid);
    EXPECT_EQ((QStringList{"8|2024-02-29 23:59:00|80|1|12.375"}), metering());
}

TEST_F(DbmsExport, ARefusedRowIsCountedAndNamedWhileTheOthersGoIn)
{
    meters({{1, 10, "1", dbmsUnitType(Family::Vakl4)}, {2, 20, "2", dbmsUnitType(Family::Vakl4)}});
    const TextGrid grid = vaklGrid({record("1", "05.03.2024", "12:30", "32", {"100", "200000", "300", "0", "0", "0"}),
                                    record("2", "05.03.2024", "12:30", "32", {"5", "0", "0", "0", "0", "0"})});
    prompter_.expectStartingWith(kTitle, "Экспорт в СУБД завершен.\nЗаписано строк: 3.\nНе записано строк: 1.\nПервая ошибка: \"",
                                 Icon::Information, Buttons::Ok, Answer::Ok);
    const DbmsExportOutcome o = run(Family::Vakl4, grid);
    EXPECT_EQ(3, metering().size());
    EXPECT_EQ(1, o.failed);
    EXPECT_TRUE(o.firstError.contains("metering_w__check")) << o.firstError.toStdString();
}

TEST_F(DbmsExport, AServerThatGoesAwayStopsTheExportAndTheRowsAlreadyInStay)
{
    const int type = dbmsUnitType(Family::Vakl4);
    meters({{1, 10, "1", type}, {2, 20, "2", type}, {3, 30, "3", type}});
    const TextGrid grid = vaklGrid({record("1", "05.03.2024", "12:30", "0", {"1", "2", "3", "4", "5", "6"}),
                                    record("2", "05.03.2024", "12:30", "0", {"1", "2", "3", "4", "5", "6"}),
                                    record("3", "05.03.2024", "12:30", "0", {"1", "2", "3", "4", "5", "6"})});
    prompter_.expectErrorStartingWith(kTitle, "Ошибка записи в СУБД \"");
    const DbmsExportOutcome o = run(Family::Vakl4, grid, [](int position, int) {
        if (position == 1)
            server_->stop(true);
    });
    ASSERT_EQ(1u, prompter_.asked().size());
    EXPECT_TRUE(prompter_.asked().back().text.endsWith(kStopped)) << prompter_.asked().back().text.toStdString();
    EXPECT_TRUE(o.stopped);
    EXPECT_EQ(6, o.written);
    server_->start();
    EXPECT_EQ(6, metering().size());
}

TEST_F(DbmsExport, ACellThatDoesNotConvertStopsTheExportNamingIt)
{
    meters({{1, 10, "1", dbmsUnitType(Family::Vakl4)}, {2, 20, "2", dbmsUnitType(Family::Vakl4)}});
    const TextGrid grid = vaklGrid({record("1", "05.03.2024", "12:30", "0", {"1", "0", "0", "0", "0", "0"}),
                                    record("2", "31.02.2024", "12:30", "0", {"1", "0", "0", "0", "0", "0"})});
    prompter_.expectError(kTitle, "Ошибка записи в СУБД \"Дата: «31.02.2024» — не дата" + kStopped);
    run(Family::Vakl4, grid);
    EXPECT_EQ((QStringList{"1|2024-03-05 12:30:00|10|1|1"}), metering()) << "the first account's row stays";
}

TEST_F(DbmsExport, TheStoredLoginConnectsOrTheLoginIsAskedWithAWarningOnlyWhenThePasswordIsKept)
{
    struct Case {
        const char* what;
        QString pass;
        QString key;
        bool connects;
        bool warns;
    };
    const std::vector<Case> cases = {
        {"kept and right", PgServer::kPassword, "1", true, false},
        {"kept with blanks around it", QStringLiteral("  ") + PgServer::kPassword + " ", "1", true, false},
        {"kept but wrong", "wrong", "1", false, true},
        {"not kept", "", "0", false, false},
        {"no key at all", "", "", false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.key.isEmpty())
            QFile::remove(home_.iniPath(QStringLiteral("Domvara")));
        else
            storeLogin(home_, c.pass, PgServer::kSuperuser, server_->dataSource(), c.key);
        if (c.warns)
            prompter_.expect(kTitle, "Неверное имя пользователя или пароль!", Icon::Warning, Buttons::Ok, Answer::Ok);
        int asked = 0;
        // The dialog gets the user in (or not): here a correct login, typed after a failure.
        const LoginAsker login = [&](DbmsConnection& connection) {
            ++asked;
            ASSERT_TRUE(connection.open({PgServer::kPassword, PgServer::kSuperuser, server_->dataSource()}))
                << connection.lastError().toStdString();
        };
        connectWithStoredLogin(connection_, prompter_, login);
        EXPECT_TRUE(connection_.isOpen());
        EXPECT_EQ(c.connects ? 0 : 1, asked);
        EXPECT_TRUE(prompter_.allAnswered());
        connection_.close();
    }
}

TEST_F(DbmsExport, WithoutAConnectionAfterTheLoginTheExportReportsItsFailure)
{
    storeLogin(home_, "", PgServer::kSuperuser, server_->dataSource(), "0");
    meters({{1, 10, "1", dbmsUnitType(Family::Telv2)}});
    prompter_.expectErrorStartingWith(kTitle, "Ошибка записи в СУБД \"");
    const DbmsExportOutcome o =
        run(Family::Telv2, vaklGrid({record("1", "05.03.2024", "12:30", "0", {"1", "0", "0", "0", "0", "0"})}));
    EXPECT_EQ(1, loginsAsked_) << "the login given up, as with \"Отмена\"";
    EXPECT_TRUE(o.stopped);
    EXPECT_TRUE(prompter_.asked().back().text.contains("Unable to connect")) << prompter_.asked().back().text.toStdString();
    EXPECT_TRUE(metering().isEmpty());
}

TEST(DbmsDataSource, SplitsHostPortAndDatabaseForPostgreSqlOnlyAndKeepsThemWholeElsewhere)
{
    struct Case {
        const char* driver;
        const char* source;
        const char* host;
        int port;
        const char* database;
    };
    const Case cases[] = {
        {"QPSQL", "Domvara", "", -1, "Domvara"},
        {"QPSQL", "db.office:5433/metering", "db.office", 5433, "metering"},
        {"QPSQL", "db.office/metering", "db.office", -1, "metering"},
        {"QPSQL", "/run/postgresql:5432/metering", "/run/postgresql", 5432, "metering"},
        {"QPSQL", "/run/post:gresql/metering", "/run/post:gresql", -1, "metering"},
        {"QOCI", "//db.office:1521/ORCL", "", -1, "//db.office:1521/ORCL"},
        {"QODBC", "Domvara", "", -1, "Domvara"},
    };
    for (const Case& c : cases) {
        const DataSource s = splitDataSource(c.driver, c.source);
        EXPECT_EQ(QString(c.host), s.host) << c.source;
        EXPECT_EQ(c.port, s.port) << c.source;
        EXPECT_EQ(QString(c.database), s.databaseName) << c.source;
    }
}

// The add-on road: our vormadddb writes one CSV line per record into its drop folder.
class DbmsExportAddOn : public ::testing::Test {
protected:
    void SetUp() override
    {
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
        qputenv("VORMADDDB_DROP_DIR", drop_.path().toLocal8Bit());
    }
    void TearDown() override
    {
        qunsetenv("VORMADDDB_DROP_DIR");
        EXPECT_TRUE(prompter_.allAnswered());
    }
    QStringList lines() const
    {
        QFile f(drop_.filePath(QStringLiteral("readings-%1.csv").arg(QDate::currentDate().toString(Qt::ISODate))));
        if (!f.open(QIODevice::ReadOnly))
            return {};
        QStringList out = QString::fromUtf8(f.readAll()).split(QRegularExpression("\r?\n"), Qt::SkipEmptyParts);
        out.removeFirst();
        return out;
    }
    DbmsExportOutcome run(Family family, const TextGrid& grid)
    {
        DbmsConnection unused;
        return exportToDbms(family, grid, *test::builtAddOns().vormadddb, unused, prompter_,
                            [](DbmsConnection&) { ADD_FAILURE() << "no login on the add-on road"; }, [](int, int) {});
    }

    QTemporaryDir drop_;
    ScriptedPrompter prompter_;
    tk::test::ConfigHome home_;
};

TEST_F(DbmsExportAddOn, EveryRecordIsPassedWithItsValuesDuplicatesIncluded)
{
    const TextGrid grid = vaklGrid({record("000042", "05.03.2024", "12:30", "33", {"100,5", "0", "250", "90", "0", "240"}),
                                    record("000042", "06.03.2024", "18:00", "0", {"1", "2", "3", "4", "5", "6"})});
    prompter_.expect(kTitle, "Экспорт в СУБД завершен.\nПередано записей: 2.\nНе передано записей: 0.",
                     Icon::Information, Buttons::Ok, Answer::Ok);
    run(Family::VaklPdr, grid);
    // 05.03.2024 is day 45356; 12:30 is 0.5208333…; "1234:05" is 74045 minutes.
    EXPECT_EQ((QStringList{"5,42,33,45356.520833333336,17,74045,2,-5,100.5,0,250,90,0,240",
                           "5,42,0,45357.75,17,74045,2,-5,1,2,3,4,5,6"}),
              lines());
}

TEST_F(DbmsExportAddOn, TelvOnePassesStatusZeroAndOnlyItsReading)
{
    TextGrid grid(titles(9));
    grid.appendRecord({"", "", "", "000007", "29.02.2024", "06:00", "", "12,375", "Центр"});
    prompter_.expect(kTitle, "Экспорт в СУБД завершен.\nПередано записей: 1.\nНе передано записей: 0.",
                     Icon::Information, Buttons::Ok, Answer::Ok);
    run(Family::Telv1, grid);
    EXPECT_EQ((QStringList{"1,7,0,45351.25,0,0,0,0,12.375,0,0,0,0,0"}), lines());
}

TEST_F(DbmsExportAddOn, ARecordThatFailsAsksWhetherToGoOn)
{
    const TextGrid grid = vaklGrid({record("1", "05.03.2024", "12:30", "0", {"1", "0", "0", "0", "0", "0"}),
                                    record("2", "05.03.2024", "99:99", "0", {"1", "0", "0", "0", "0", "0"}),
                                    record("3", "05.03.2024", "12:30", "x", {"1", "0", "0", "0", "0", "0"}),
                                    record("4", "05.03.2024", "12:30", "0", {"1", "0", "0", "0", "0", "0"})});
    const QString question = "\". Продолжить экспорт?";
    prompter_.expect(kTitle, "Ошибка записи в СУБД \"Графа 5: «99:99» — не время" + question, Icon::Question,
                     Buttons::OkCancel, Answer::Ok);
    prompter_.expect(kTitle, "Ошибка записи в СУБД \"Графа 6: «x» — не целое число" + question, Icon::Question,
                     Buttons::OkCancel, Answer::Cancel);
    prompter_.expect(kTitle,
                     "Экспорт в СУБД прерван.\nПередано записей: 1.\nНе передано записей: 2.\nПервая ошибка: "
                     "\"Графа 5: «99:99» — не время\".",
                     Icon::Information, Buttons::Ok, Answer::Ok);
    run(Family::Vakl4, grid);
    ASSERT_EQ(1, lines().size());
    EXPECT_TRUE(lines()[0].startsWith("3,1,")) << lines()[0].toStdString();
}

TEST_F(DbmsExportAddOn, AFailingAddOnIsAskedAboutForEachRecord)
{
    qputenv("VORMADDDB_DROP_DIR", drop_.filePath("missing").toLocal8Bit());
    const TextGrid grid = vaklGrid({record("1", "05.03.2024", "12:30", "0", {"1", "0", "0", "0", "0", "0"}),
                                    record("2", "05.03.2024", "12:30", "0", {"1", "0", "0", "0", "0", "0"})});
    for (int i = 0; i < 2; ++i)
        prompter_.expectStartingWith(kTitle, "Ошибка записи в СУБД \"", Icon::Question, Buttons::OkCancel, Answer::Ok);
    prompter_.expectStartingWith(kTitle, "Экспорт в СУБД завершен.\nПередано записей: 0.\nНе передано записей: 2.\nПервая ошибка: \"",
                                 Icon::Information, Buttons::Ok, Answer::Ok);
    const DbmsExportOutcome o = run(Family::Vakl4, grid);
    EXPECT_EQ(2, o.failed);
}
