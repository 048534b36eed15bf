// Runs the fuzz entry point of the table-file reader over a corpus, without libFuzzer, so
// that every ctest run exercises it. Arguments are files or folders (read recursively);
// after --refused, every input must be refused, either as a file or for a record.
#include "FuzzDbfReader.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <algorithm>
#include <cstdio>

int main(int argc, char** argv)
{
    bool mustRefuse = false;
    int inputs = 0, failures = 0;
    for (int i = 1; i < argc; ++i) {
        const QString arg = QFile::decodeName(argv[i]);
        if (arg == QLatin1String("--refused")) {
            mustRefuse = true;
            continue;
        }
        QStringList files;
        if (QFileInfo(arg).isDir()) {
            QDirIterator it(arg, QDir::Files, QDirIterator::Subdirectories);
            while (it.hasNext())
                files << it.next();
            std::sort(files.begin(), files.end());
        } else if (QFileInfo(arg).isFile()) {
            files << arg;
        }
        if (files.isEmpty()) {
            std::fprintf(stderr, "%s: no inputs there\n", argv[i]);
            ++failures;
        }
        for (const QString& path : files) {
            QFile f(path);
            if (!f.open(QIODevice::ReadOnly)) {
                std::fprintf(stderr, "%s: cannot be read\n", qPrintable(path));
                ++failures;
                continue;
            }
            const QByteArray bytes = f.readAll();
            const auto out = tk::fuzz::readTable(reinterpret_cast<const std::uint8_t*>(bytes.constData()), std::size_t(bytes.size()));
            ++inputs;
            if (out.opened && out.rows >= 0)
                std::printf("%s: %d rows\n", qPrintable(path), out.rows);
            else
                std::printf("%s: refused: %s\n", qPrintable(path), out.message.toUtf8().constData());
            if (mustRefuse && out.opened && out.rows >= 0) {
                std::fprintf(stderr, "%s: accepted, but it is a broken file\n", qPrintable(path));
                ++failures;
            }
        }
    }
    std::printf("%d inputs, %d failures\n", inputs, failures);
    return failures == 0 && inputs > 0 ? 0 : 1;
}
