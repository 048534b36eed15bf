#pragma once
// What the route tab shows and the route chains work on: the route list, the route name, the
// route number (the reader slot 1-55), and the task (its source and its list of routes).
#include "common/TextList.h"

#include <QObject>
#include <QString>
#include <QStringList>

namespace tk::routes {

class RouteState : public QObject {
    Q_OBJECT
public:
    enum class TaskSource { Table = 1, Files = 2 };

    RouteState();

    TextList& list() { return list_; }
    const TextList& list() const { return list_; }

    QString name() const { return name_; }
    void setName(const QString& name);
    int number() const { return number_; }
    void setNumber(int number);

    TaskSource taskSource() const { return taskSource_; }
    const QStringList& taskList() const { return taskList_; }
    void setTask(TaskSource source, QStringList entries);
    void clearTask() { taskList_.clear(); }

signals:
    void nameChanged(const QString& name);
    void numberChanged(int number);

private:
    TextList list_;
    QString name_;
    int number_ = 1;
    TaskSource taskSource_ = TaskSource::Table;
    QStringList taskList_;
};

} // namespace tk::routes
