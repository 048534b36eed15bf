#pragma once
// The filter panel above the tabs, shared by all of them: the period (DTP1 .. DTP2), the street
// and house filters, and the progress gauge of the long queries.
#include "processing/Filter.h"

#include <QWidget>

class QComboBox;
class QDateEdit;
class QProgressBar;

namespace tk::processing {

class FilterPanel : public QWidget {
    Q_OBJECT
public:
    explicit FilterPanel(QWidget* parent = nullptr);

    void setPeriod(const Period& p);
    // The values as the reports read them when their query starts.
    Filter filter() const;

    // An empty first entry, then the names.
    void setStreets(const QStringList& streets);
    void setHouses(const QStringList& houses);
    void clearHouses();

    // The system's button face with the red channel shifted (see Filter.h).
    void colour();

    QDateEdit* DTP1 = nullptr;
    QDateEdit* DTP2 = nullptr;
    QComboBox* ComboStreet = nullptr;
    QComboBox* ComboHouse = nullptr;
    QProgressBar* Gauge1 = nullptr;

signals:
    void streetTextChanged(const QString& street);
};

} // namespace tk::processing
