#include "manager/FamilyTab.h"

#include "common/TextGrid.h"
#include "manager/ActionRules.h"
#include "manager/Controls.h"
#include "manager/MainActions.h"
#include "manager/ManagerSettings.h"
#include "manager/PanelStatusBar.h"
#include "manager/StatusLink.h"
#include "store/reading/ReadingViews.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QSplitter>
#include <QToolBar>
#include <QTableView>
#include <QVBoxLayout>

namespace tk::manager {

namespace {
const QColor kCream(255, 251, 240);
} // namespace

FamilyTab::FamilyTab(Family family, TextGrid& grid, store::ReadingViews& views, const MainActions& actions,
                     StatusLink& status, QWidget* parent)
    : QWidget(parent), family_(family), grid_(grid), views_(views), gridHeight_(kDefaultGridHeight)
{
    static const char* const statusNames[] = {"StatusBar2", "StatusBar3", "StatusBar8", "StatusBar7", "StatusBar10", "StatusBar11"};
    static const char16_t* const dbHints[] = {u"БД ТЕЛВ (1т)", u"БД ТЕЛВ (3т)", u"БД ВАКЛ", u"БД ВАКЛ", u"БД ВАКЛ"};
    const int f = int(family);
    const FamilyActionNames& a = kFamilyActions[size_t(f)];

    setObjectName(QStringLiteral("Tab_") + QString::fromLatin1(a.read));
    auto* h = new QHBoxLayout(this);
    h->setContentsMargins(0, 0, 0, 0);
    h->setSpacing(0);
    h->addWidget(actions.verticalToolBar(QStringLiteral("ToolBar_") + QString::fromLatin1(a.read),
                                         {a.read, a.format, a.clear, a.db, a.text, a.excel, a.write}));
    auto* right = new QVBoxLayout;
    right->setContentsMargins(0, 0, 0, 0);
    right->setSpacing(0);
    h->addLayout(right, 1);

    statusBar_ = new PanelStatusBar(QString::fromLatin1(statusNames[f]), {300, 100}, this);
    right->addWidget(statusBar_);

    StringGrid = manager::readerGrid(QStringLiteral("StringGrid%1").arg(f + 1), grid, familyName(family), this);
    StringGrid->installEventFilter(this); // the Delete key
    if (familyInfo(family).statusModel >= 0)
        status.linkGrid(StringGrid, family);
    if (!familyInfo(family).localTable) {
        right->addWidget(StringGrid, 1);
        return;
    }

    DBGrid = new QTableView(this);
    DBGrid->setObjectName(QStringLiteral("DBGrid%1").arg(f + 1));
    const QString hint = QString::fromUtf16(dbHints[f]);
    DBGrid->setToolTip(hint);
    DBGrid->setAccessibleName(hint);
    DBGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    QPalette p = DBGrid->palette();
    p.setColor(QPalette::Base, kCream);
    DBGrid->setPalette(p);
    // Rows come from the file as the grid scrolls to them; all rows have the same height, so the
    // view never has to ask a million of them for theirs.
    DBGrid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    DBGrid->verticalHeader()->setDefaultSectionSize(std::max(15, DBGrid->fontMetrics().height() + 4));
    DBGrid->setModel(views_.model(family));
    // Opening a table resets the view, and with it the column widths.
    connect(views_.model(family), &QAbstractItemModel::modelReset, this, &FamilyTab::applyTableColumnWidths);
    connect(DBGrid, &QAbstractItemView::doubleClicked, this, [this, &status](const QModelIndex& index) {
        // A double-click off the rows (an empty table above all) gives no index.
        if (!views_.isOpen(family_) || !index.isValid())
            return;
        const store::TitledTableModel* m = views_.model(family_);
        const int column = m->columnOf("STATUS");
        status.showStatus(family_, column < 0 ? QString() : m->index(index.row(), column).data().toString());
    });

    splitter_ = new QSplitter(Qt::Vertical, this);
    splitter_->setObjectName(QStringLiteral("Splitter%1").arg(f + 1));
    splitter_->setChildrenCollapsible(false);
    splitter_->addWidget(StringGrid);
    splitter_->addWidget(DBGrid);
    // The reader-data grid keeps its height when the window grows; the local table takes the rest.
    splitter_->setStretchFactor(0, 0);
    splitter_->setStretchFactor(1, 1);
    connect(splitter_, &QSplitter::splitterMoved, this, [this] { gridHeight_ = splitter_->sizes().value(0); });
    right->addWidget(splitter_, 1);
}

void FamilyTab::setGridHeight(int height, int windowHeight)
{
    gridHeight_ = height;
    if (splitter_)
        splitter_->setSizes({height, std::max(1, windowHeight)});
}

void FamilyTab::showReadCount(const QString& engineCount)
{
    if (clearedCount_ && *clearedCount_ == engineCount && grid_.recordCount() == 0)
        return; // emptied here; the engine's count is of the records that went
    clearedCount_.reset();
    statusBar_->setPanelText(0, engineCount);
}

void FamilyTab::gridEmptied(const QString& engineCount)
{
    clearedCount_ = engineCount;
    statusBar_->setPanelText(0, QStringLiteral("0"));
}

void FamilyTab::openTable()
{
    if (views_.open(family_)) {
        statusBar_->setPanelText(1, QString::number(views_.rowCount(family_).value_or(0)));
        statusBar_->setPanelToolTip(1, QString());
    } else {
        // An empty grid would look like an empty table; the panel says nothing and tells why.
        statusBar_->setPanelText(1, QString());
        statusBar_->setPanelToolTip(1, views_.failure(family_));
    }
}

void FamilyTab::closeTable()
{
    views_.close(family_);
}

void FamilyTab::applyTableColumnWidths()
{
    const store::TitledTableModel* m = views_.model(family_);
    const int defaultWidth = DBGrid->horizontalHeader()->defaultSectionSize();
    for (int c = 0; c < m->columnCount(); ++c) {
        const int w = m->widthOf(c);
        DBGrid->setColumnWidth(c, w > 0 ? w : defaultWidth);
    }
}

bool FamilyTab::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == StringGrid && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Delete && key->modifiers() == Qt::NoModifier) {
            emit deleteKeyPressed();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace tk::manager
