// Vormer_2005: the manager of the handheld meter reader.
#include "common/Error.h"
#include "common/PrompterDialog.h"
#include "manager/ManagerSettings.h"
#include "manager/SignalCloser.h"
#include "manager/Startup.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    app.setApplicationName(tk::manager::applicationTitle());
    app.setApplicationDisplayName(tk::manager::applicationTitle());

    // Before any window: the add-ons from the program's own folder. Without them there is no start.
    tk::PrompterDialog startPrompter;
    const std::optional<tk::addons::AddOns> addOns =
        tk::manager::bindAddOns(QCoreApplication::applicationDirPath(), startPrompter);
    if (!addOns)
        return 1;

    // All forms are made at start and live until exit; the dialogs are shown when needed.
    std::unique_ptr<tk::manager::ManagerForms> forms;
    try {
        forms = std::make_unique<tk::manager::ManagerForms>(*addOns, nullptr,
                                                            tk::manager::StartupOptions{app.arguments(), {}, {}});
    } catch (const tk::Error& e) {
        startPrompter.error(tk::manager::applicationTitle(), e.message());
        return 1;
    }

    // A stop request from outside closes the window the normal way, so nothing is lost.
    tk::manager::SignalCloser closer(&forms->window());

    forms->window().show();
    return app.exec();
}
