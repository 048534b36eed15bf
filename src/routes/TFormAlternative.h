#pragma once
// "Задание": where the routes of a task come from.
#include "routes/RouteState.h"

#include <QDialog>
#include <optional>

namespace tk::routes {

class TFormAlternative : public QDialog {
    Q_OBJECT
public:
    explicit TFormAlternative(QWidget* owner = nullptr);
    // Shows the dialog; nothing when it was closed without a choice.
    std::optional<RouteState::TaskSource> choose();

private:
    RouteState::TaskSource chosen_ = RouteState::TaskSource::Table;
};

} // namespace tk::routes
