#pragma once
// The tabs "Показания", "Расчёт" and "Годовой отчет": a strip of the column and register choices
// with the query and export buttons, and the report grid below it.
#include "processing/ReportGridModel.h"

#include <QWidget>

class QComboBox;
class QLabel;
class QSpinBox;
class QTableView;

namespace tk::processing {

class ProcessingActions;
class RadioGroup;

// The grid a report tab shows, through its model; the widths of the report's columns are set.
void showReport(QTableView* view, ReportGrid grid);
// The report a tab's grid shows now.
const ReportGrid& shownReport(const QTableView* view);

class ReadingsTab : public QWidget {
    Q_OBJECT
public:
    explicit ReadingsTab(const ProcessingActions& actions, QWidget* parent = nullptr);
    QTableView* StringCount = nullptr;
};

class CalcTab : public QWidget {
    Q_OBJECT
public:
    explicit CalcTab(const ProcessingActions& actions, QWidget* parent = nullptr);
    RadioGroup* RadioValue = nullptr;
    QTableView* StringCalc = nullptr;
};

class YearTab : public QWidget {
    Q_OBJECT
public:
    explicit YearTab(const ProcessingActions& actions, QWidget* parent = nullptr);

    // An empty first entry, then the routes of the route list.
    void setRoutes(const QStringList& names);
    // The "День:" label and spin box are shown only while "текущие" is chosen.
    void showDay();

    RadioGroup* RadioValue_Y = nullptr;
    QComboBox* ComboRoute = nullptr;
    QSpinBox* SpinYear = nullptr;
    QLabel* LabelDay = nullptr;
    QSpinBox* SpinDay = nullptr;
    QTableView* StringYear = nullptr;

signals:
    void routeTextChanged(const QString& text);
};

} // namespace tk::processing
