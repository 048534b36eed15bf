#pragma once
// The ways to the status window: the menu item, the tooltip and double-click of a reader-data
// grid's status cell, and the double-click on a row of a local table. The window is made after
// the main window and handed in later; it is held weakly, so that once it is gone the ways to it
// do nothing.
#include "common/Families.h"
#include "reader/TFormStatus.h"

#include <QObject>
#include <QPointer>

class QAction;
class QHelpEvent;
class QModelIndex;
class QPoint;
class QTableView;

namespace tk::manager {

class StatusLink : public QObject {
    Q_OBJECT
public:
    // menuItem: enabled while a window is there, and shows it.
    StatusLink(QAction* menuItem, QObject* parent = nullptr);

    void setWindow(reader::TFormStatus* window);
    reader::TFormStatus* window() const { return window_; }

    // Links the status column of a family's reader-data grid: its tooltip explains the value
    // under the pointer, a double-click shows the window with it.
    void linkGrid(QTableView* grid, Family family);

    // A status text (blank counts as 0) decoded with the family's model, the window brought to
    // the front.
    void showStatus(Family family, const QString& statusText);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    int cellValue(const QTableView* grid, const QModelIndex& index) const;
    void hovered(QTableView* grid, const QPoint& pos);
    void tipWanted(QTableView* grid, QHelpEvent* event);

    QAction* menuItem_;
    QPointer<reader::TFormStatus> window_;
};

} // namespace tk::manager
