#pragma once
// How GoogleTest prints the Qt values the tests compare, so that a failing comparison shows them
// as text. Included into every test file by the build (the printers must be seen everywhere a
// value of the type is printed).
#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QTime>
#include <ostream>

inline void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}
inline void PrintTo(const QByteArray& b, std::ostream* os)
{
    *os << "bytes " << b.toHex(' ').toStdString();
}
inline void PrintTo(const QStringList& list, std::ostream* os)
{
    *os << '{';
    for (qsizetype i = 0; i < list.size(); ++i) {
        *os << (i ? ", " : "");
        PrintTo(list[i], os);
    }
    *os << '}';
}
inline void PrintTo(const QDate& d, std::ostream* os)
{
    *os << (d.isValid() ? d.toString(Qt::ISODate).toStdString() : std::string("invalid date"));
}
inline void PrintTo(const QTime& t, std::ostream* os)
{
    *os << (t.isValid() ? t.toString(QStringLiteral("HH:mm:ss.zzz")).toStdString() : std::string("invalid time"));
}
inline void PrintTo(const QDateTime& t, std::ostream* os)
{
    *os << (t.isValid() ? t.toString(Qt::ISODateWithMs).toStdString() : std::string("invalid date-time"));
}
inline void PrintTo(const QPoint& p, std::ostream* os)
{
    *os << '(' << p.x() << ", " << p.y() << ')';
}
inline void PrintTo(const QSize& s, std::ostream* os)
{
    *os << s.width() << " x " << s.height();
}
inline void PrintTo(const QRect& r, std::ostream* os)
{
    *os << r.width() << " x " << r.height() << " at (" << r.x() << ", " << r.y() << ')';
}
