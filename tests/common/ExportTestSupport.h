#pragma once
// What the export tests share: the office's open command pointed at a recorder (no desktop is
// ever reached), the export folder in a temporary directory, and an independent .xlsx reader.
#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

namespace tk::test {

class ExportPlace {
public:
    ExportPlace()
    {
        QFile script(tools_.filePath("open.sh"));
        script.open(QIODevice::WriteOnly);
        script.write("#!/bin/sh\nprintf '%s\\n' \"$1\" >> \"$(dirname \"$0\")/opened.txt\"\n");
        script.close();
        qputenv("TK4718EH_OPEN_COMMAND", ("/bin/sh " + tools_.filePath("open.sh")).toLocal8Bit());
        qputenv("TK4718EH_XLSX_FOLDER", folder_.path().toLocal8Bit());
    }
    ~ExportPlace()
    {
        qunsetenv("TK4718EH_OPEN_COMMAND");
        qunsetenv("TK4718EH_XLSX_FOLDER");
    }
    QString folder() const { return folder_.path(); }

    // What the open command was given, once `count` openings have arrived (they run detached).
    QStringList opened(int count) const
    {
        QDeadlineTimer deadline(10000);
        QStringList lines;
        do {
            QFile f(tools_.filePath("opened.txt"));
            if (f.open(QIODevice::ReadOnly))
                lines = QString::fromLocal8Bit(f.readAll()).split('\n', Qt::SkipEmptyParts);
            if (lines.size() >= count)
                break;
            QThread::msleep(20);
        } while (!deadline.hasExpired());
        return lines;
    }

private:
    QTemporaryDir tools_;
    QTemporaryDir folder_;
};

// The first sheet's rows; each cell null, ["n", number] or ["s", text].
inline QJsonArray readSheet(const QString& path)
{
    QProcess python;
    python.start(QStringLiteral(TK_PYTHON3), {QStringLiteral(TK_READ_XLSX), path});
    if (!python.waitForFinished(60000) || python.exitCode() != 0) {
        ADD_FAILURE() << "openpyxl could not read " << path.toStdString() << ": "
                      << python.readAllStandardError().toStdString();
        return {};
    }
    const QJsonObject o = QJsonDocument::fromJson(python.readAllStandardOutput()).object();
    EXPECT_EQ(1, o.value("sheets").toInt());
    return o.value("rows").toArray();
}

inline QJsonValue text(const QString& s) { return QJsonArray{"s", s}; }
inline QJsonValue number(double v) { return QJsonArray{"n", v}; }

} // namespace tk::test
