#include "manager/StatusLink.h"

#include "reader/FamilyRecords.h"
#include "reader/StatusDecoding.h"

#include <QAction>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QTableView>
#include <QToolTip>

namespace tk::manager {

namespace {
// The property of a reader-data grid that carries its link: status column + 32 × status model.
const char* const kStatusLink = "statusLink";

int modelOf(const QTableView* grid)
{
    return grid->property(kStatusLink).toInt() / 32;
}
} // namespace

StatusLink::StatusLink(QAction* menuItem, QObject* parent) : QObject(parent), menuItem_(menuItem)
{
    menuItem_->setEnabled(false);
    connect(menuItem_, &QAction::triggered, this, [this] {
        if (window_)
            window_->showAndFocus();
    });
}

void StatusLink::setWindow(reader::TFormStatus* window)
{
    window_ = window;
    menuItem_->setEnabled(window != nullptr);
}

void StatusLink::linkGrid(QTableView* grid, Family family)
{
    grid->setProperty(kStatusLink, reader::statusColumn(family) + 32 * familyInfo(family).statusModel);
    // The tooltip follows the cell under the pointer, so the viewport reports every move.
    grid->viewport()->setMouseTracking(true);
    grid->viewport()->installEventFilter(this);
    connect(grid, &QAbstractItemView::doubleClicked, this, [this, grid](const QModelIndex& index) {
        const int value = cellValue(grid, index);
        if (value > 0 && window_)
            window_->ShowStatus(value, modelOf(grid), true);
    });
}

void StatusLink::showStatus(Family family, const QString& statusText)
{
    const int model = familyInfo(family).statusModel;
    if (model >= 0 && window_)
        window_->ShowStatus(reader::statusValueOf(statusText), model, true);
}

int StatusLink::cellValue(const QTableView* grid, const QModelIndex& index) const
{
    // The grid's title row is the view's header, so every index is a record or the empty last row.
    if (!index.isValid() || index.column() != grid->property(kStatusLink).toInt() % 32)
        return 0;
    return reader::statusValueOf(index.data(Qt::DisplayRole).toString());
}

bool StatusLink::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseMove || event->type() == QEvent::ToolTip) {
        auto* viewport = qobject_cast<QWidget*>(watched);
        auto* grid = viewport ? qobject_cast<QTableView*>(viewport->parentWidget()) : nullptr;
        if (grid && grid->viewport() == viewport && grid->property(kStatusLink).isValid()) {
            if (event->type() == QEvent::MouseMove) {
                hovered(grid, static_cast<QMouseEvent*>(event)->position().toPoint());
            } else {
                tipWanted(grid, static_cast<QHelpEvent*>(event));
                return true; // the view would replace the tip with its model's (empty) one
            }
        }
    }
    return QObject::eventFilter(watched, event);
}

void StatusLink::hovered(QTableView* grid, const QPoint& pos)
{
    QString tip;
    const int value = cellValue(grid, grid->indexAt(pos));
    if (value > 0 && window_) {
        // The window follows the cell under the pointer, shown or not.
        window_->ShowStatus(value, modelOf(grid), false);
        tip = window_->text();
    }
    // A tip still on the screen goes when its text no longer fits the cell under the pointer;
    // Qt itself takes it away once the pointer leaves the cell it was shown for.
    QWidget* viewport = grid->viewport();
    if (tip != viewport->toolTip()) {
        QToolTip::hideText();
        viewport->setToolTip(tip);
    }
}

void StatusLink::tipWanted(QTableView* grid, QHelpEvent* event)
{
    const QString tip = grid->viewport()->toolTip();
    if (tip.isEmpty()) {
        QToolTip::hideText();
        event->ignore();
        return;
    }
    QToolTip::showText(event->globalPos(), tip, grid->viewport(), grid->visualRect(grid->indexAt(event->pos())));
}

} // namespace tk::manager
