#include "DeviceState.h"

#include "common/Cp1251.h"
#include "common/Error.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSaveFile>
#include <QSet>

namespace tk::sim {

QString toHexText(const QByteArray& bytes)
{
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}

std::optional<QByteArray> fromHexText(const QString& text)
{
    QByteArray digits;
    digits.reserve(text.size());
    for (QChar c : text) {
        if (c == QLatin1Char(' '))
            continue;
        const char16_t u = c.unicode();
        if (!((u >= '0' && u <= '9') || (u >= 'a' && u <= 'f') || (u >= 'A' && u <= 'F')))
            return std::nullopt;
        digits.append(char(c.unicode()));
    }
    if (digits.size() % 2 != 0)
        return std::nullopt;
    return QByteArray::fromHex(digits);
}

namespace {

// Reads one JSON object, naming every fault by the file and the path of the value in it, and
// refusing keys it does not know: a misspelt key would otherwise be silently ignored.
class Reader {
public:
    explicit Reader(QString where) : where_(std::move(where)) {}

    [[noreturn]] void fail(const QString& path, const QString& what) const
    {
        throw Error(QStringLiteral("%1: %2: %3").arg(where_, path, what));
    }

    void onlyKeys(const QJsonObject& o, const QString& path, const QStringList& known) const
    {
        for (auto it = o.begin(); it != o.end(); ++it)
            if (!known.contains(it.key()))
                fail(path.isEmpty() ? it.key() : path + QLatin1Char('.') + it.key(),
                     QStringLiteral("unknown key (known: %1)").arg(known.join(QStringLiteral(", "))));
    }

    QByteArray hex(const QJsonValue& v, const QString& path) const
    {
        if (!v.isString())
            fail(path, QStringLiteral("expected a string of hex byte pairs"));
        auto bytes = fromHexText(v.toString());
        if (!bytes)
            fail(path, QStringLiteral("\"%1\" is not a string of hex byte pairs").arg(v.toString()));
        return *bytes;
    }

    uint8_t byte(const QJsonValue& v, const QString& path) const
    {
        const QByteArray b = hex(v, path);
        if (b.size() != 1)
            fail(path, QStringLiteral("expected one byte as two hex digits, as \"06\""));
        return uint8_t(b[0]);
    }

    int64_t integer(const QJsonValue& v, const QString& path, int64_t min, int64_t max) const
    {
        const double d = v.toDouble();
        if (!v.isDouble() || d != double(int64_t(d)))
            fail(path, QStringLiteral("expected an integer"));
        if (d < double(min) || d > double(max))
            fail(path, QStringLiteral("%1 is outside %2..%3").arg(int64_t(d)).arg(min).arg(max));
        return int64_t(d);
    }

private:
    QString where_;
};

// The name as text when the text gives back exactly these bytes, so that the file stays
// readable; raw hex otherwise (control characters, bytes without a character).
std::optional<QString> nameAsText(const QByteArray& name)
{
    QByteArray used = name;
    while (!used.isEmpty() && used.back() == '\0')
        used.chop(1);
    const QString text = fromCp1251(used);
    for (QChar c : text)
        if (c.unicode() < 0x20 || c.unicode() == 0xFFFD)
            return std::nullopt;
    bool lost = false;
    if (toCp1251(text, &lost) != used || lost)
        return std::nullopt;
    return text;
}

TariffZone zoneFrom(const Reader& r, const QJsonValue& v, const QString& path)
{
    const QByteArray b = r.hex(v, path);
    if (b.size() != 3)
        r.fail(path, QStringLiteral("a zone is three bytes: tariff, BCD hour, BCD minute, as \"02 06 30\""));
    return {uint8_t(b[0]), uint8_t(b[1]), uint8_t(b[2])};
}

Database databaseFrom(const Reader& r, const QJsonValue& v, const QString& path)
{
    if (!v.isObject())
        r.fail(path, QStringLiteral("expected an object"));
    const QJsonObject o = v.toObject();
    r.onlyKeys(o, path, {QStringLiteral("name"), QStringLiteral("nameHex"), QStringLiteral("records"),
                         QStringLiteral("capacity")});
    Database db;
    if (o.contains(QStringLiteral("name")) && o.contains(QStringLiteral("nameHex")))
        r.fail(path, QStringLiteral("give either \"name\" or \"nameHex\", not both"));
    if (o.contains(QStringLiteral("name"))) {
        const QString p = path + QStringLiteral(".name");
        const QJsonValue n = o.value(QStringLiteral("name"));
        if (!n.isString())
            r.fail(p, QStringLiteral("expected a string"));
        bool lost = false;
        db.name = toCp1251(n.toString(), &lost);
        if (lost)
            r.fail(p, QStringLiteral("\"%1\" has characters that Windows-1251 cannot hold").arg(n.toString()));
        if (db.name.size() > kNameSize)
            r.fail(p, QStringLiteral("\"%1\" is %2 bytes; a name holds at most %3")
                          .arg(n.toString()).arg(db.name.size()).arg(kNameSize));
        db.name.append(QByteArray(kNameSize - db.name.size(), '\0'));
    }
    if (o.contains(QStringLiteral("nameHex"))) {
        const QString p = path + QStringLiteral(".nameHex");
        db.name = r.hex(o.value(QStringLiteral("nameHex")), p);
        if (db.name.size() != kNameSize)
            r.fail(p, QStringLiteral("a name is exactly %1 bytes, not %2").arg(kNameSize).arg(db.name.size()));
    }
    if (o.contains(QStringLiteral("capacity")))
        db.capacity = int(r.integer(o.value(QStringLiteral("capacity")), path + QStringLiteral(".capacity"), 0,
                                    kDefaultCapacity));
    if (o.contains(QStringLiteral("records"))) {
        const QString p = path + QStringLiteral(".records");
        const QJsonValue recs = o.value(QStringLiteral("records"));
        if (!recs.isArray())
            r.fail(p, QStringLiteral("expected an array of hex strings"));
        const QJsonArray a = recs.toArray();
        for (int i = 0; i < a.size(); ++i) {
            const QString rp = QStringLiteral("%1[%2]").arg(p).arg(i);
            const QByteArray rec = r.hex(a[i], rp);
            if (rec.isEmpty() || rec.size() > kMaxRecordSize)
                r.fail(rp, QStringLiteral("a record is 1..%1 bytes, not %2").arg(kMaxRecordSize).arg(rec.size()));
            db.records.append(rec);
        }
        if (db.records.size() > db.capacity)
            r.fail(p, QStringLiteral("%1 records exceed the capacity %2").arg(db.records.size()).arg(db.capacity));
    }
    return db;
}

} // namespace

DeviceState DeviceState::fromJson(const QJsonObject& json, const QString& where)
{
    const Reader r(where);
    r.onlyKeys(json, {}, {QStringLiteral("version"), QStringLiteral("build"), QStringLiteral("clockOffsetMs"),
                          QStringLiteral("tariffs"), QStringLiteral("billingHour"), QStringLiteral("billingDay"),
                          QStringLiteral("summerFlag"), QStringLiteral("displayMode"), QStringLiteral("password"),
                          QStringLiteral("databases")});
    DeviceState s;
    auto has = [&](const char* key) { return json.contains(QLatin1String(key)); };
    auto at = [&](const char* key) { return json.value(QLatin1String(key)); };
    if (has("version"))
        s.version = r.byte(at("version"), QStringLiteral("version"));
    if (has("build"))
        s.build = r.byte(at("build"), QStringLiteral("build"));
    if (has("clockOffsetMs"))
        // Some centuries either way; the bound keeps the arithmetic on it far from overflow.
        s.clockOffsetMs = r.integer(at("clockOffsetMs"), QStringLiteral("clockOffsetMs"), -(int64_t(1) << 52),
                                    int64_t(1) << 52);
    if (has("tariffs")) {
        const QJsonValue t = at("tariffs");
        if (t.isString() && t.toString() == QLatin1String("single")) {
            s.tariffs.reset();
        } else if (t.isArray() && t.toArray().size() == 6) {
            TariffSchedule zones;
            for (int k = 0; k < 6; ++k)
                zones[size_t(k)] = zoneFrom(r, t.toArray()[k], QStringLiteral("tariffs[%1]").arg(k));
            s.tariffs = zones;
        } else {
            r.fail(QStringLiteral("tariffs"), QStringLiteral("expected \"single\" or an array of six zones"));
        }
    }
    if (has("billingHour"))
        s.billingHour = r.byte(at("billingHour"), QStringLiteral("billingHour"));
    if (has("billingDay"))
        s.billingDay = r.byte(at("billingDay"), QStringLiteral("billingDay"));
    if (has("summerFlag"))
        s.summerFlag = r.byte(at("summerFlag"), QStringLiteral("summerFlag"));
    if (has("displayMode"))
        s.displayMode = r.byte(at("displayMode"), QStringLiteral("displayMode"));
    if (has("password"))
        s.password = uint16_t(r.integer(at("password"), QStringLiteral("password"), 0, 65535));
    if (has("databases")) {
        const QJsonValue d = at("databases");
        if (!d.isObject())
            r.fail(QStringLiteral("databases"), QStringLiteral("expected an object keyed by database number"));
        const QJsonObject dbs = d.toObject();
        for (auto it = dbs.begin(); it != dbs.end(); ++it) {
            const QString path = QStringLiteral("databases.") + it.key();
            bool ok = false;
            const int n = it.key().toInt(&ok);
            if (!ok || n < 0 || n >= kDatabaseCount || QString::number(n) != it.key())
                r.fail(path, QStringLiteral("a database number is 0..%1").arg(kDatabaseCount - 1));
            s.databases[size_t(n)] = databaseFrom(r, it.value(), path);
        }
    }
    return s;
}

QJsonObject DeviceState::toJson() const
{
    auto byteText = [](uint8_t b) { return toHexText(QByteArray(1, char(b))); };
    QJsonObject o;
    o.insert(QStringLiteral("version"), byteText(version));
    o.insert(QStringLiteral("build"), byteText(build));
    o.insert(QStringLiteral("clockOffsetMs"), double(clockOffsetMs));
    if (tariffs) {
        QJsonArray zones;
        for (const TariffZone& z : *tariffs)
            zones.append(toHexText(bytesOf({z.tariff, z.hour, z.minute})));
        o.insert(QStringLiteral("tariffs"), zones);
    } else {
        o.insert(QStringLiteral("tariffs"), QStringLiteral("single"));
    }
    o.insert(QStringLiteral("billingHour"), byteText(billingHour));
    o.insert(QStringLiteral("billingDay"), byteText(billingDay));
    o.insert(QStringLiteral("summerFlag"), byteText(summerFlag));
    o.insert(QStringLiteral("displayMode"), byteText(displayMode));
    o.insert(QStringLiteral("password"), int(password));
    QJsonObject dbs;
    for (int n = 0; n < kDatabaseCount; ++n) {
        const Database& db = databases[size_t(n)];
        if (db == Database{})
            continue;
        QJsonObject d;
        if (!db.name.isEmpty()) {
            if (auto text = nameAsText(db.name))
                d.insert(QStringLiteral("name"), *text);
            else
                d.insert(QStringLiteral("nameHex"), toHexText(db.name));
        }
        if (db.capacity != kDefaultCapacity)
            d.insert(QStringLiteral("capacity"), db.capacity);
        QJsonArray recs;
        for (const QByteArray& rec : db.records)
            recs.append(toHexText(rec));
        d.insert(QStringLiteral("records"), recs);
        dbs.insert(QString::number(n), d);
    }
    o.insert(QStringLiteral("databases"), dbs);
    return o;
}

DeviceState DeviceState::load(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw Error(QStringLiteral("%1: cannot read: %2").arg(path, f.errorString()));
    QJsonParseError err;
    const QJsonDocument doc = QJsonDocument::fromJson(f.readAll(), &err);
    if (err.error != QJsonParseError::NoError)
        throw Error(QStringLiteral("%1: not valid JSON at byte %2: %3").arg(path).arg(err.offset).arg(err.errorString()));
    if (!doc.isObject())
        throw Error(QStringLiteral("%1: the top level must be an object").arg(path));
    return fromJson(doc.object(), path);
}

void DeviceState::save(const QString& path) const
{
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        throw Error(QStringLiteral("%1: cannot write: %2").arg(path, f.errorString()));
    f.write(QJsonDocument(toJson()).toJson(QJsonDocument::Indented));
    if (!f.commit())
        throw Error(QStringLiteral("%1: cannot write: %2").arg(path, f.errorString()));
}

} // namespace tk::sim
