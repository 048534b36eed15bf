#pragma once
// Small builders of the controls the main window's parts share, so that each kind of control is
// set up (names, accessibility, editing) the same way everywhere.
#include <QString>

class QAbstractItemModel;
class QLineEdit;
class QTableView;
class QWidget;

namespace tk {
class TextGrid;
}

namespace tk::manager {

// A caption without its colon, as a screen reader names the control it labels.
QString withoutColon(QString caption);

// A read-only text field of fixed width.
QLineEdit* readOnlyField(const char* name, const QString& accessibleName, int width, QWidget* parent);

// A view of a reader-data grid (its title row is the view's header).
QTableView* readerGrid(const QString& name, TextGrid& grid, const QString& accessibleName, QWidget* parent);

// A read-only report list: grid lines, whole rows selected; the view takes the model.
QTableView* reportList(const QString& name, QAbstractItemModel* model, const QString& accessibleName, QWidget* parent);

// The field is repainted only when its text really changes: the poll sets the same texts many
// times a second.
void setIfChanged(QLineEdit* field, const QString& text);

} // namespace tk::manager
