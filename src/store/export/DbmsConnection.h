#pragma once
// The program's own connection to the office's metering DBMS, and the login kept for it.
//
// The connection goes through Qt Sql with the driver a setting names (QOCI or QODBC at a site,
// QPSQL against PostgreSQL), so that the same statements run on any of them. A login has the
// three parts every connection has always been made of: password, user name, data source.
#include <QSqlDatabase>
#include <QString>
#include <optional>

namespace tk::store {

struct DbmsLogin {
    QString password;
    QString user;
    QString database; // the data source
};

// The login as kept in the key SOFTWARE\Korvent\Domvara (Domvara.ini elsewhere), all strings:
// "Pass" the password in plain text (empty unless saving it is allowed), "User", "DB", and
// "Key" "1" when saving the password is allowed, "0" when not. Absent values stay absent.
struct StoredLogin {
    std::optional<QString> pass;
    std::optional<QString> user;
    std::optional<QString> db;
    std::optional<QString> key;

    // Reads without creating the key; a missing key gives all values absent.
    static StoredLogin read();
    bool savingAllowed() const { return key == QLatin1String("1"); }
};

// Writes the login as the dialog holds it when it closes, creating the key when absent: the
// password as typed only when saving is allowed, else an empty one. Error when it cannot be kept.
void storeLogin(const DbmsLogin& typed, bool savePassword);

// The Qt Sql driver: the environment variable TK4718EH_DBMS_DRIVER, else the value "Driver" of
// the Domvara key, else QPSQL.
QString dbmsDriverName();

// How a data source reaches the server. QPSQL: "[host[:port]/]database", where the host may be
// a folder holding the server's Unix socket ("/run/postgresql:5432/metering"). Other drivers take
// the data source whole as their database name (an Oracle net service name or "//host:port/service",
// an ODBC data source name), as the site's client configuration resolves it.
struct DataSource {
    QString host;
    int port = -1;
    QString databaseName;
};
DataSource splitDataSource(const QString& driver, const QString& dataSource);

class DbmsConnection {
public:
    explicit DbmsConnection(QString driver = dbmsDriverName());
    ~DbmsConnection();
    DbmsConnection(const DbmsConnection&) = delete;
    DbmsConnection& operator=(const DbmsConnection&) = delete;

    // Closes what is open and connects with the login; false with lastError() when it fails.
    // The connection never asks for a login by itself and stays open until close().
    bool open(const DbmsLogin& login);
    bool isOpen() const;
    void close();
    QString lastError() const { return lastError_; }
    QString driver() const { return driver_; }

    QSqlDatabase database() const;

private:
    void drop();

    QString driver_;
    QString name_;
    QString lastError_;
};

} // namespace tk::store
