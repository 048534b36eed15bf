#include "store/export/DbmsConnection.h"

#include "common/Error.h"
#include "common/Settings.h"

#include <QAtomicInt>
#include <QSqlError>
#include <QTimeZone>

namespace tk::store {

namespace {

const QString kKey = QStringLiteral("Domvara");

QString connectionName()
{
    static QAtomicInt next;
    return QStringLiteral("tk-dbms-%1").arg(next.fetchAndAddRelaxed(1));
}

} // namespace

StoredLogin StoredLogin::read()
{
    StoredLogin out;
    Settings key(kKey);
    if (!key.open(false))
        return out;
    out.pass = key.readString(QStringLiteral("Pass"));
    out.user = key.readString(QStringLiteral("User"));
    out.db = key.readString(QStringLiteral("DB"));
    out.key = key.readString(QStringLiteral("Key"));
    return out;
}

void storeLogin(const DbmsLogin& typed, bool savePassword)
{
    Settings key(kKey);
    if (!key.open(true))
        throw Error(QStringLiteral("Нет доступа к %1").arg(key.location()));
    key.writeString(QStringLiteral("Pass"), savePassword ? typed.password : QString());
    key.writeString(QStringLiteral("User"), typed.user);
    key.writeString(QStringLiteral("DB"), typed.database);
    key.writeString(QStringLiteral("Key"), savePassword ? QStringLiteral("1") : QStringLiteral("0"));
    key.close();
}

QString dbmsDriverName()
{
    const QString fromEnvironment = qEnvironmentVariable("TK4718EH_DBMS_DRIVER").trimmed();
    if (!fromEnvironment.isEmpty())
        return fromEnvironment;
    Settings key(kKey);
    if (key.open(false)) {
        const QString stored = key.readString(QStringLiteral("Driver")).value_or(QString()).trimmed();
        if (!stored.isEmpty())
            return stored;
    }
    return QStringLiteral("QPSQL");
}

DataSource splitDataSource(const QString& driver, const QString& dataSource)
{
    DataSource out;
    if (driver != QLatin1String("QPSQL")) {
        out.databaseName = dataSource;
        return out;
    }
    const int slash = dataSource.lastIndexOf(QLatin1Char('/'));
    if (slash < 0) {
        out.databaseName = dataSource;
        return out;
    }
    out.databaseName = dataSource.mid(slash + 1);
    out.host = dataSource.left(slash);
    const int colon = out.host.lastIndexOf(QLatin1Char(':'));
    if (colon >= 0) {
        bool ok = false;
        const int port = out.host.mid(colon + 1).toInt(&ok);
        if (ok && port > 0 && port < 65536) {
            out.port = port;
            out.host.truncate(colon);
        }
    }
    return out;
}

DbmsConnection::DbmsConnection(QString driver) : driver_(std::move(driver)), name_(connectionName()) {}

DbmsConnection::~DbmsConnection() { drop(); }

// Closes and forgets the connection of this name, if there is one.
void DbmsConnection::drop()
{
    if (!QSqlDatabase::contains(name_))
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(name_, false); // let go before the removal
        db.close();
    }
    QSqlDatabase::removeDatabase(name_);
}

bool DbmsConnection::open(const DbmsLogin& login)
{
    lastError_.clear();
    drop();
    QSqlDatabase db = QSqlDatabase::addDatabase(driver_, name_);
    if (!db.isValid()) {
        lastError_ = QStringLiteral("Qt Sql driver %1 is not available").arg(driver_);
        return false;
    }
    const DataSource source = splitDataSource(driver_, login.database);
    db.setDatabaseName(source.databaseName);
    if (!source.host.isEmpty())
        db.setHostName(source.host);
    if (source.port > 0)
        db.setPort(source.port);
    if (driver_ == QLatin1String("QPSQL")) {
        // The driver sends date-times as UTC and the server stores a reading's wall-clock time
        // in the session's zone: the session takes this computer's zone, so that 12:30 here is
        // 12:30 in the table whatever zone the server runs in.
        const QByteArray zone = QTimeZone::systemTimeZoneId();
        QString options = QStringLiteral("connect_timeout=15");
        if (!zone.isEmpty() && !zone.contains(' '))
            options += QStringLiteral(";options=-ctimezone=") + QString::fromLatin1(zone);
        db.setConnectOptions(options);
    }
    // Passed as given: an empty password is a login of its own (a stored login whose password
    // was not kept tries it first).
    if (db.open(login.user, login.password))
        return true;
    lastError_ = db.lastError().text().trimmed();
    if (lastError_.isEmpty())
        lastError_ = QStringLiteral("connection failed");
    return false;
}

bool DbmsConnection::isOpen() const
{
    return QSqlDatabase::contains(name_) && QSqlDatabase::database(name_, false).isOpen();
}

void DbmsConnection::close()
{
    if (QSqlDatabase::contains(name_))
        QSqlDatabase::database(name_, false).close();
}

QSqlDatabase DbmsConnection::database() const
{
    return QSqlDatabase::database(name_, false);
}

} // namespace tk::store
