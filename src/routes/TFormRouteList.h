#pragma once
// "Выбор маршрутов": the route names of the route table, one or several to choose.
#include <QDialog>
#include <QStringList>

class QListWidget;
class QPushButton;

namespace tk::routes {

class TFormRouteList : public QDialog {
    Q_OBJECT
public:
    explicit TFormRouteList(QWidget* owner = nullptr);

    // Before each showing: the names to offer (ascending) and whether several may be chosen.
    void setRoutes(const QStringList& names);
    void setMultiSelect(bool multi);
    // The chosen names in the list's order.
    QStringList selectedRoutes() const;

private:
    QListWidget* ListRoute = nullptr;
    QPushButton* BtnOk = nullptr;
};

} // namespace tk::routes
