// tk-table as an office installer and support use it: the built binary run on a scratch
// directory, its output read back as text.
#include "StoreTestUtil.h"

#include <QProcess>

namespace {

struct ToolRun {
    int exitCode = -1;
    QString out, err;
};

ToolRun tkTable(const QStringList& args)
{
    const QString bin = qEnvironmentVariable("TK_BIN_DIR", QStringLiteral(TK_BIN_DIR_DEFAULT)) + "/tk-table";
    QProcess p;
    p.start(bin, args);
    ToolRun r;
    if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit) {
        ADD_FAILURE() << bin.toStdString() << " did not finish: " << p.errorString().toStdString();
        return r;
    }
    r.exitCode = p.exitCode();
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

} // namespace

TEST(TableTool, CreatesTheSevenTablesAndRunsStatementsOnThem)
{
    QTemporaryDir dir;
    const QString d = dir.path();
    ToolRun r = tkTable({"create", d});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "Telv1.DBF: created\nTelv2.dbf: created\nVakl4.dbf: created\nVaklDr.dbf: created\n"
                     "VaklPdr.dbf: created\nRoute.dbf: created\nBalance.dbf: created\n");
    EXPECT_EQ(QDir(d).entryList(QDir::Files | QDir::Hidden, QDir::Name),
              QStringList({"Balance.dbf", "Route.dbf", "Telv1.DBF", "Telv2.dbf", "Vakl4.dbf", "VaklDr.dbf", "VaklPdr.dbf"}))
        << "no work files left behind";

    // A second run leaves the existing tables alone.
    r = tkTable({"create", d, "route"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "Route.dbf: exists, left as it is\n");

    r = tkTable({"sql", d,
                 "INSERT INTO route(pers,street,house,number,ctype,subscriber,route) VALUES(:pers,:street,'12А',604922,1,NULL,:route)",
                 "pers=int:9999999999", "street=text:Зелёная", "route=text:Северный район-3"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "1 rows changed\n");
    r = tkTable({"sql", d, "INSERT INTO telv1(number,date_meas,status,meas_1) VALUES(604922,:d,:s,:m)",
                 "d=date:2024-02-29", "s=null", "m=real:530000.125"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();

    r = tkTable({"sql", d, "SELECT route, street, house, pers, subscriber FROM Route WHERE number = :n", "n=int:604922"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "ROUTE\tSTREET\tHOUSE\tPERS\tSUBSCRIBER\nСеверный район-3\tЗелёная\t12А\t9999999999\t\n");
    r = tkTable({"sql", d, "  select t.number, t.date_meas, t.status, t.meas_1, r.ctype FROM Telv1 t, route r WHERE r.number = t.number"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "NUMBER\tDATE_MEAS\tSTATUS\tMEAS_1\tCTYPE\n604922\t2024-02-29\t\t530000.125\t1\n");

    r = tkTable({"info", d + "/Telv1.DBF"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "Telv1.DBF\nversion\t0x03\ncode page\t1251 (language driver 0xc9)\nrecords\t1\nrows\t1\ndeleted\t0\n"
                     "columns\t8\nPERS\tN\t10\t0\nSTREET\tC\t12\t0\nHOUSE\tC\t6\t0\nNUMBER\tN\t6\t0\nDATE_MEAS\tD\t8\t0\n"
                     "TIME_MEAS\tC\t5\t0\nSTATUS\tN\t3\t0\nMEAS_1\tN\t12\t3\n");
}

TEST(TableTool, FaultsGiveAMessageAndANonZeroExit)
{
    QTemporaryDir dir;
    const QString d = dir.path();
    ASSERT_EQ(tkTable({"create", d, "Balance"}).exitCode, 0);
    const QByteArray before = tk::test::readAll(d + "/Balance.dbf");
    const QString missing = d + "/no-such-folder";
    struct Case { QStringList args; int exitCode; QString message; };
    const std::vector<Case> cases = {
        {{"sql", d, "SELEC * FROM balance"}, 1, "tk-table: near \"SELEC\": syntax error\n"},
        {{"sql", d, "SELECT * FROM telv2"}, 1, "tk-table: There is no table telv2 in " + QDir(d).absolutePath() + "\n"},
        {{"sql", d, "INSERT INTO balance(number_m) VALUES(1234567)"}, 1,
         "tk-table: Balance.dbf, column NUMBER_M (width 6): 1234567 does not fit\n"},
        {{"sql", d, "SELECT * FROM balance WHERE kent = :k"}, 1, "tk-table: The parameter :k has no value\n"},
        {{"sql", d, "SELECT * FROM balance WHERE kent = :k", "k=int:abc"}, 1, "tk-table: Parameter k: cannot read int:abc\n"},
        {{"sql", missing, "SELECT 1"}, 1, "tk-table: The working directory " + missing + " does not exist\n"},
        {{"create", missing}, 1, "tk-table: The directory " + missing + " does not exist\n"},
        {{"create", d, "Telv3"}, 1, "tk-table: Telv3 is not one of the tables: Telv1, Telv2, Vakl4, VaklDr, VaklPdr, Route, Balance\n"},
        {{"info", missing + "/Route.dbf"}, 1, "tk-table: Cannot open " + missing + "/Route.dbf: No such file or directory\n"},
        {{"frobnicate"}, 2, "usage: tk-table create DIR [TABLE...]"},
    };
    for (const Case& c : cases) {
        const ToolRun r = tkTable(c.args);
        const std::string what = c.args.join(' ').toStdString();
        EXPECT_EQ(r.exitCode, c.exitCode) << what;
        EXPECT_TRUE(r.err.startsWith(c.message)) << what << "\n" << r.err.toStdString();
        EXPECT_EQ(r.out, "") << what;
    }
    EXPECT_EQ(tk::test::readAll(d + "/Balance.dbf"), before) << "a refused statement writes nothing";
}
