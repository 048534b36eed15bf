#include "processing/ReportTabs.h"

#include "processing/Controls.h"
#include "processing/ProcessingActions.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QSpinBox>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

namespace tk::processing {

namespace {

struct Box {
    const char* name;
    const char16_t* caption;
};

// The strip above a report grid: the boxes in rows of `perColumn`, then what the tab adds, then
// the query and export buttons.
QWidget* strip(QWidget* tab, std::initializer_list<Box> boxes, int perColumn, QHBoxLayout*& extra, const ProcessingActions& actions,
               const char* query, const char* excel)
{
    auto* s = new QWidget(tab);
    s->setFixedHeight(73);
    auto* h = new QHBoxLayout(s);
    h->setContentsMargins(4, 2, 4, 2);
    auto* grid = new QGridLayout;
    grid->setVerticalSpacing(0);
    int i = 0;
    for (const Box& b : boxes) {
        grid->addWidget(checkBox(b.name, QString::fromUtf16(b.caption), true, s), i % perColumn, i / perColumn);
        ++i;
    }
    h->addLayout(grid);
    extra = new QHBoxLayout;
    h->addLayout(extra);
    h->addStretch(1);
    auto* buttons = new QVBoxLayout;
    for (const char* name : {query, excel}) {
        auto* b = new QToolButton(s);
        b->setObjectName(QStringLiteral("Btn") + QString::fromLatin1(name).mid(6));
        b->setDefaultAction(actions.action(name));
        b->setToolButtonStyle(Qt::ToolButtonTextOnly);
        b->setMinimumWidth(120);
        buttons->addWidget(b);
    }
    h->addLayout(buttons);
    return s;
}

// The report grid of a tab, with an empty report behind it.
QTableView* modelGrid(const char* name, const QString& accessibleName, QWidget* tab)
{
    QTableView* v = reportGrid(name, accessibleName, tab);
    v->setModel(new ReportGridModel(v));
    return v;
}

QVBoxLayout* column(QWidget* tab)
{
    auto* v = new QVBoxLayout(tab);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(0);
    return v;
}

} // namespace

void showReport(QTableView* view, ReportGrid grid)
{
    auto* model = qobject_cast<ReportGridModel*>(view->model());
    const std::vector<int> widths = grid.widths;
    model->setGrid(std::move(grid));
    for (size_t c = 0; c < widths.size(); ++c)
        view->setColumnWidth(int(c), widths[c]);
}

const ReportGrid& shownReport(const QTableView* view)
{
    return qobject_cast<const ReportGridModel*>(view->model())->grid();
}

ReadingsTab::ReadingsTab(const ProcessingActions& actions, QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("TabCount"));
    auto* v = column(this);
    QHBoxLayout* extra = nullptr;
    // The first three boxes are not kept between runs; the others are settings of the same names.
    v->addWidget(strip(this,
                       {{"CheckPers", u"Лиц. счет"}, {"CheckStreet", u"Улица"}, {"CheckHouse", u"Дом"},
                        {"CheckDate", u"Дата"}, {"CheckTime", u"Время"}, {"CheckStatus", u"Статус"},
                        {"CheckT1", u"1 тариф"}, {"CheckT2", u"2 тариф"}, {"CheckT3", u"3 тариф"},
                        {"CheckC1", u"1 тариф на расч."}, {"CheckC2", u"2 тариф на расч."}, {"CheckC3", u"3 тариф на расч."},
                        {"CheckCheckSum", u"Контрольная сумма"}, {"CheckAccum", u"Наработка"}, {"CheckCorrect", u"Коррекции"},
                        {"CheckDelta", u"Разница времени"}},
                       3, extra, actions, "ActionCount", "ActionCountExcel"));
    StringCount = modelGrid("StringCount", QStringLiteral("Показания"), this);
    v->addWidget(StringCount, 1);
}

CalcTab::CalcTab(const ProcessingActions& actions, QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("TabCalc"));
    auto* v = column(this);
    QHBoxLayout* extra = nullptr;
    QWidget* s = strip(this,
                       {{"Check_T1", u"1 тариф"}, {"Check_T2", u"2 тариф"}, {"Check_T3", u"3 тариф"},
                        {"CheckRoute", u"Маршрут"}, {"CheckSubscriber", u"Абонент"}, {"CheckFinish", u"Показания на конечную дату"}},
                       3, extra, actions, "ActionCalc", "ActionCalcExcel");
    RadioValue = new RadioGroup("RadioValue", QStringLiteral(" Учитывать показания "),
                                {QStringLiteral("на РДЧ"), QStringLiteral("текущие")}, s);
    extra->addWidget(RadioValue);
    // The account, street and house columns are chosen only in the settings; their boxes exist
    // to carry the values and are never shown.
    for (const char* name : {"Check_Pers", "Check_Street", "Check_House"})
        checkBox(name, QString(), true, s)->hide();
    v->addWidget(s);
    StringCalc = modelGrid("StringCalc", QStringLiteral("Расчёт"), this);
    v->addWidget(StringCalc, 1);
}

YearTab::YearTab(const ProcessingActions& actions, QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("TabYear"));
    auto* v = column(this);
    QHBoxLayout* extra = nullptr;
    QWidget* s = strip(this,
                       {{"Check_Y1", u"1 тариф"}, {"Check_Y2", u"2 тариф"}, {"Check_Y3", u"3 тариф"},
                        {"CheckRoute_Y", u"Маршрут"}, {"CheckSubscriber_Y", u"Абонент"}, {"CheckFinish_Y", u"Показания"},
                        {"Check_Pers_Y", u"Лиц. счет"}, {"Check_Street_Y", u"Улица"}, {"Check_House_Y", u"Дом"}},
                       3, extra, actions, "ActionCountYear", "ActionYearExcel");
    auto* fields = new QGridLayout;
    fields->setVerticalSpacing(1);
    ComboRoute = new QComboBox(s);
    ComboRoute->setObjectName(QStringLiteral("ComboRoute"));
    ComboRoute->setEditable(true);
    ComboRoute->setInsertPolicy(QComboBox::NoInsert);
    ComboRoute->setMinimumWidth(130);
    ComboRoute->addItem(QString());
    SpinYear = new QSpinBox(s);
    SpinYear->setObjectName(QStringLiteral("SpinYear"));
    SpinYear->setRange(2000, 2099);
    SpinDay = new QSpinBox(s);
    SpinDay->setObjectName(QStringLiteral("SpinDay"));
    SpinDay->setRange(1, 31);
    SpinDay->setValue(1);
    LabelDay = labelFor(QStringLiteral("День:"), SpinDay, s);
    LabelDay->setObjectName(QStringLiteral("LabelDay"));
    fields->addWidget(labelFor(QStringLiteral("Маршрут:"), ComboRoute, s), 0, 0);
    fields->addWidget(ComboRoute, 0, 1, 1, 3);
    fields->addWidget(labelFor(QStringLiteral("Год:"), SpinYear, s), 1, 0);
    fields->addWidget(SpinYear, 1, 1);
    fields->addWidget(LabelDay, 1, 2);
    fields->addWidget(SpinDay, 1, 3);
    extra->addLayout(fields);
    RadioValue_Y = new RadioGroup("RadioValue_Y", QStringLiteral(" Учитывать показания "),
                                  {QStringLiteral("на РДЧ"), QStringLiteral("текущие")}, s);
    extra->addWidget(RadioValue_Y);
    v->addWidget(s);
    StringYear = modelGrid("StringYear", QStringLiteral("Годовой отчет"), this);
    v->addWidget(StringYear, 1);

    connect(RadioValue_Y, &RadioGroup::clicked, this, &YearTab::showDay);
    connect(ComboRoute, &QComboBox::editTextChanged, this, &YearTab::routeTextChanged);
    showDay();
}

void YearTab::setRoutes(const QStringList& names)
{
    const QSignalBlocker quiet(ComboRoute);
    ComboRoute->clear();
    ComboRoute->addItem(QString());
    ComboRoute->addItems(names);
}

void YearTab::showDay()
{
    const bool current = RadioValue_Y->index() == 1;
    LabelDay->setVisible(current);
    SpinDay->setVisible(current);
}

} // namespace tk::processing
