// Family-read benchmark: 500 ТЕЛВ-2 records read by the real main window from the emulated reader
// on a pty paced at 9600 baud, against the line's own time for the very requests and replies of
// that read (11 bits a byte, the 10 ms split of every request, the inserted clock reads).
#include "BenchApplication.h"
#include "BenchSupport.h"
#include "reader/Engine.h"
#include "common/Prompter.h"
#include "SimProcess.h"
#include "manager/TFormVorm.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

namespace {

int bytesOf(const QString& logLine, const QString& marker)
{
    const int at = logLine.indexOf(marker);
    return at < 0 ? 0 : int(logLine.mid(at + marker.size()).trimmed().split(' ', Qt::SkipEmptyParts).size());
}

int readBenchmark(QApplication& app, const QString& work, int records, int baud)
{
    QJsonArray list;
    for (int i = 0; i < records; ++i)
        list.append(QString::fromLatin1(tk::bench::telv2Record(i).toHex(' ')));
    QJsonObject db0;
    db0["records"] = list;
    QJsonObject dbs;
    dbs["0"] = db0;
    QJsonObject state;
    state["version"] = "06";
    state["build"] = "01";
    state["databases"] = dbs;
    const QString path = QDir(work).filePath("reader.json");
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(QJsonDocument(state).toJson());
    f.close();

    tk::test::SimProcess sim({"--state", path, "--baud", QString::number(baud)});
    if (!sim.started()) {
        std::fprintf(stderr, "%s\n", qPrintable(sim.error()));
        return 1;
    }
    tk::bench::PrintingPrompter prompter;
    tk::manager::StartupOptions options;
    options.arguments = {"Vormer_2005", "--port", sim.pty(), "--connect", "debug"};
    tk::manager::TFormVorm window(&prompter, options);
    window.show();
    tk::reader::Engine& engine = window.engine();

    QElapsedTimer wall;
    int logFrom = 0;
    double seconds = 0;
    bool started = false;
    QStringList log; // taken before the window closes (its close writes and frees the log)
    QTimer poll;
    poll.setInterval(1);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        const bool idle = engine.stepNo() <= tk::reader::StepClock && engine.readerActionsOn();
        if (!started && idle && engine.header().counts[size_t(tk::Family::Telv2)] == QString::number(records)) {
            started = true;
            logFrom = int(engine.exchangeLog()->size());
            wall.start();
            window.action("ActionTelv_2")->trigger();
        } else if (started && engine.stepNo() == tk::reader::StepCountTelv1) {
            // The version reply after the read has come back: the read is over.
            seconds = wall.nsecsElapsed() / 1e9;
            log = engine.exchangeLog()->mid(logFrom);
            app.quit();
        }
    });
    poll.start();
    QTimer::singleShot(records * 200 + 20000, [&] {
        std::fprintf(stderr, "the read did not finish\n");
        app.exit(1);
    });
    if (app.exec() != 0)
        return 1;

    // The line's time for what this read sent and received, up to the version request after it.
    const double byteS = 11.0 / baud;
    double limit = 0;
    int requests = 0, clocks = 0;
    for (int i = 0; i < log.size(); ++i) {
        const int sent = bytesOf(log[i], QStringLiteral(" Send: "));
        if (sent > 0) {
            if (log[i].contains(QLatin1String(" Send: 00 02 80 71")) && requests > 0)
                break;
            ++requests;
            clocks += log[i].contains(QLatin1String(" Send: 01 02 81 E1"));
            limit += tk::reader::kSendSplitMs / 1000.0 + (sent - 1) * byteS;
        }
        limit += bytesOf(log[i], QStringLiteral(" Receive: ")) * byteS;
    }
    const int rows = engine.familyGrid(int(tk::Family::Telv2)).recordCount();
    std::fflush(stdout);
    std::printf("read of %d ТЕЛВ-2 records at %d baud: %d rows, %d requests of which %d clock reads\n", records, baud,
                rows, requests, clocks);
    std::printf("measured:                    %.3f s\n", seconds);
    std::printf("wire limit:                  %.3f s\n", limit);
    std::printf("ratio measured / wire limit: %.3f (target at most 1.05)\n", seconds / limit);
    std::printf("clock reads per second:      %.2f (one due every 0.5 s)\n", clocks / seconds);
    return rows == records ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    tk::bench::ScratchApplication scratch(argc, argv);
    QApplication& app = scratch.app();
    const int records = argc > 1 ? std::atoi(argv[1]) : 500;
    return readBenchmark(app, scratch.path(), records, 9600);
}
