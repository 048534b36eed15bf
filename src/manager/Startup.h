#pragma once
// Start-up of the reader manager: the add-on libraries are bound before anything else, then
// every form is made, in a fixed order, and lives until the program ends.
#include "common/AddOns.h"
#include "common/TAboutBox.h"
#include "manager/TFormDelDate.h"
#include "manager/TFormSelDir.h"
#include "manager/TFormVorm.h"
#include "reader/TFormStatus.h"
#include "routes/TFormAbbr.h"
#include "routes/TFormAlternative.h"
#include "routes/TFormRouteList.h"

#include <QString>
#include <memory>
#include <optional>

namespace tk {
class Prompter;
}

namespace tk::manager {

// Both add-on libraries from the folder. When a library or one of its functions is missing the
// user is told which, and nothing comes back: the program must not start without them.
std::optional<addons::AddOns> bindAddOns(const QString& folder, Prompter& prompter);

// The program's forms: the main window, the about box, the status window, the delete-date
// dialog, the abbreviation lists, the folder chooser, the route choice and the task source,
// made in this order and wired to the window. The add-ons must
// outlive them. Error from a form that cannot be made (an add-on failing the about box).
class ManagerForms {
public:
    ManagerForms(const addons::AddOns& addOns, Prompter* prompter, StartupOptions options);
    ~ManagerForms();
    ManagerForms(const ManagerForms&) = delete;
    ManagerForms& operator=(const ManagerForms&) = delete;

    TFormVorm& window() { return *window_; }
    TAboutBox& about() { return *about_; }
    TFormSelDir& folderChooser() { return *selDir_; }

private:
    // Declared in the order of making; the dialogs go before the window that owns them.
    std::unique_ptr<TFormVorm> window_;
    std::unique_ptr<TAboutBox> about_;
    std::unique_ptr<reader::TFormStatus> status_;
    std::unique_ptr<TFormDelDate> delDate_;
    std::unique_ptr<routes::TFormAbbr> abbr_;
    std::unique_ptr<TFormSelDir> selDir_;
    std::unique_ptr<routes::TFormRouteList> routeList_;
    std::unique_ptr<routes::TFormAlternative> alternative_;
};

} // namespace tk::manager
