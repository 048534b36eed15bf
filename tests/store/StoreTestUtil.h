#pragma once
// Helpers shared by the store tests: fixture paths and scratch directories.
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace tk::test {

inline QString fixtures()
{
    const QString root = qEnvironmentVariable("TK_FIXTURES", QStringLiteral(TK_FIXTURES_DEFAULT));
    return root + QStringLiteral("/dbf");
}

inline QByteArray readAll(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        ADD_FAILURE() << "cannot read " << path.toStdString();
    return f.readAll();
}

inline void writeAll(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    f.write(bytes);
}

// Copies a fixture folder (or some of its files) into a writable scratch directory.
inline void copyFixtures(const QString& folder, const QString& to, const QStringList& only = {})
{
    QDir src(fixtures() + QLatin1Char('/') + folder);
    for (const QString& name : src.entryList(QDir::Files)) {
        if (!only.isEmpty() && !only.contains(name))
            continue;
        writeAll(to + QLatin1Char('/') + name, readAll(src.filePath(name)));
    }
}

} // namespace tk::test
