#pragma once
// Small builders of the controls the window's parts share, so that each kind of control is set
// up (names, accessibility, look) the same way everywhere.
#include <QStatusBar>
#include <QString>
#include <vector>

class QCheckBox;
class QLabel;
class QStandardItemModel;
class QTableView;
class QWidget;

namespace tk::processing {

// A caption without its colon and accelerator mark, as a screen reader names the control.
QString accessibleText(QString caption);

// A check box named as its setting; its caption carries no accelerator of its own.
QCheckBox* checkBox(const char* name, const QString& caption, bool checked, QWidget* parent);

// A label for a control: the accelerator (&) in the caption moves the focus to the control,
// which is named for screen readers after the caption.
QLabel* labelFor(const QString& caption, QWidget* control, QWidget* parent);

// A report list with its columns (caption, width; width 0 keeps the default), whole rows
// selected, cream background.
QTableView* reportList(const char* name, const QString& accessibleName, const std::vector<std::pair<QString, int>>& columns,
                       bool multiSelect, bool gridLines, QWidget* parent);
QStandardItemModel* listModel(QTableView* list);

// The report grids of the query tabs: header row, rows 16 pixels high.
QTableView* reportGrid(const char* name, const QString& accessibleName, QWidget* parent);

// A status bar of fixed-width text panels, addressed by index.
class PanelBar : public QStatusBar {
    Q_OBJECT
public:
    PanelBar(const char* name, const std::vector<int>& widths, QWidget* parent = nullptr);
    int panelCount() const { return int(panels_.size()); }
    QString panelText(int i) const;
    void setPanelText(int i, const QString& text);

private:
    std::vector<QLabel*> panels_;
};

} // namespace tk::processing

class QButtonGroup;
class QGroupBox;

namespace tk::processing {

// A radio group: a titled box of choices, read and set by the chosen item's index.
class RadioGroup : public QWidget {
    Q_OBJECT
public:
    RadioGroup(const char* name, const QString& title, const QStringList& items, QWidget* parent = nullptr);
    int index() const;
    void setIndex(int index);

signals:
    void clicked(int index);

private:
    QButtonGroup* buttons_;
};

} // namespace tk::processing
