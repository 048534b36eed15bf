// The status window, and the ways the main window leads to it: the menu item, the tooltip and the
// double-click on a status cell, and a local-table row.
#include "WindowParts.h"
#include "ManagerTestSupport.h"
#include "ScriptedPrompter.h"

#include "reader/Engine.h"
#include "common/Families.h"
#include "reader/StatusDecoding.h"
#include "reader/TFormStatus.h"
#include "manager/TFormVorm.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QScreen>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QToolTip>
#include <gtest/gtest.h>

#include <memory>

using tk::Family;
using tk::manager::TFormVorm;
using tk::reader::TFormStatus;

namespace {

const QString T1 = QStringLiteral("Дата и время таймера не установлены.");

std::string str(const QString& s)
{
    return s.toStdString();
}

class StatusWindow : public ::testing::Test {
protected:
    TFormStatus window_;
};

TEST_F(StatusWindow, StartsEmptyAndHiddenAtTheTopRightOfTheScreen)
{
    EXPECT_EQ("Расшифровка статуса", str(window_.windowTitle()));
    EXPECT_EQ(QSize(345, 140), window_.size());
    EXPECT_EQ(window_.minimumSize(), window_.maximumSize()) << "fixed size";
    EXPECT_EQ("Статус: ", str(window_.LabelStatus->text()));
    EXPECT_EQ(tk::reader::statusModelNames(), [&] {
        QStringList items;
        for (int i = 0; i < window_.ComboModel->count(); ++i)
            items << window_.ComboModel->itemText(i);
        return items;
    }());
    EXPECT_EQ(-1, window_.ComboModel->currentIndex());
    EXPECT_EQ(0, window_.SpinStatus->minimum());
    EXPECT_EQ(255, window_.SpinStatus->maximum());
    EXPECT_TRUE(window_.MemoStatus->isReadOnly());
    EXPECT_EQ("", str(window_.text()));
    EXPECT_EQ(Qt::ScrollBarAlwaysOn, window_.MemoStatus->verticalScrollBarPolicy());
    EXPECT_EQ(QColor(255, 251, 240), window_.MemoStatus->palette().color(QPalette::Base));
    EXPECT_FALSE(window_.isModal());
    EXPECT_FALSE(window_.isVisible());

    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(screen.top(), window_.frameGeometry().top());
    EXPECT_EQ(screen.right(), window_.frameGeometry().right());
}

TEST_F(StatusWindow, ShowStatusHoldsTheValueToTheBoundsTheBoxHasNow)
{
    struct Case {
        int value, model;
        int shownValue, selected;
        QString text;
    };
    const Case cases[] = {
        {72, 0, 72, 0, T1 + "\nНет связи с ЖКВ."},
        {300, 0, 255, 0, "Выключение питания"},
        {-5, 4, 0, 4, ""},
        // The limit follows the model only when the user changes something.
        {65535, 6, 255, 6, "Фаза A : отсутствует.\nФаза B : отсутствует.\nФаза C : связь с ЖКВ восстановлена."},
        {3, 7, 3, -1, ""},
    };
    for (const Case& c : cases) {
        window_.ShowStatus(c.value, c.model, false);
        EXPECT_EQ(c.shownValue, window_.SpinStatus->value()) << c.value;
        EXPECT_EQ(c.selected, window_.ComboModel->currentIndex()) << c.value;
        EXPECT_EQ(str(c.text), str(window_.text())) << c.value;
        EXPECT_EQ(255, window_.SpinStatus->maximum()) << c.value;
    }
    EXPECT_FALSE(window_.isVisible()) << "the tooltip's calls leave the window hidden";

    window_.ShowStatus(129, 3, true);
    EXPECT_TRUE(window_.isVisible());
    EXPECT_TRUE(QTest::qWaitForWindowActive(&window_));
    EXPECT_EQ("Обнаружение нарушения.", str(window_.text()));
}

TEST_F(StatusWindow, UserChangesRebuildAndTheDiaryModelRaisesTheLimit)
{
    window_.SpinStatus->setValue(72);
    EXPECT_EQ("", str(window_.text())) << "nothing selected";

    window_.ComboModel->setCurrentIndex(6);
    EXPECT_EQ(65535, window_.SpinStatus->maximum());
    window_.SpinStatus->setValue(0x0C0A);
    EXPECT_EQ("Фиксация нарушения режима потребления.\nФаза A : нет связи с ЖКВ.\n"
              "Фаза B : номер ЖКВ не установлен.\n" + str(T1),
              str(window_.text()));

    window_.ComboModel->setCurrentIndex(1);
    EXPECT_EQ(255, window_.SpinStatus->maximum());
    EXPECT_EQ(255, window_.SpinStatus->value());
    EXPECT_EQ("Разрешен переход на летнее время.\n" + str(T1) + "\nНеисправность таймера календаря.", str(window_.text()))
        << "the text is that of the value the box shows";
}

TEST_F(StatusWindow, TextInTheBoxThatIsNoNumberCountsAsZero)
{
    window_.ShowStatus(5, 0, false);
    EXPECT_EQ("", str(window_.text()));
    auto* editor = window_.SpinStatus->findChild<QLineEdit*>();
    ASSERT_NE(nullptr, editor);
    editor->clear();
    EXPECT_EQ("Режим потребления в норме.", str(window_.text()));
}

// ---- the main window's ways to it ----

class FormVormStatus : public ::testing::Test {
protected:
    void SetUp() override
    {
        window_ = std::make_unique<TFormVorm>(&prompter_, tk::manager::StartupOptions{{QStringLiteral("Vormer_2005")}, {}, {}});
        status_ = std::make_unique<TFormStatus>(window_.get());
        window_->setStatusWindow(status_.get());
    }
    void TearDown() override
    {
        QToolTip::hideText();
        status_.reset();
        window_.reset();
        EXPECT_TRUE(prompter_.allAnswered());
    }

    // Records whose status column holds the given texts; the column before it holds a number too.
    QTableView* gridWithStatuses(Family f, const QStringList& statuses)
    {
        tk::TextGrid& grid = window_->engine().familyGrid(int(f));
        for (const QString& s : statuses) {
            QStringList cells;
            for (int c = 0; c < grid.columnCount(); ++c)
                cells << QStringLiteral("150");
            cells[6] = s;
            grid.appendRecord(cells);
        }
        tk::test::part<QTabWidget>(*window_, "PageControl1")->setCurrentIndex(tk::familyInfo(f).tab);
        window_->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
        return tk::test::readerGridOf(*window_, int(size_t(f)));
    }
    static QPoint cellCentre(QTableView* v, int row, int col)
    {
        const QModelIndex i = v->model()->index(row, col);
        v->scrollTo(i);
        return v->visualRect(i).center();
    }
    // The mouse comes to rest on a cell; the tooltip text the grid then holds.
    static QString hover(QTableView* v, int row, int col)
    {
        const QPoint p = cellCentre(v, row, col);
        QMouseEvent move(QEvent::MouseMove, p, v->viewport()->mapToGlobal(p), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(v->viewport(), &move);
        return v->viewport()->toolTip();
    }
    // As a mouse sends it: press, release, double-click, release.
    static void doubleClick(QTableView* v, int row, int col)
    {
        const QPoint p = cellCentre(v, row, col);
        QTest::mouseClick(v->viewport(), Qt::LeftButton, {}, p);
        QTest::mouseDClick(v->viewport(), Qt::LeftButton, {}, p);
        QTest::mouseRelease(v->viewport(), Qt::LeftButton, {}, p);
    }

    tk::test::ConfigHome home_;
    tk::test::ScriptedPrompter prompter_;
    std::unique_ptr<TFormVorm> window_;
    std::unique_ptr<TFormStatus> status_;
};

TEST_F(FormVormStatus, TooltipOnlyOverAPositiveStatusCell)
{
    QTableView* grid = gridWithStatuses(Family::Telv2, {"72", "0", "abc", "-4"});
    const QString decoded = T1 + "\nНет связи с ЖКВ.";
    EXPECT_EQ(str(decoded), str(hover(grid, 0, 6)));
    EXPECT_FALSE(status_->isVisible()) << "the tooltip leaves the window as it is";
    EXPECT_EQ(72, status_->SpinStatus->value());
    EXPECT_EQ(0, status_->ComboModel->currentIndex());

    const QPoint p = cellCentre(grid, 0, 6);
    QHelpEvent help(QEvent::ToolTip, p, grid->viewport()->mapToGlobal(p));
    QApplication::sendEvent(grid->viewport(), &help);
    EXPECT_TRUE(QToolTip::isVisible());
    EXPECT_EQ(str(decoded), str(QToolTip::text()));

    struct Cell {
        int row, col;
    };
    // Not the status column; 0 (which model 0 would explain); no number; below 0; the empty last row.
    for (const Cell c : {Cell{0, 5}, Cell{1, 6}, Cell{2, 6}, Cell{3, 6}, Cell{4, 6}}) {
        EXPECT_EQ("", str(hover(grid, c.row, c.col))) << c.row << "," << c.col;
        EXPECT_EQ(72, status_->SpinStatus->value()) << c.row << "," << c.col;
    }
    EXPECT_TRUE(QTest::qWaitFor([] { return !QToolTip::isVisible(); })) << "the tip left with the pointer";
}

TEST_F(FormVormStatus, EachGridCarriesItsStatusColumnAndModel)
{
    struct Link {
        Family family;
        int link, model;
    };
    QTableView* zkv = gridWithStatuses(Family::Zkv, {"150"});
    EXPECT_FALSE(zkv->property("statusLink").isValid());
    EXPECT_EQ("", str(hover(zkv, 0, 6)));
    EXPECT_EQ(-1, status_->ComboModel->currentIndex()) << "the ЖКВ grid has no link";

    for (const Link l : {Link{Family::Telv1, 102, 3}, Link{Family::Telv2, 6, 0}, Link{Family::Vakl4, 38, 1},
                         Link{Family::VaklDr, 134, 4}, Link{Family::VaklPdr, 166, 5}}) {
        QTableView* grid = gridWithStatuses(l.family, {"150"});
        EXPECT_EQ(l.link, grid->property("statusLink").toInt()) << int(l.family);
        const QString tip = hover(grid, 0, 6);
        EXPECT_EQ(l.model, status_->ComboModel->currentIndex()) << int(l.family);
        EXPECT_EQ(str(tk::reader::statusLines(l.model, 150).join('\n')), str(tip)) << int(l.family);
    }
}

TEST_F(FormVormStatus, DoubleClickOnAPositiveStatusCellOpensTheWindow)
{
    QTableView* grid = gridWithStatuses(Family::VaklDr, {"0", "150"});
    doubleClick(grid, 0, 6);
    doubleClick(grid, 1, 5);
    EXPECT_FALSE(status_->isVisible()) << "a 0 and a cell outside the status column open nothing";

    doubleClick(grid, 1, 6);
    EXPECT_TRUE(status_->isVisible());
    EXPECT_TRUE(QTest::qWaitForWindowActive(status_.get()));
    EXPECT_EQ(150, status_->SpinStatus->value());
    EXPECT_EQ(4, status_->ComboModel->currentIndex());
    EXPECT_EQ("Фаза A: номер ЖКВ не установлен\nФаза B: нет связи с ЖКВ\nФаза C: отсутствует фаза", str(status_->text()));
}

TEST_F(FormVormStatus, MenuItemShowsTheWindowAsItWas)
{
    status_->ShowStatus(129, 3, false);
    QAction* item = window_->findChild<QAction*>(QStringLiteral("NStatus"));
    ASSERT_NE(nullptr, item);
    ASSERT_TRUE(item->isEnabled());
    item->trigger();
    EXPECT_TRUE(status_->isVisible());
    EXPECT_TRUE(QTest::qWaitForWindowActive(status_.get()));
    EXPECT_EQ(129, status_->SpinStatus->value());
    EXPECT_EQ(3, status_->ComboModel->currentIndex());
    EXPECT_EQ("Обнаружение нарушения.", str(status_->text()));
}

TEST_F(FormVormStatus, TableRowDecodedWithItsFamilysModelBlankAsZero)
{
    struct Case {
        Family family;
        const char* statusText;
        int value, model;
        const char* text;
    };
    const Case cases[] = {
        {Family::VaklDr, "150", 150, 4, "Фаза A: номер ЖКВ не установлен\nФаза B: нет связи с ЖКВ\nФаза C: отсутствует фаза"},
        {Family::VaklPdr, "70", 70, 5, "Фаза A : разбаланс каналов.\nФаза B : нет связи с ЖКВ (или ЖКВ не установлен).\n"
                                       "Нет учёта времени."},
        // Unlike a grid cell, a blank or 0 status is still decoded.
        {Family::Telv2, "", 0, 0, "Режим потребления в норме."},
    };
    for (const Case& c : cases) {
        status_->hide();
        window_->ShowTableRowStatus(c.family, QString::fromUtf8(c.statusText));
        EXPECT_TRUE(status_->isVisible()) << c.statusText;
        EXPECT_EQ(c.value, status_->SpinStatus->value()) << c.statusText;
        EXPECT_EQ(c.model, status_->ComboModel->currentIndex()) << c.statusText;
        EXPECT_EQ(c.text, str(status_->text())) << c.statusText;
    }
}

} // namespace
