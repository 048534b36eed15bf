#include "manager/ListTabs.h"

#include "common/TextListModel.h"
#include "manager/Controls.h"
#include "manager/MainActions.h"
#include "manager/PanelStatusBar.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPlainTextEdit>
#include <QTableView>
#include <QToolBar>
#include <QVBoxLayout>

namespace tk::manager {

JournalTab::JournalTab(bool diary, TextGrid& grid, const MainActions& actions, QWidget* parent) : QWidget(parent)
{
    setObjectName(diary ? QStringLiteral("TabDiary") : QStringLiteral("TabJournal"));
    auto* h = new QHBoxLayout(this);
    h->setContentsMargins(0, 0, 0, 0);
    h->setSpacing(0);
    if (diary)
        h->addWidget(actions.verticalToolBar(QStringLiteral("ToolBarDiary"), {"ActionReadDiary", "ActionExportDiary", "ActionClearDiary"}));
    else
        h->addWidget(actions.verticalToolBar(QStringLiteral("ToolBarJournal"),
                                             {"ActionReadJournal", "ActionExportJournal", "ActionClearJournal"}));
    auto* v = new QVBoxLayout;
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(0);
    h->addLayout(v, 1);

    statusBar_ = new PanelStatusBar(diary ? QStringLiteral("StatusBar6") : QStringLiteral("StatusBar5"), {100}, this);
    v->addWidget(statusBar_);
    QTableView* view = diary ? readerGrid(QStringLiteral("GridDiary"), grid, QStringLiteral("Дневник"), this)
                             : readerGrid(QStringLiteral("GridJournal"), grid, QStringLiteral("Журнал"), this);
    view->horizontalHeader()->setDefaultSectionSize(diary ? 80 : 70);
    view->verticalHeader()->setDefaultSectionSize(std::max(15, view->fontMetrics().height() + 4));
    v->addWidget(view, 1);
}

void JournalTab::showReaderCount(const QString& count)
{
    statusBar_->setPanelText(0, count);
}

DatabasesTab::DatabasesTab(TextList& databases, QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("TabDatabases"));
    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(0, 0, 0, 0);
    auto* memo = new QPlainTextEdit(this);
    memo->setObjectName(QStringLiteral("MemoDb"));
    memo->setReadOnly(true);
    memo->setPlainText(QStringLiteral("Номера БД в ридере: 0 - ТЕЛВ-2, 1 - ВАКЛ-4, 2 - ТЕЛВ-1, 3 - ВАКЛ-ДР, 4 - ВАКЛ-ПДР,5 - названия улиц, 6 -\n"
                                      "журнал, 7 - дневник, 8-62 - маршруты с 1 до 55, 63 - ЖКВ."));
    memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    memo->setMaximumHeight(memo->fontMetrics().lineSpacing() * 2 + 16);
    memo->setAccessibleName(memo->toPlainText().section(QLatin1Char(':'), 0, 0));
    v->addWidget(memo);
    v->addWidget(reportList(QStringLiteral("ListDb"), new TextListModel(databases), memo->accessibleName(), this), 1);
}

} // namespace tk::manager
