#pragma once
// The tab of one meter family: its vertical tool bar, the status bar (panel 0: records of the
// last read, panel 1: rows of the local table), the reader-data grid with its status cells and
// the Delete key, and below it the view of the family's local table (not for ЖКВ, which is not
// stored).
#include "common/Families.h"

#include <QString>
#include <QWidget>
#include <optional>

class QSplitter;
class QTableView;

namespace tk {
class TextGrid;
namespace store {
class ReadingViews;
}
} // namespace tk

namespace tk::manager {

class MainActions;
class PanelStatusBar;
class StatusLink;

class FamilyTab : public QWidget {
    Q_OBJECT
public:
    FamilyTab(Family family, TextGrid& grid, store::ReadingViews& views, const MainActions& actions, StatusLink& status,
              QWidget* parent = nullptr);

    Family family() const { return family_; }
    QTableView* readerGrid() const { return StringGrid; }

    // Panel 0 follows the engine's record count of the last read, except after the grid was
    // emptied here: the engine keeps that count, which must not come back while the grid stays
    // empty.
    void showReadCount(const QString& engineCount);
    void gridEmptied(const QString& engineCount);

    // The local table's view: opened with its row count in panel 1 (nothing, with the reason as
    // the panel's tip, when the table cannot be opened), closed while a write or erase runs.
    void openTable();
    void closeTable();

    // The reader-data grid's height above the local table (the tabs that have one).
    bool hasTable() const { return DBGrid != nullptr; }
    int gridHeight() const { return gridHeight_; }
    void setGridHeight(int height, int windowHeight);

signals:
    // The Delete key on the reader-data grid.
    void deleteKeyPressed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void applyTableColumnWidths();

    Family family_;
    TextGrid& grid_;
    store::ReadingViews& views_;
    PanelStatusBar* statusBar_ = nullptr;
    QTableView* StringGrid = nullptr;
    QTableView* DBGrid = nullptr;
    QSplitter* splitter_ = nullptr;
    int gridHeight_;
    std::optional<QString> clearedCount_;
};

} // namespace tk::manager
