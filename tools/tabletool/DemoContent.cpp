#include "DemoContent.h"

#include "common/Error.h"
#include "store/dbf/DbfFile.h"
#include "store/dbf/LocalSql.h"
#include "store/dbf/Restructure.h"
#include "store/dbf/StandardTables.h"

#include <QDir>
#include <QFileInfo>
#include <QTime>
#include <cmath>
#include <numbers>
#include <random>
#include <vector>

namespace tk::tabletool {

namespace {

struct Point {
    qint64 account;
    QString street;
    QString house;
    int number;
    int type; // ctype 0..4
    QString subscriber;
    QString route;
    double rate = 0;       // kWh a day
    double start = 0;      // register total on the first day of the readings
    bool read = true;      // a new point has no readings yet
    int group = -1;        // balance group whose sub-meter it is
};

struct Group {
    int main;   // index of the main meter in the points
    int kent;
    double loss;
};

const char16_t* const kSurnames[] = {u"Иванов",  u"Петров",  u"Сидоров", u"Кузнецов", u"Смирнов", u"Попов",
                                     u"Васильев", u"Соколов", u"Михайлов", u"Новиков", u"Фёдоров", u"Морозов",
                                     u"Волков",  u"Алексеев", u"Лебедев", u"Семёнов", u"Егоров",  u"Павлов",
                                     u"Козлов",  u"Степанов", u"Николаев", u"Орлов",  u"Андреев", u"Макаров"};
const char16_t kInitials[] = u"АБВГДЕИКЛМНОПРСТ";

class Maker {
public:
    explicit Maker(const QDate& today) : today_(today), first_(QDate(today.year(), today.month(), 1).addMonths(-15)) {}

    std::vector<Point> points;
    std::vector<Group> groups;

    void build();
    int write(store::LocalSql& sql);

private:
    QString subscriber()
    {
        const QString surname = QString::fromUtf16(kSurnames[pick(0, int(std::size(kSurnames)) - 1)]);
        const int n = int(std::char_traits<char16_t>::length(kInitials));
        return surname + QLatin1Char(' ') + QChar(kInitials[pick(0, n - 1)]) + QLatin1Char('.') + QChar(kInitials[pick(0, n - 1)])
            + QLatin1Char('.');
    }
    int pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }
    double real(double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(rng_); }
    int nextNumber(int type) { return ++numbers_[size_t(type)]; }
    Point& add(qint64 account, const QString& street, const QString& house, int number, int type, const QString& route);
    void route(const QString& name, const std::vector<QString>& streets, int houses, int typeWeights[5]);

    // Energy of a point at the start of a day: a daily rate with a winter peak.
    double energy(const Point& p, const QDate& d) const;
    double energyOfGroup(const Group& g, const QDate& d) const;
    double total(int index, const QDate& d) const;

    QDate today_;
    QDate first_;
    std::mt19937 rng_{4718};
    std::array<int, 5> numbers_{{310000, 110000, 210000, 410000, 510000}};
    qint64 account_ = 100300;
};

Point& Maker::add(qint64 account, const QString& street, const QString& house, int number, int type, const QString& route)
{
    Point p{account, street, house, number, type, subscriber(), route};
    p.rate = type <= 1 ? real(3, 12) : real(25, 140);
    p.start = real(1000, 60000);
    points.push_back(p);
    return points.back();
}

void Maker::route(const QString& name, const std::vector<QString>& streets, int houses, int typeWeights[5])
{
    int weightSum = 0;
    for (int t = 0; t < 5; ++t)
        weightSum += typeWeights[t];
    for (int h = 0; h < houses; ++h) {
        const QString& street = streets[size_t(h % int(streets.size()))];
        QString house = QString::number(1 + 2 * (h / int(streets.size())) + pick(0, 1));
        const int suffix = pick(0, 9);
        if (suffix == 0)
            house += QStringLiteral("А");
        else if (suffix == 1)
            house += QStringLiteral("/%1").arg(pick(1, 3));
        const int flats = pick(1, 6);
        for (int f = 0; f < flats; ++f) {
            int w = pick(1, weightSum), type = 0;
            while (w > typeWeights[type]) {
                w -= typeWeights[type];
                ++type;
            }
            // A few accounts of the newer ten-digit series, above 2^31.
            const qint64 account = pick(0, 24) == 0 ? 4294967000LL + (++account_) : ++account_;
            add(account, street, house, nextNumber(type), type, name);
        }
    }
}

void Maker::build()
{
    // Route 1 of the demo reader, point for point.
    const QString centre = QStringLiteral("Центр");
    add(100234, QStringLiteral("САДОВАЯ"), QStringLiteral("12"), 101234, 1, centre);
    add(4294967396LL, QStringLiteral("САДОВАЯ"), QStringLiteral("300/3"), 101235, 1, centre);
    add(100237, QStringLiteral("ЛЕНИНА"), QStringLiteral("5А"), 301001, 0, centre);
    add(100236, QStringLiteral("МИРА"), QStringLiteral("27А"), 201002, 2, centre);
    add(100239, QStringLiteral("МИРА"), QStringLiteral("17"), 501001, 4, centre);

    // The other meters the demo reader holds readings of, on the second route of the reader.
    const QString riverside = QStringLiteral("Заречье");
    add(100235, QStringLiteral("ЗАРЕЧНАЯ"), QStringLiteral("1"), 201001, 2, riverside);
    add(100238, QStringLiteral("ЗАРЕЧНАЯ"), QStringLiteral("3"), 301002, 0, riverside);
    add(100240, QStringLiteral("ЗАРЕЧНАЯ"), QStringLiteral("5"), 401001, 3, riverside);

    int houses[5] = {30, 55, 8, 4, 3};
    route(riverside, {QStringLiteral("ЗАРЕЧНАЯ"), QStringLiteral("НАБЕРЕЖНАЯ"), QStringLiteral("ЛЕСНАЯ")}, 26, houses);
    int north[5] = {25, 60, 8, 4, 3};
    route(QStringLiteral("Северный"), {QStringLiteral("ШКОЛЬНАЯ"), QStringLiteral("ПОЛЕВАЯ"), QStringLiteral("ГАГАРИНА")}, 30, north);
    int station[5] = {35, 50, 6, 5, 4};
    route(QStringLiteral("Вокзальный"), {QStringLiteral("ВОКЗАЛЬНАЯ"), QStringLiteral("СОВЕТСКАЯ"), QStringLiteral("ПУШКИНА"),
                                         QStringLiteral("ЛЕНИНА")},
          28, station);
    int works[5] = {0, 2, 40, 30, 28};
    route(QStringLiteral("Промзона"), {QStringLiteral("ЗАВОДСКАЯ"), QStringLiteral("ПРОМЫШЛЕННАЯ")}, 9, works);

    // Two points added lately: listed, not read yet.
    for (int i = 0; i < 2; ++i)
        add(++account_, QStringLiteral("ЛЕСНАЯ"), QStringLiteral("40"), nextNumber(1), 1, riverside).read = false;

    // Balance groups: a three-phase meter at the feed of a street, its sub-meters every
    // single-phase meter of that street.
    struct Feed {
        const char16_t* street;
        int type;
        int kent;
    };
    const Feed feeds[] = {{u"НАБЕРЕЖНАЯ", 2, 1}, {u"ШКОЛЬНАЯ", 3, 20}, {u"СОВЕТСКАЯ", 2, 40}, {u"ПОЛЕВАЯ", 4, 1}};
    for (const Feed& f : feeds) {
        const QString street = QString::fromUtf16(f.street);
        const QString routeName = [&] {
            for (const Point& p : points)
                if (p.street == street)
                    return p.route;
            return QString();
        }();
        const int group = int(groups.size());
        for (Point& p : points)
            if (p.street == street && p.type <= 1 && p.read && p.group < 0)
                p.group = group;
        Point& main = add(++account_, street, QStringLiteral("1"), nextNumber(f.type), f.type, routeName);
        main.subscriber = QStringLiteral("ТП ") + street.left(1) + street.mid(1).toLower();
        groups.push_back({int(points.size()) - 1, f.kent, real(0.03, 0.08)});
    }
}

double Maker::energy(const Point& p, const QDate& d) const
{
    // Rate r with a winter peak of 30 %: the integral of r * (1 + 0.3 cos(2 pi (t - 15) / 365)).
    const double days = double(first_.daysTo(d));
    const double w = 2 * std::numbers::pi / 365.0;
    const double t0 = first_.dayOfYear() - 15.0;
    return p.start + p.rate * (days + 0.3 / w * (std::sin(w * (t0 + days)) - std::sin(w * t0)));
}

double Maker::energyOfGroup(const Group& g, const QDate& d) const
{
    const int index = int(&g - groups.data());
    double sum = 0;
    for (const Point& p : points)
        if (p.group == index)
            sum += energy(p, d) - p.start;
    return points[size_t(g.main)].start + sum * (1 + g.loss) / g.kent;
}

double Maker::total(int index, const QDate& d) const
{
    for (const Group& g : groups)
        if (g.main == index)
            return energyOfGroup(g, d);
    return energy(points[size_t(index)], d);
}

int Maker::write(store::LocalSql& sql)
{
    for (const Point& p : points)
        sql.execute({QStringLiteral("INSERT INTO Route(pers,street,house,number,ctype,subscriber,route)"),
                     QStringLiteral("VALUES(:pers,:street,:house,:number,:ctype,:subscriber,:route)")},
                    store::Params()
                        .integer(QStringLiteral("pers"), p.account)
                        .text(QStringLiteral("street"), p.street)
                        .text(QStringLiteral("house"), p.house)
                        .integer(QStringLiteral("number"), p.number)
                        .integer(QStringLiteral("ctype"), p.type)
                        .text(QStringLiteral("subscriber"), p.subscriber)
                        .text(QStringLiteral("route"), p.route));
    for (const Group& g : groups) {
        const Point& main = points[size_t(g.main)];
        for (const Point& p : points)
            if (p.group == int(&g - groups.data()))
                sql.execute({QStringLiteral("INSERT INTO Balance(number_m,type_m,number_s,type_s,kent)"),
                             QStringLiteral("VALUES(:m,:tm,:s,:ts,:k)")},
                            store::Params()
                                .integer(QStringLiteral("m"), main.number)
                                .integer(QStringLiteral("tm"), main.type)
                                .integer(QStringLiteral("s"), p.number)
                                .integer(QStringLiteral("ts"), p.type)
                                .integer(QStringLiteral("k"), g.kent));
    }

    static const char* const tables[5] = {"Telv1", "Telv2", "Vakl4", "VaklDr", "VaklPdr"};
    int readings = 0;
    // Month by month, each route walked on a day of its own, its points in route order.
    for (QDate month = first_; month <= today_; month = month.addMonths(1)) {
        QString lastRoute;
        int walk = 0;
        for (int i = 0; i < int(points.size()); ++i) {
            const Point& p = points[size_t(i)];
            if (p.route != lastRoute) {
                lastRoute = p.route;
                walk = 0;
            }
            ++walk;
            if (!p.read)
                continue;
            int routeDay = 3;
            for (QChar c : p.route)
                routeDay = (routeDay * 31 + c.unicode()) % 7;
            routeDay += 3;
            QDate day(month.year(), month.month(), std::min(routeDay + walk / 40, month.daysInMonth()));
            if (day > today_)
                day = today_;
            if (day < first_)
                continue;
            const QString time = QTime(9, 0).addSecs(walk * 150 % (8 * 3600)).toString(QStringLiteral("hh:mm"));
            const QDate billing(day.year(), day.month(), 1);
            const double now = total(i, day), atBilling = total(i, billing);
            store::Params params;
            params.integer(QStringLiteral("pers"), p.account)
                .text(QStringLiteral("street"), p.street)
                .text(QStringLiteral("house"), p.house)
                .integer(QStringLiteral("number"), p.number)
                .date(QStringLiteral("date_meas"), day)
                .text(QStringLiteral("time_meas"), time);
            const QString table = QString::fromLatin1(tables[p.type]);
            if (p.type == 0) {
                // The single register with its three decimals; this family reports no status.
                params.real(QStringLiteral("meas_1"), std::round(now * 1000) / 1000);
                sql.execute({QStringLiteral("INSERT INTO ") + table + QStringLiteral("(pers,street,house,number,date_meas,time_meas,meas_1)"),
                             QStringLiteral("VALUES(:pers,:street,:house,:number,:date_meas,:time_meas,:meas_1)")},
                            params);
            } else {
                // Three tariffs: 55 % day, 30 % night, 15 % peak, whole kilowatt-hours.
                const double share[3] = {0.55, 0.30, 0.15};
                for (int t = 0; t < 3; ++t) {
                    params.integer(QStringLiteral("meas_%1").arg(t + 1), qint64(now * share[t]));
                    params.integer(QStringLiteral("meas_%1_1").arg(t + 1), qint64(atBilling * share[t]));
                }
                params.integer(QStringLiteral("status"), 0)
                    .integer(QStringLiteral("check_sum"), (p.number + day.dayOfYear()) % 256)
                    .integer(QStringLiteral("work_time"), 1051200 + qint64(QDate(2020, 1, 1).daysTo(day)) * 1440)
                    .integer(QStringLiteral("correct"), p.number % 3)
                    .integer(QStringLiteral("delta"), (p.number + day.month()) % 21 - 10);
                sql.execute({QStringLiteral("INSERT INTO ") + table
                                 + QStringLiteral("(pers,street,house,number,date_meas,time_meas,status,meas_1,meas_2,meas_3,"),
                             QStringLiteral("meas_1_1,meas_2_1,meas_3_1,check_sum,work_time,correct,delta)"),
                             QStringLiteral("VALUES(:pers,:street,:house,:number,:date_meas,:time_meas,:status,:meas_1,:meas_2,"),
                             QStringLiteral(":meas_3,:meas_1_1,:meas_2_1,:meas_3_1,:check_sum,:work_time,:correct,:delta)")},
                            params);
            }
            ++readings;
        }
    }
    return readings;
}

} // namespace

DemoSummary makeDemo(const QString& dir, const QDate& today)
{
    const QDir d(dir);
    if (!d.exists())
        throw Error(QStringLiteral("The directory %1 does not exist").arg(dir));
    // First look at every table, so that a refusal leaves the directory as it was.
    std::vector<const dbf::StandardTable*> missing;
    for (const dbf::StandardTable& t : dbf::standardTables()) {
        const QString stem = t.fileName.chopped(4);
        bool found = false;
        for (const QFileInfo& fi : d.entryInfoList(QDir::Files)) {
            if (fi.suffix().compare(QLatin1String("dbf"), Qt::CaseInsensitive) != 0
                || fi.completeBaseName().compare(stem, Qt::CaseInsensitive) != 0)
                continue;
            found = true;
            dbf::DbfFile f;
            f.open(fi.absoluteFilePath(), false);
            for (std::uint32_t r = 0; r < f.recordCount(); ++r)
                if (!dbf::DbfFile::isDeleted(f.record(r)))
                    throw Error(QStringLiteral("%1 holds rows; the demo goes only into empty tables").arg(fi.fileName()));
        }
        if (!found)
            missing.push_back(&t);
    }
    for (const dbf::StandardTable* t : missing)
        dbf::createTable(d.filePath(t->fileName), t->schema);

    Maker maker(today);
    maker.build();
    store::LocalSql sql(dir);
    DemoSummary s;
    s.readings = maker.write(sql);
    s.points = int(maker.points.size());
    QStringList routes;
    for (const Point& p : maker.points)
        if (!routes.contains(p.route))
            routes << p.route;
    s.routes = int(routes.size());
    for (const Point& p : maker.points)
        s.balanceRows += p.group >= 0;
    return s;
}

} // namespace tk::tabletool
