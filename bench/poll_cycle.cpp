// Poll-cycle benchmark: the real main window polls the emulated reader over a pty, the emulator
// paced at 9600 baud with 11 bits a byte. Prints the time of 100 poll cycles against the limit
// the line sets, and the CPU time the manager spent per cycle.
// Arguments: [cycles] [baud, 0 for unpaced] [reply delay in ms].
#include "BenchApplication.h"
#include "BenchSupport.h"
#include "reader/Engine.h"
#include "reader/Frame.h"
#include "common/Prompter.h"
#include "SimProcess.h"
#include "manager/TFormVorm.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <sys/resource.h>

namespace {

double cpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// The line's own time for one poll cycle: every byte at 11 bits, and the 10 ms wait between a
// request's first byte and its rest (the first byte crosses the line inside that wait).
double wireLimitSeconds(int baud)
{
    using namespace tk::reader;
    const double byteS = 11.0 / baud;
    const int requests[] = {4, 5, 5, 5, 5, 5, 5, 5, 4}; // version, seven counts, clock
    const int replies[] = {6, 7, 7, 7, 7, 7, 7, 7, 10};
    double t = 0;
    for (int i = 0; i < 9; ++i)
        t += kSendSplitMs / 1000.0 + (requests[i] - 1) * byteS + replies[i] * byteS;
    return t;
}

} // namespace

int main(int argc, char** argv)
{
    tk::bench::ScratchApplication scratch(argc, argv);
    QApplication& app = scratch.app();

    const int cycles = argc > 1 ? std::atoi(argv[1]) : 100;
    const int baud = argc > 2 ? std::atoi(argv[2]) : 9600;
    // A reader with no street base, so that every cycle is the plain poll.
    const QString state = scratch.filePath("reader.json");
    QFile f(state);
    f.open(QIODevice::WriteOnly);
    f.write(R"({"version": "06", "build": "01"})");
    f.close();

    QStringList simArgs = {"--state", state, "--baud", QString::number(baud)};
    if (argc > 3) // a reply delay in ms, to see the cost of the bytes apart from the cost of the steps
        simArgs << "--reply-delay" << QString::fromLatin1(argv[3]);
    tk::test::SimProcess sim(simArgs);
    if (!sim.started()) {
        std::fprintf(stderr, "%s\n", qPrintable(sim.error()));
        return 1;
    }

    tk::bench::PrintingPrompter prompter;
    tk::manager::StartupOptions options;
    options.arguments = {"Vormer_2005", "--port", sim.pty()};
    tk::manager::TFormVorm window(&prompter, options);
    window.show();

    int versionRequests = 0;
    QElapsedTimer wall;
    double cpuStart = 0;
    double wallSeconds = 0;
    double cpuUsed = 0;
    QObject::connect(&window.engine(), &tk::reader::Engine::statusTextChanged, [&](const QString& text) {
        if (text != QStringLiteral("Запрос версии"))
            return;
        ++versionRequests;
        if (versionRequests == 2) { // the first cycle also opens the line; measure from the second
            wall.start();
            cpuStart = cpuSeconds();
        } else if (versionRequests == cycles + 2) {
            wallSeconds = wall.nsecsElapsed() / 1e9;
            cpuUsed = cpuSeconds() - cpuStart;
            app.quit();
        }
    });
    QTimer::singleShot(0, [&] { window.ActionConnectExecute(); });
    QTimer::singleShot(int(cycles * wireLimitSeconds(baud) * 3000) + 10000, [&] {
        std::fprintf(stderr, "the poll did not complete %d cycles (%d version requests)\n", cycles, versionRequests);
        app.exit(1);
    });
    const int rc = app.exec();
    window.ActionDisconnectExecute();
    if (rc != 0 || prompter.unexpected)
        return 1;

    const double limit = cycles * wireLimitSeconds(baud);
    std::printf("poll cycles:                 %d at %d baud, 11 bits a byte\n", cycles, baud);
    std::printf("measured:                    %.3f s (%.2f ms a cycle)\n", wallSeconds, wallSeconds * 1000 / cycles);
    std::printf("wire limit:                  %.3f s (%.2f ms a cycle)\n", limit, limit * 1000 / cycles);
    std::printf("ratio measured / wire limit: %.3f (target at most 1.05)\n", wallSeconds / limit);
    std::printf("manager CPU per cycle:       %.3f ms = %.2f %% of one core (target under 1 %%)\n",
                cpuUsed * 1000 / cycles, 100.0 * cpuUsed / wallSeconds);
    return 0;
}
