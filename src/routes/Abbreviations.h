#pragma once
// The abbreviation lists: per family, the meter type names route files use for it. They turn a
// meter type text into the reader's meter type code; each list lives in a text file of the
// working directory (Windows-1251, CR LF), with built-in defaults where the file is missing.
#include <QString>
#include <QStringList>
#include <array>

namespace tk::routes {

// The families a route can hold, in the order the lists are tried: ТЕЛВ-1, ТЕЛВ-2, ВАКЛ-4,
// ВАКЛ-ДР, ВАКЛ-ПДР.
inline constexpr int kRouteFamilies = 5;

class Abbreviations {
public:
    Abbreviations(); // the defaults

    const QStringList& lines(int family) const { return lists_[size_t(family)]; }
    void setLines(int family, QStringList lines) { lists_[size_t(family)] = std::move(lines); }

    // The file of each list, relative to the working directory.
    static QString fileName(int family);

    // Replaces each list whose file exists in the directory by the file's lines.
    void load(const QString& directory);
    // Writes all five files, replacing them. Throws Error naming the file that failed.
    void save(const QString& directory) const;

    // The meter type code of a type text, 0 when no family matches: a family matches when the
    // text is its name exactly, or when one of its (non-empty) lines occurs in the text, both
    // upper-cased by the system's rules; the last family that matches wins.
    int typeCode(const QString& typeName) const;

private:
    std::array<QStringList, kRouteFamilies> lists_;
};

} // namespace tk::routes
