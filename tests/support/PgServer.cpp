#include "PgServer.h"

#include <QAtomicInt>
#include <QCollator>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <stdexcept>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tk::test {

namespace {

[[noreturn]] void fail(const QString& text)
{
    throw std::runtime_error(("PostgreSQL test server: " + text).toStdString());
}

QString newestServerBin()
{
    const QString fromEnvironment = qEnvironmentVariable("TK_PG_BIN");
    if (!fromEnvironment.isEmpty())
        return fromEnvironment;
    QDir root(QStringLiteral("/usr/lib/postgresql"));
    QStringList versions = root.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    QCollator numeric;
    numeric.setNumericMode(true);
    std::sort(versions.begin(), versions.end(), numeric);
    for (auto it = versions.crbegin(); it != versions.crend(); ++it)
        if (QFile::exists(root.filePath(*it + QStringLiteral("/bin/initdb"))))
            return root.filePath(*it + QStringLiteral("/bin"));
    fail(QStringLiteral("no server binaries under /usr/lib/postgresql (scripts/setup installs the postgresql package)"));
}

// One connection per statement batch, named uniquely, so that a stopped server leaves nothing
// behind that a later call trips over.
template <class F> auto withConnection(const QString& dataSourceHost, F&& use)
{
    static QAtomicInt next;
    const QString name = QStringLiteral("tk-pg-admin-%1").arg(next.fetchAndAddRelaxed(1));
    struct Remove {
        QString name;
        ~Remove() { QSqlDatabase::removeDatabase(name); }
    } remove{name};
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
    db.setHostName(dataSourceHost);
    db.setPort(PgServer::kPort);
    db.setDatabaseName(QStringLiteral("postgres"));
    if (!db.open(QString::fromLatin1(PgServer::kSuperuser), QString::fromLatin1(PgServer::kPassword)))
        fail(QStringLiteral("connect: ") + db.lastError().text());
    auto result = use(db);
    db.close();
    return result;
}

} // namespace

PgServer::PgServer() : bin_(newestServerBin())
{
    if (!dir_.isValid())
        fail(QStringLiteral("no temporary folder"));
    if (::geteuid() == 0) {
        user_ = qEnvironmentVariable("TK_PG_USER", QStringLiteral("nobody"));
        const passwd* pw = ::getpwnam(user_.toLocal8Bit().constData());
        if (!pw)
            fail(QStringLiteral("no user ") + user_);
        if (::chown(QFile::encodeName(dir_.path()).constData(), pw->pw_uid, pw->pw_gid) != 0)
            fail(QStringLiteral("cannot hand ") + dir_.path() + QStringLiteral(" to ") + user_);
    }
    const QString pwFile = dir_.filePath(QStringLiteral("pw"));
    {
        QFile f(pwFile);
        if (!f.open(QIODevice::WriteOnly))
            fail(QStringLiteral("cannot write ") + pwFile);
        f.write(QByteArray(kPassword) + '\n');
    }
    ::chmod(QFile::encodeName(pwFile).constData(), 0644);
    run(QStringLiteral("initdb"),
        asServerUser(tool(QStringLiteral("initdb")),
                     {QStringLiteral("-D"), dir_.filePath(QStringLiteral("data")), QStringLiteral("-U"),
                      QString::fromLatin1(kSuperuser), QStringLiteral("--pwfile=") + pwFile,
                      QStringLiteral("--auth=scram-sha-256"), QStringLiteral("-E"), QStringLiteral("UTF8"),
                      QStringLiteral("--no-locale"), QStringLiteral("--no-sync")}));
    start();
}

PgServer::~PgServer()
{
    try {
        stop(true);
    } catch (const std::exception&) {
        // The folder goes anyway; a server still running there would be seen in the next failure.
    }
}

QString PgServer::tool(const QString& name) const
{
    return bin_ + QLatin1Char('/') + name;
}

QStringList PgServer::asServerUser(const QString& program, const QStringList& args) const
{
    if (user_.isEmpty())
        return QStringList{program} + args;
    return QStringList{QStringLiteral("runuser"), QStringLiteral("-u"), user_, QStringLiteral("--"), program} + args;
}

QString PgServer::run(const QString& what, const QStringList& command) const
{
    QProcess p;
    p.setWorkingDirectory(dir_.path()); // the server user may not enter the caller's folder
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(command.first(), command.mid(1));
    if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        QString log;
        QFile f(dir_.filePath(QStringLiteral("log")));
        if (f.open(QIODevice::ReadOnly))
            log = QString::fromLocal8Bit(f.readAll());
        fail(what + QStringLiteral(" failed: ") + command.join(QLatin1Char(' ')) + QLatin1Char('\n') +
             QString::fromLocal8Bit(p.readAll()) + p.errorString() + QLatin1Char('\n') + log);
    }
    return QString::fromLocal8Bit(p.readAll());
}

void PgServer::start()
{
    if (running_)
        return;
    // The server's zone is one no test machine is in (UTC+14), so that a date-time that the
    // client's zone would shift shows up as shifted.
    const QString options =
        QStringLiteral("-k %1 -c listen_addresses= -p %2 -c fsync=off -c timezone=Pacific/Kiritimati").arg(dir_.path()).arg(kPort);
    run(QStringLiteral("start"),
        asServerUser(tool(QStringLiteral("pg_ctl")),
                     {QStringLiteral("-D"), dir_.filePath(QStringLiteral("data")), QStringLiteral("-l"),
                      dir_.filePath(QStringLiteral("log")), QStringLiteral("-w"), QStringLiteral("-t"),
                      QStringLiteral("60"), QStringLiteral("-o"), options, QStringLiteral("start")}));
    running_ = true;
}

void PgServer::stop(bool immediate)
{
    if (!running_)
        return;
    running_ = false;
    run(QStringLiteral("stop"),
        asServerUser(tool(QStringLiteral("pg_ctl")),
                     {QStringLiteral("-D"), dir_.filePath(QStringLiteral("data")), QStringLiteral("-m"),
                      immediate ? QStringLiteral("immediate") : QStringLiteral("fast"), QStringLiteral("-w"),
                      QStringLiteral("stop")}));
}

QString PgServer::dataSource(const QString& database) const
{
    return QStringLiteral("%1:%2/%3").arg(dir_.path()).arg(kPort).arg(database);
}

void PgServer::exec(const QString& sql) const
{
    withConnection(dir_.path(), [&](QSqlDatabase& db) {
        QSqlQuery q(db);
        if (!q.exec(sql))
            fail(sql + QStringLiteral(": ") + q.lastError().text());
        return 0;
    });
}

QStringList PgServer::rows(const QString& sql) const
{
    return withConnection(dir_.path(), [&](QSqlDatabase& db) {
        QSqlQuery q(db);
        if (!q.exec(sql))
            fail(sql + QStringLiteral(": ") + q.lastError().text());
        QStringList out;
        while (q.next()) {
            QStringList values;
            for (int i = 0; i < q.record().count(); ++i)
                values << (q.isNull(i) ? QStringLiteral("NULL") : q.value(i).toString());
            out << values.join(QLatin1Char('|'));
        }
        return out;
    });
}

} // namespace tk::test
