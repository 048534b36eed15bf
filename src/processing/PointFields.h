#pragma once
// The controls the add and edit dialogs share: account, street, house, the meter group (number
// and type), subscriber and route, with their limits, and the rule that enables the dialog's
// first button.
#include "processing/RouteTable.h"

#include <QWidget>

class QComboBox;
class QLineEdit;
class QSpinBox;

namespace tk::processing {

class PointFields : public QWidget {
    Q_OBJECT
public:
    explicit PointFields(QWidget* parent = nullptr);

    // The five type names in code order, "ТЕЛВ-2" chosen; only while the list is empty (first use).
    void prepareTypes();
    // The route combo holds the names; its text is set to current.
    void setRoutes(const QStringList& names, const QString& current);
    // Fills every field from a listed point (the number read from its text, 0 when not a number).
    void setPoint(const PointRow& p);
    // The point as the fields give it, with the account read from the account field: Error when
    // that is not a whole number.
    MeteringPoint point() const;

    // A type is chosen, the meter number is at least 1 and the route text is not empty.
    bool complete() const;

    QLineEdit* EditPers = nullptr;
    QLineEdit* EditStreet = nullptr;
    QLineEdit* EditHouse = nullptr;
    QSpinBox* SpinNumber = nullptr;
    QComboBox* ComboType = nullptr;
    QLineEdit* EditSubscriber = nullptr;
    QComboBox* ComboRoute = nullptr;

signals:
    // Any field but the account changed.
    void edited();
};

} // namespace tk::processing
