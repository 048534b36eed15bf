#include "routes/Abbreviations.h"

#include "common/Cp1251.h"
#include "common/Error.h"
#include "common/Families.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QSaveFile>

namespace tk::routes {

namespace {

const char* const kFiles[kRouteFamilies] = {"Abbr_lum.txt", "Abbr_telv.txt", "Abbr_vakl.txt", "Abbr_vakl_dr.txt",
                                            "Abbr_vakl_pdr.txt"};

// Some default lines mix look-alike Latin letters into the Cyrillic: "TEЛВ" begins with Latin T
// and E, "BAКЛ" with Latin B and A, "BАКЛ" with Latin B only — as route files write them.
const char16_t* const kDefaults[kRouteFamilies][6] = {
    {u"ТЕЛВ-1П", u"TEЛВ-1П", u"ТЕЛВ-2П Р/1-65", u"TEЛВ-2П Р/1-65", u"ТЕЛВ-2П Р/2-65", u"TEЛВ-2П Р/2-65"},
    {u"ТЕЛВ-2ПДР", u"TEЛВ-2ПДР", u"ТЕЛВ-1-2П", u"TEЛВ-1-2П", nullptr, nullptr},
    {u"BAКЛ-4", u"ВАКЛ-4", u"BАКЛ-4", nullptr, nullptr, nullptr},
    {u"ВАКЛ-ДР", u"BAКЛ-ДР", u"BАКЛ-ДР", u"ВАКЛ ДР", u"BAКЛ ДР", u"BАКЛ ДР"},
    {u"ВАКЛ-ПДР", u"BAКЛ-ПДР", u"BАКЛ-ПДР", u"ВАКЛ ПДР", u"BAКЛ ПДР", u"BАКЛ ПДР"},
};

} // namespace

Abbreviations::Abbreviations()
{
    for (int f = 0; f < kRouteFamilies; ++f)
        for (const char16_t* line : kDefaults[f])
            if (line)
                lists_[size_t(f)] << QString::fromUtf16(line);
}

QString Abbreviations::fileName(int family)
{
    return QString::fromLatin1(kFiles[family]);
}

void Abbreviations::load(const QString& directory)
{
    for (int f = 0; f < kRouteFamilies; ++f) {
        QFile file(QDir(directory).filePath(fileName(f)));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        QStringList lines;
        for (QByteArray line : file.readAll().split('\n')) {
            if (line.endsWith('\r'))
                line.chop(1);
            lines << fromCp1251(line);
        }
        // The last line end leaves an empty piece that is no line of the list.
        if (!lines.isEmpty() && lines.last().isEmpty())
            lines.removeLast();
        lists_[size_t(f)] = lines;
    }
}

void Abbreviations::save(const QString& directory) const
{
    for (int f = 0; f < kRouteFamilies; ++f) {
        const QString path = QDir(directory).filePath(fileName(f));
        QByteArray bytes;
        for (const QString& line : lists_[size_t(f)]) {
            bool unmappable = false;
            const QByteArray encoded = toCp1251(line, &unmappable);
            if (unmappable)
                throw Error(QStringLiteral("Строку \"%1\" нельзя записать в файл %2: в ней есть буквы, которых нет в кодировке Windows-1251")
                                .arg(line, fileName(f)));
            bytes += encoded + "\r\n";
        }
        QSaveFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
            throw Error(QStringLiteral("Не удалось записать файл %1: %2").arg(path, file.errorString()));
    }
}

int Abbreviations::typeCode(const QString& typeName) const
{
    const QLocale locale;
    const QString upper = locale.toUpper(typeName);
    int code = 0;
    for (int f = 0; f < kRouteFamilies; ++f) {
        const FamilyInfo& info = familyInfo(Family(f));
        if (typeName == familyName(info.family))
            code = info.meterTypeCode;
        for (const QString& line : lists_[size_t(f)])
            if (!line.isEmpty() && upper.contains(locale.toUpper(line)))
                code = info.meterTypeCode;
    }
    return code;
}

} // namespace tk::routes
