// Kelvadi: processing of the local meter-reading tables.
#include "common/TAboutBox.h"
#include "processing/CommandLine.h"
#include "processing/ProcessingSettings.h"
#include "processing/TFormAddPoint.h"
#include "processing/TFormBalance.h"
#include "processing/TFormEditPoint.h"
#include "processing/TFormMain.h"
#include "processing/TFormMemo.h"
#include "processing/TFormNoBalance.h"

#include <QApplication>
#include <QCoreApplication>
#include <cstdio>

int main(int argc, char* argv[])
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    if (tk::processing::wantsCommandLine(args)) {
        // A report for a script: no window, so no display is needed.
        QCoreApplication core(argc, argv);
        QTextStream out(stdout), err(stderr);
        return tk::processing::runCommandLine(args, out, err);
    }

    QApplication app(argc, argv);
    app.setApplicationName(tk::processing::applicationTitle());
    app.setApplicationDisplayName(tk::processing::applicationTitle());

    using namespace tk::processing;
    // All forms are made at start, in this order, and live until exit.
    TFormMain window;
    TFormEditPoint edit(window.routeTable(), window.prompter(), &window);
    TFormAddPoint add(window.routeTable(), window.prompter(), nullptr, &window);
    window.setPointDialogs(&add, &edit);
    tk::TAboutBox about(tk::TAboutBox::Program::Processing, std::nullopt, &window);
    window.setAboutBox(&about);
    TFormNoBalance noBalance(window.sql(), window.prompter(), &window);
    TFormBalance balance(window.sql(), window.prompter(), nullptr, &window);
    TFormMemo memo(&window);
    window.setBalanceDialogs(&balance, &noBalance, &memo);

    window.show();
    return app.exec();
}
