#include "manager/Startup.h"

#include <QDir>

#include "common/Error.h"
#include "common/Prompter.h"
#include "manager/ManagerSettings.h"

namespace tk::manager {

std::optional<addons::AddOns> bindAddOns(const QString& folder, Prompter& prompter)
{
    try {
        return addons::loadAddOns(folder);
    } catch (const Error& e) {
        prompter.error(applicationTitle(), e.message());
        return std::nullopt;
    }
}

ManagerForms::ManagerForms(const addons::AddOns& addOns, Prompter* prompter, StartupOptions options)
{
    options.addOns = &addOns;
    window_ = std::make_unique<TFormVorm>(prompter, std::move(options));
    about_ = std::make_unique<TAboutBox>(TAboutBox::Program::Manager, TAboutBox::addOnGroupFrom(*addOns.vormadd),
                                         window_.get());
    window_->setAboutBox(about_.get());
    status_ = std::make_unique<reader::TFormStatus>(window_.get());
    window_->setStatusWindow(status_.get());
    delDate_ = std::make_unique<TFormDelDate>(window_.get());
    window_->setDeleteDateDialog(delDate_.get());
    abbr_ = std::make_unique<routes::TFormAbbr>(window_->abbreviations(), QDir::currentPath(), window_->prompter(),
                                                window_.get());
    selDir_ = std::make_unique<TFormSelDir>(window_.get());
    window_->setFolderChooser(selDir_.get());
    routeList_ = std::make_unique<routes::TFormRouteList>(window_.get());
    alternative_ = std::make_unique<routes::TFormAlternative>(window_.get());
    window_->setRouteDialogs(routeList_.get(), alternative_.get(), abbr_.get());
}

ManagerForms::~ManagerForms() = default;

} // namespace tk::manager
