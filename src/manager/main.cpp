// Vormer_2005: the manager of the handheld meter reader.
#include "manager/SignalCloser.h"
#include "manager/TFormDelDate.h"
#include "manager/TFormSelDir.h"
#include "manager/TFormVorm.h"
#include "reader/TFormStatus.h"
#include "routes/TFormAbbr.h"
#include "routes/TFormAlternative.h"
#include "routes/TFormRouteList.h"

#include <QDir>

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    app.setApplicationName(tk::manager::applicationTitle());
    app.setApplicationDisplayName(tk::manager::applicationTitle());

    // All forms are made at start and live until exit; the dialogs are shown when needed.
    tk::manager::TFormVorm window(nullptr, {app.arguments(), {}, {}});
    tk::reader::TFormStatus status(&window);
    window.setStatusWindow(&status);
    tk::manager::TFormDelDate delDate(&window);
    window.setDeleteDateDialog(&delDate);
    tk::routes::TFormAbbr abbr(window.abbreviations(), QDir::currentPath(), window.prompter(), &window);
    tk::manager::TFormSelDir selDir(&window);
    tk::routes::TFormRouteList routeList(&window);
    tk::routes::TFormAlternative alternative(&window);
    window.setRouteDialogs(&routeList, &alternative, &abbr);

    // A stop request from outside closes the window the normal way, so nothing is lost.
    tk::manager::SignalCloser closer(&window);

    window.show();
    return app.exec();
}
