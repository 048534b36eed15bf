#pragma once
// The binding of the add-on libraries vormadd and vormadddb (their C interface is documented in
// addons/include/). Both are loaded from one folder, the program's own, when the reader manager
// starts; a missing library or function is an Error that names it, and the manager does not start.
//
// Every call goes through the libraries' error channel: a failure reported there becomes an Error
// carrying the library's message. Text goes across in Windows-1251; returned text is read from
// a 1024-byte buffer up to its first NUL and never past 1023 bytes.
#include "common/TextGrid.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <memory>
#include <vector>

class QLibrary;

namespace tk::addons {

// One metering point as the route-file decoders give it.
struct RouteLine {
    QString account;
    QString street;
    QString house;
    QString meterNumber;
    QString meterType;
};

// The add-on's picture for the about box: width x height pixels 0xAARRGGBB, row by row.
struct Badge {
    int width = 0;
    int height = 0;
    std::vector<quint32> pixels;
    bool isNull() const { return width == 0 || height == 0; }
};

class Vormadd {
public:
    // Loads vormadd from the folder (vormadd.dll, libvormadd.so …) and resolves every function.
    static std::unique_ptr<Vormadd> load(const QString& folder);
    ~Vormadd();
    Vormadd(const Vormadd&) = delete;
    Vormadd& operator=(const Vormadd&) = delete;

    QString fileName() const;

    // Route files. The line is passed as it stands in the file, without its line end.
    QString routeFromFileName(const QString& path) const;
    // The five decoders, in their order.
    RouteLine decodeLine(const QByteArray& line) const;
    // 1 bad account, 2 bad house, 3 bad meter number, anything else: valid.
    int checkRecord(const QString& account, const QString& house, const QString& meterNumber) const;

    // Text export: 1 a folder, 2 a file, anything else no destination.
    int getDialogSave() const;
    // The whole grid goes across (captions, readings, the empty last row). Error when the target
    // cannot be written in Windows-1251.
    void exportToFile(const TextGrid& grid, const QString& target, int kind) const;

    // About box.
    QString aboutString() const;
    Badge aboutBadge() const;

    struct Functions;

private:
    Vormadd();
    std::unique_ptr<QLibrary> library_;
    std::unique_ptr<Functions> f_;
};

// One reading for the metering DBMS, in the order WriteToDb takes it.
struct DbReading {
    int kind = 0;
    int meterNumber = 0;
    int status = 0;
    double dateTime = 0; // days since 30 December 1899, the time of day as the fraction
    int checkSum = 0;
    int runMinutes = 0;
    int corrections = 0;
    int difference = 0;
    double tariffs[3] = {0, 0, 0};
    double billing[3] = {0, 0, 0};
};

class Vormadddb {
public:
    static std::unique_ptr<Vormadddb> load(const QString& folder);
    ~Vormadddb();
    Vormadddb(const Vormadddb&) = delete;
    Vormadddb& operator=(const Vormadddb&) = delete;

    QString fileName() const;
    bool possibleWriteToDb() const;
    // Error with the library's message when the reading was not written.
    void writeToDb(const DbReading& reading) const;

    struct Functions;

private:
    Vormadddb();
    std::unique_ptr<QLibrary> library_;
    std::unique_ptr<Functions> f_;
};

struct AddOns {
    std::unique_ptr<Vormadd> vormadd;
    std::unique_ptr<Vormadddb> vormadddb;
};

// Both libraries from the folder; Error naming what is missing.
AddOns loadAddOns(const QString& folder);
// Both libraries from the program's own folder, as the reader manager loads them at start.
AddOns loadAddOns();

} // namespace tk::addons
