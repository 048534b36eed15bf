#include "processing/Controls.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QStandardItemModel>
#include <QTableView>

namespace tk::processing {

namespace {
// The cream of the lists (R 255, G 251, B 240).
const QColor kCream(255, 251, 240);
} // namespace

QString accessibleText(QString caption)
{
    caption.remove(QLatin1Char('&'));
    caption.remove(QLatin1Char(':'));
    return caption.trimmed();
}

QCheckBox* checkBox(const char* name, const QString& caption, bool checked, QWidget* parent)
{
    auto* c = new QCheckBox(caption, parent);
    c->setObjectName(QString::fromLatin1(name));
    c->setChecked(checked);
    c->setAccessibleName(accessibleText(caption));
    return c;
}

QLabel* labelFor(const QString& caption, QWidget* control, QWidget* parent)
{
    auto* l = new QLabel(caption, parent);
    l->setBuddy(control);
    control->setAccessibleName(accessibleText(caption));
    return l;
}

QTableView* reportList(const char* name, const QString& accessibleName, const std::vector<std::pair<QString, int>>& columns,
                       bool multiSelect, bool gridLines, QWidget* parent)
{
    auto* v = new QTableView(parent);
    v->setObjectName(QString::fromLatin1(name));
    auto* model = new QStandardItemModel(0, int(columns.size()), v);
    for (int c = 0; c < int(columns.size()); ++c)
        model->setHorizontalHeaderItem(c, new QStandardItem(columns[size_t(c)].first));
    v->setModel(model);
    for (int c = 0; c < int(columns.size()); ++c)
        if (columns[size_t(c)].second > 0)
            v->setColumnWidth(c, columns[size_t(c)].second);
    v->setEditTriggers(QAbstractItemView::NoEditTriggers);
    v->setSelectionBehavior(QAbstractItemView::SelectRows);
    v->setSelectionMode(multiSelect ? QAbstractItemView::ExtendedSelection : QAbstractItemView::SingleSelection);
    v->setShowGrid(gridLines);
    v->setWordWrap(false);
    v->verticalHeader()->hide();
    v->verticalHeader()->setDefaultSectionSize(18);
    v->horizontalHeader()->setHighlightSections(false);
    v->setTabKeyNavigation(false);
    QPalette p = v->palette();
    p.setColor(QPalette::Base, kCream);
    v->setPalette(p);
    v->setAccessibleName(accessibleName);
    return v;
}

QStandardItemModel* listModel(QTableView* list)
{
    return static_cast<QStandardItemModel*>(list->model());
}

QTableView* reportGrid(const char* name, const QString& accessibleName, QWidget* parent)
{
    auto* v = new QTableView(parent);
    v->setObjectName(QString::fromLatin1(name));
    v->setEditTriggers(QAbstractItemView::NoEditTriggers);
    v->verticalHeader()->hide();
    v->verticalHeader()->setDefaultSectionSize(16);
    v->setTabKeyNavigation(false);
    v->setAccessibleName(accessibleName);
    return v;
}

PanelBar::PanelBar(const char* name, const std::vector<int>& widths, QWidget* parent) : QStatusBar(parent)
{
    setObjectName(QString::fromLatin1(name));
    setSizeGripEnabled(false);
    for (size_t i = 0; i < widths.size(); ++i) {
        auto* l = new QLabel(this);
        l->setObjectName(objectName() + QStringLiteral("_%1").arg(i));
        l->setFrameShape(QFrame::StyledPanel);
        l->setFrameShadow(QFrame::Sunken);
        l->setFixedWidth(widths[i]);
        addWidget(l);
        panels_.push_back(l);
    }
}

QString PanelBar::panelText(int i) const
{
    return i >= 0 && i < panelCount() ? panels_[size_t(i)]->text() : QString();
}

void PanelBar::setPanelText(int i, const QString& text)
{
    if (i >= 0 && i < panelCount()) {
        panels_[size_t(i)]->setText(text);
        panels_[size_t(i)]->setAccessibleName(text);
    }
}

} // namespace tk::processing

#include <QButtonGroup>
#include <QGroupBox>
#include <QRadioButton>
#include <QVBoxLayout>

namespace tk::processing {

RadioGroup::RadioGroup(const char* name, const QString& title, const QStringList& items, QWidget* parent)
    : QWidget(parent), buttons_(new QButtonGroup(this))
{
    setObjectName(QString::fromLatin1(name));
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* box = new QGroupBox(title, this);
    box->setAccessibleName(title.trimmed());
    outer->addWidget(box);
    auto* v = new QVBoxLayout(box);
    v->setContentsMargins(6, 2, 6, 2);
    v->setSpacing(0);
    for (int i = 0; i < items.size(); ++i) {
        auto* b = new QRadioButton(items[i], box);
        b->setObjectName(objectName() + QStringLiteral("_%1").arg(i));
        b->setAccessibleName(items[i]);
        buttons_->addButton(b, i);
        v->addWidget(b);
    }
    setIndex(0);
    connect(buttons_, &QButtonGroup::idClicked, this, &RadioGroup::clicked);
}

int RadioGroup::index() const
{
    return buttons_->checkedId();
}

void RadioGroup::setIndex(int index)
{
    if (QAbstractButton* b = buttons_->button(index))
        b->setChecked(true);
}

} // namespace tk::processing
