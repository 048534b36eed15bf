#pragma once
// A real PostgreSQL server for the tests of the metering-DBMS export: a fresh cluster in a
// temporary folder, reached only through a Unix socket in that folder (no TCP), with password
// authentication, stopped and removed when the object goes.
//
// The server refuses to run as root, and CI runs as root: then initdb, pg_ctl and the server run
// as the unprivileged user "nobody" (TK_PG_USER overrides), which owns the folder. As any other
// user they run as that user. The binaries are those of Debian's postgresql package
// (/usr/lib/postgresql/<version>/bin, the newest; TK_PG_BIN overrides). Anything that does not
// work is a std::runtime_error naming the step and its output: a test that needs the server fails,
// it is never skipped.
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariant>

namespace tk::test {

class PgServer {
public:
    static constexpr const char* kSuperuser = "postgres";
    static constexpr const char* kPassword = "sesame";
    static constexpr int kPort = 5432; // only names the socket file in the private folder

    PgServer();  // initdb and start
    ~PgServer(); // stop and remove
    PgServer(const PgServer&) = delete;
    PgServer& operator=(const PgServer&) = delete;

    // The data source the export's QPSQL connection takes: "<socket folder>:<port>/<database>".
    QString dataSource(const QString& database = QStringLiteral("postgres")) const;

    // immediate: the server goes away at once, as in a crash or a pulled cable; otherwise it
    // ends its sessions and shuts down cleanly.
    void stop(bool immediate = false);
    void start();
    bool running() const { return running_; }

    // Statements and queries as the superuser, on a connection of their own (opened per call,
    // so that they work across a restart).
    void exec(const QString& sql) const;
    // The rows of a query, each row's values joined with '|', NULL as "NULL".
    QStringList rows(const QString& sql) const;

private:
    QString tool(const QString& name) const;
    QString run(const QString& what, const QStringList& command) const;
    QStringList asServerUser(const QString& program, const QStringList& args) const;

    QTemporaryDir dir_;
    QString bin_;
    QString user_; // empty: the current user
    bool running_ = false;
};

} // namespace tk::test
