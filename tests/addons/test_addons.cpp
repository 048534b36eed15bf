// The add-on binding against our libraries and against stand-ins that misbehave, and our
// vormadd and vormadddb through it.
#include "common/AddOns.h"
#include "common/Cp1251.h"
#include "common/Error.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace tk;
using namespace tk::addons;

namespace {

QString binDir()
{
    const QString dir = qEnvironmentVariable("TK_BIN_DIR");
    return dir.isEmpty() ? QStringLiteral(TK_BIN_DIR_DEFAULT) : dir;
}

QString standIn(const char* kind)
{
    return QStringLiteral(TESTADDON_DIR "/") + QLatin1String(kind);
}

QString errorOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const Error& e) {
        return e.message();
    }
    return QStringLiteral("(no error)");
}

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(missing)");
}

TextGrid readingGrid()
{
    TextGrid g({QStringLiteral("Номер"), QStringLiteral("Дата"), QStringLiteral("Улица")});
    g.appendRecord({QStringLiteral("000042"), QStringLiteral("01.02.2005"), QStringLiteral("Ленина; угол")});
    g.appendRecord({QStringLiteral("123456"), QStringLiteral("02.02.2005"), QStringLiteral("Мира \"2\"")});
    return g;
}

} // namespace

TEST(AddOnBinding, AMissingLibraryOrFunctionIsNamed)
{
    QTemporaryDir empty;
    EXPECT_TRUE(errorOf([&] { Vormadd::load(empty.path()); }).startsWith("Не удалось загрузить библиотеку vormadd"));
    EXPECT_EQ("В библиотеке vormadd нет функции CheckRecord",
              errorOf([&] { Vormadd::load(standIn("lacking")); }).toStdString());

    // Only vormadd present: start-up must still stop, naming the other one.
    const QString ours = Vormadd::load(binDir())->fileName();
    ASSERT_TRUE(QFile::copy(ours, empty.filePath(QFileInfo(ours).fileName())));
    EXPECT_TRUE(errorOf([&] { loadAddOns(empty.path()); }).startsWith("Не удалось загрузить библиотеку vormadddb"));

    const AddOns both = loadAddOns(binDir());
    EXPECT_TRUE(both.vormadd && both.vormadddb);
}

TEST(AddOnBinding, TextIsTakenUpToTheBufferWhateverTheLibraryWrites)
{
    const auto garbage = Vormadd::load(standIn("garbage"));
    const QString letters(1023, QChar(u'Ж'));
    EXPECT_EQ(letters, garbage->aboutString()) << "1023 characters and no NUL";
    EXPECT_EQ(letters, garbage->routeFromFileName("/routes/r.txt")) << "the whole 1024-byte buffer without a NUL";
    EXPECT_TRUE(errorOf([&] { garbage->decodeLine("1;2;3;4;5"); }).contains("больше 1024 байт"))
        << "writing past the buffer is reported, not read";
    EXPECT_TRUE(errorOf([&] { garbage->aboutBadge(); }).contains("негодную картинку"));
}

TEST(AddOnBinding, FailuresReportedByTheAddOnBecomeErrorsWithItsMessage)
{
    const auto failing = Vormadd::load(standIn("failing"));
    const std::string failure = "Сбой дополнения: нет связи";
    EXPECT_EQ(failure, errorOf([&] { failing->exportToFile(readingGrid(), "/tmp/x.txt", 2); }).toStdString());
    EXPECT_EQ(failure, errorOf([&] { failing->getDialogSave(); }).toStdString());
    EXPECT_EQ(failure, errorOf([&] { failing->decodeLine("1;2;3;4;5"); }).toStdString());
    EXPECT_EQ(failure, errorOf([&] { failing->aboutBadge(); }).toStdString());
    EXPECT_EQ("Библиотека vormadd сообщила об ошибке в функции CheckRecord",
              errorOf([&] { failing->checkRecord("1", "2", "3"); }).toStdString())
        << "a failure without a message still names the call";
}

TEST(AddOnBinding, TheGridGoesAcrossWholeInWindows1251)
{
    QTemporaryDir dir;
    const QString log = dir.filePath("log.txt");
    qputenv("TESTADDON_LOG", log.toLocal8Bit());
    const auto scripted = Vormadd::load(standIn("scripted"));

    scripted->exportToFile(readingGrid(), QStringLiteral("/tmp/Папка"), 4);
    EXPECT_EQ("target=/tmp/Папка\nkind=4\n"
              "Номер|Дата|Улица\n000042|01.02.2005|Ленина; угол\n123456|02.02.2005|Мира \"2\"\n||\n"
              "outside=[]\n",
              fromCp1251(readAll(log)).toStdString())
        << "captions, readings and the empty last row; empty text outside the grid";

    QFile::remove(log);
    EXPECT_TRUE(errorOf([&] { scripted->exportToFile(readingGrid(), QStringLiteral("/tmp/日本"), 4); })
                    .contains("Windows-1251"));
    EXPECT_FALSE(QFile::exists(log)) << "the add-on is not called with a mangled path";
    qunsetenv("TESTADDON_LOG");
}

// ---------------------------------------------------------------------------------- vormadd

TEST(Vormadd, RouteLinesDecodeIntoFieldsAndAreChecked)
{
    const auto vormadd = Vormadd::load(binDir());
    struct Case {
        QByteArray line;
        QStringList fields; // account, street, house, meter number, meter type
        int check;
    };
    const QByteArray lenina = toCp1251(QStringLiteral("Ленина"));
    const QByteArray telv = toCp1251(QStringLiteral("ТЕЛВ-2"));
    const std::vector<Case> cases = {
        {"1234567890;" + lenina + ";12/3;123456;" + telv, {"1234567890", "Ленина", "12/3", "123456", "ТЕЛВ-2"}, 0},
        {"  42 ; " + lenina + " ;\t" + toCp1251(QStringLiteral("7а")) + " ; 000001 ;" + telv, {"42", "Ленина", "7а", "000001", "ТЕЛВ-2"}, 0},
        {QByteArray("\xEF\xBB\xBF") + "5;Ленина;1;2;ТЕЛВ-1", {"5", "Ленина", "1", "2", "ТЕЛВ-1"}, 0}, // UTF-8 with BOM
        {"5;Мира;1;2;ВАКЛ-4", {"5", "Мира", "1", "2", "ВАКЛ-4"}, 0},                               // UTF-8 without
        {"17179869183;x;1;1;t", {"17179869183", "x", "1", "1", "t"}, 1},    // 11 digits
        {"9999999999;x;1;1;t", {"9999999999", "x", "1", "1", "t"}, 0},      // below 2^34
        {"12a;x;1;1;t", {"12a", "x", "1", "1", "t"}, 1},
        {";x;1;1;t", {"", "x", "1", "1", "t"}, 1},
        {"1;x;a1;1;t", {"1", "x", "a1", "1", "t"}, 2},
        {"1;x;1234567;1;t", {"1", "x", "1234567", "1", "t"}, 2},
        {"1;x;1;1234567;t", {"1", "x", "1", "1234567", "t"}, 3},
        {"1;x;1;12b;t", {"1", "x", "1", "12b", "t"}, 3},
        {"1;x;1", {"1", "x", "1", "", ""}, 3},                              // too few fields
        {"1;x;1;2;t;extra", {"1", "x", "1", "2", "t"}, 0},
    };
    for (const Case& c : cases) {
        const RouteLine r = vormadd->decodeLine(c.line);
        EXPECT_EQ(c.fields, QStringList({r.account, r.street, r.house, r.meterNumber, r.meterType})) << c.line.toStdString();
        EXPECT_EQ(c.check, vormadd->checkRecord(r.account, r.house, r.meterNumber)) << c.line.toStdString();
    }

    EXPECT_EQ("Маршрут 5", vormadd->routeFromFileName("/home/u/Маршрут 5.txt").toStdString());
    EXPECT_EQ("r.2024", vormadd->routeFromFileName("C:\\routes\\r.2024.csv").toStdString());
    EXPECT_EQ(".route", vormadd->routeFromFileName("/x/.route").toStdString());
}

TEST(Vormadd, TheSampleRouteFilesAreValid)
{
    const auto vormadd = Vormadd::load(binDir());
    for (const char* name : {"route-1.txt", "route-2-utf8.txt"}) {
        const QByteArray content = readAll(QStringLiteral(TK_ADDON_EXAMPLES "/") + name);
        QStringList streets;
        for (QByteArray line : content.split('\n')) {
            if (line.endsWith('\r'))
                line.chop(1);
            if (line.isEmpty())
                continue;
            const RouteLine r = vormadd->decodeLine(line);
            EXPECT_EQ(0, vormadd->checkRecord(r.account, r.house, r.meterNumber)) << name << ": " << line.toStdString();
            streets << r.street;
        }
        ASSERT_GE(streets.size(), 2) << name;
        EXPECT_EQ("Ленина", streets.front().toStdString()) << name << " decodes to Cyrillic";
    }
}

TEST(Vormadd, TextExportWritesCaptionsAndReadingsInWindows1251)
{
    const auto vormadd = Vormadd::load(binDir());
    EXPECT_EQ(2, vormadd->getDialogSave());
    QTemporaryDir dir;
    const QString target = dir.filePath("Экспорт.txt");
    QFile old(target);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("old content");
    old.close();

    vormadd->exportToFile(readingGrid(), target, 2);
    EXPECT_EQ(toCp1251(QStringLiteral("2\r\nНомер;Дата;Улица\r\n000042;01.02.2005;\"Ленина; угол\"\r\n"
                                      "123456;02.02.2005;\"Мира \"\"2\"\"\"\r\n")),
              readAll(target))
        << "code first, no trailing empty row, separators and quotes quoted";

    const QString missing = dir.filePath("нет/такой/папки.txt");
    EXPECT_EQ("Не удалось записать файл " + missing.toStdString() + ": No such file or directory",
              errorOf([&] { vormadd->exportToFile(readingGrid(), missing, 2); }).toStdString());
    EXPECT_EQ(QStringList({"Экспорт.txt"}), QDir(dir.path()).entryList(QDir::Files | QDir::Hidden))
        << "nothing half-written left behind";
    EXPECT_TRUE(errorOf([&] { vormadd->exportToFile(readingGrid(), dir.path(), 2); }).contains(dir.path()))
        << "a folder is not a file";
    EXPECT_TRUE(errorOf([&] { vormadd->exportToFile(readingGrid(), target, 6); }).contains("6"));
}

TEST(Vormadd, AboutTextAndADrawnBadge)
{
    const auto vormadd = Vormadd::load(binDir());
    EXPECT_TRUE(vormadd->aboutString().startsWith("Дополнения vormadd"));
    const Badge badge = vormadd->aboutBadge();
    ASSERT_EQ(64, badge.width);
    ASSERT_EQ(64, badge.height);
    EXPECT_EQ(0u, badge.pixels[0] >> 24) << "transparent corner";
    EXPECT_EQ(0xFFu, badge.pixels[32 * 64 + 32] >> 24) << "opaque dial";
}

// ---------------------------------------------------------------------------------- vormadddb

TEST(Vormadddb, WritesOneCsvLinePerReadingIntoTheDropFolder)
{
    qunsetenv("VORMADDDB_DROP_DIR");
    const auto db = Vormadddb::load(binDir());
    EXPECT_FALSE(db->possibleWriteToDb()) << "no drop folder: the program's own connection";

    QTemporaryDir dir;
    qputenv("VORMADDDB_DROP_DIR", dir.path().toLocal8Bit());
    EXPECT_TRUE(db->possibleWriteToDb());
    DbReading a{2, 123456, 5, 45000.5, 77, 90, 1, -3, {1.5, 2.25, 0}, {1, 2, 3}};
    DbReading b{1, 42, 0, 45001.25, 0, 0, 0, 0, {100.125, 0, 0}, {0, 0, 0}};
    db->writeToDb(a);
    db->writeToDb(b);
    const QStringList files = QDir(dir.path()).entryList({"readings-*.csv"}, QDir::Files);
    ASSERT_EQ(1, files.size());
    EXPECT_EQ("kind,meter,status,datetime,checksum,runminutes,corrections,difference,"
              "t1,t2,t3,billing_t1,billing_t2,billing_t3\r\n"
              "2,123456,5,45000.5,77,90,1,-3,1.5,2.25,0,1,2,3\r\n"
              "1,42,0,45001.25,0,0,0,0,100.125,0,0,0,0,0\r\n",
              readAll(dir.filePath(files.front())).toStdString());

    qputenv("VORMADDDB_DROP_DIR", dir.filePath("gone").toLocal8Bit());
    EXPECT_TRUE(errorOf([&] { db->writeToDb(a); }).endsWith("No such file or directory"));
    qunsetenv("VORMADDDB_DROP_DIR");
}
