#include "routes/RouteState.h"

#include "routes/RouteRecord.h"

namespace tk::routes {

RouteState::RouteState() : list_(routeListTitles()) {}

void RouteState::setName(const QString& name)
{
    if (name == name_)
        return;
    name_ = name;
    emit nameChanged(name_);
}

void RouteState::setNumber(int number)
{
    if (number == number_)
        return;
    number_ = number;
    emit numberChanged(number_);
}

void RouteState::setTask(TaskSource source, QStringList entries)
{
    taskSource_ = source;
    taskList_ = std::move(entries);
}

} // namespace tk::routes
