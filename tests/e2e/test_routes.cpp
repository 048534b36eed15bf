// Routes through the manager's window against the emulator on a pty: a route loaded from the
// route table of the working directory, written into a reader slot and read back; task runs.
#include "ManagerOnSim.h"

#include "common/Cp1251.h"
#include "manager/TFormVorm.h"
#include "reader/Engine.h"
#include "routes/RouteRecord.h"
#include "routes/RouteState.h"
#include "routes/TFormAbbr.h"
#include "routes/TFormAlternative.h"
#include "routes/TFormRouteList.h"
#include "store/dbf/LocalSql.h"
#include "store/dbf/Restructure.h"
#include "store/dbf/StandardTables.h"
#include "store/reading/ReadingStore.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace tk;
using namespace tk::test;

namespace {

class RoutesEndToEnd : public ManagerOnSim {
protected:
    void SetUp() override
    {
        start([&] { dbf::createTable(work.filePath("Route.dbf"), dbf::standardTable(QStringLiteral("Route"))->schema); });
        routeList = new routes::TFormRouteList(w.get());
        alternative = new routes::TFormAlternative(w.get());
        abbr = new routes::TFormAbbr(w->abbreviations(), work.filePath(""), prompter, w.get());
        w->setRouteDialogs(routeList, alternative, abbr);
        ASSERT_TRUE(QTest::qWaitFor([&] { return idle() && w->engine().streets().size() > 0; }, 10000));
    }

    bool run(const char* action, int timeoutMs = 20000) { return ManagerOnSim::run(action, timeoutMs); }
    void addPoint(const char* route, qint64 pers, const char* street, const char* house, int number, int ctype)
    {
        w->readingStore().sql().execute(
            {QStringLiteral("INSERT INTO Route (pers, street, house, number, ctype, subscriber, route)"),
             QStringLiteral("VALUES (:p, :s, :h, :n, :t, '', :r)")},
            store::Params().integer("p", pers).text("s", QString::fromUtf8(street)).text("h", QString::fromUtf8(house))
                .integer("n", number).integer("t", ctype).text("r", QString::fromUtf8(route)));
    }
    template <class D, class F> void whenShown(F answer) { tk::test::whenShown<D>(w.get(), answer); }
    void chooseRoutes(const QStringList& names)
    {
        whenShown<routes::TFormRouteList>([names](routes::TFormRouteList* d) {
            auto* list = d->findChild<QListWidget*>("ListRoute");
            for (int i = 0; i < list->count(); ++i)
                list->item(i)->setSelected(names.contains(list->item(i)->text()));
            d->findChild<QPushButton*>("BtnOk")->click();
        });
    }
    QList<QStringList> routeRows() const
    {
        QList<QStringList> rows;
        const TextList& list = w->routeState().list();
        for (int r = 0; r < list.rowCount(); ++r) {
            QStringList row;
            for (int c = 0; c < routes::kRouteColumns; ++c)
                row << list.cell(r, c);
            rows << row;
        }
        return rows;
    }
    QJsonObject slot(int route) { return savedState()["databases"].toObject()[QString::number(route + 7)].toObject(); }

    routes::TFormRouteList* routeList = nullptr;
    routes::TFormAlternative* alternative = nullptr;
    routes::TFormAbbr* abbr = nullptr;
};

} // namespace

TEST_F(RoutesEndToEnd, RouteFromTheTableWrittenIntoASlotReadsBackUnchanged)
{
    addPoint("Набережная", 1234567890, "НАБЕРЕЖНАЯ", "12/3", 42, 1);
    addPoint("Набережная", 9999999999, "Садовая", "7А", 654321, 4);
    addPoint("Набережная", 5, "", "300", 7, 0);
    addPoint("Другой", 6, "МИРА", "1", 8, 2);

    chooseRoutes({QStringLiteral("Набережная")});
    w->action("ActionRouteFromBd")->trigger();
    EXPECT_EQ(QStringLiteral("Набережная"), part<QLineEdit>(*w, "EditRoute")->text());
    ASSERT_EQ(3, routeRows().size());
    EXPECT_EQ(QStringList({"0000000005", "", "300", "000007", "ТЕЛВ-1"}), routeRows()[2]);
    EXPECT_TRUE(w->action("ActionWriteRoute")->isEnabled()) << "the link is up and the list holds points";

    part<QSpinBox>(*w, "SpinRoute")->setValue(4);
    ASSERT_TRUE(run("ActionWriteRoute"));
    const QJsonObject written = slot(4);
    EXPECT_EQ(3, written["records"].toArray().size());
    EXPECT_TRUE(part<QSpinBox>(*w, "SpinRoute")->isEnabled()) << "the route number is free again";

    QList<QStringList> expected = routeRows();
    for (QStringList& row : expected)
        row[routes::ColAccount] = QString::number(row[routes::ColAccount].toLongLong());
    // The reader's street base already had this street (in capitals): the entry refers to it.
    expected[1][routes::ColStreet] = QStringLiteral("САДОВАЯ");
    ASSERT_TRUE(run("ActionReadRoute"));
    EXPECT_EQ(QStringLiteral("Набережная"), part<QLineEdit>(*w, "EditRoute")->text());
    EXPECT_EQ(expected, routeRows());
    EXPECT_EQ(manager::TabRoutes, part<QTabWidget>(*w, "PageControl1")->currentIndex());
}

TEST_F(RoutesEndToEnd, TaskOfThreeRoutesFillsSlotsOneToThreeAndLeavesTheNumberAtFour)
{
    addPoint("Север", 1, "ЛЕНИНА", "1", 1, 0);
    addPoint("Юг", 2, "МИРА", "2", 2, 1);
    addPoint("Юг", 3, "МИРА", "3", 3, 1);
    addPoint("Запад", 4, "ПОЛЕВАЯ", "4", 4, 3);
    addPoint("Восток", 5, "ПОЛЕВАЯ", "5", 5, 3);

    whenShown<routes::TFormAlternative>([](routes::TFormAlternative* d) { d->findChild<QPushButton*>("BtnTable")->click(); });
    chooseRoutes({QStringLiteral("Север"), QStringLiteral("Юг"), QStringLiteral("Запад")});
    prompter.expect("Загрузка задания",
                    "Все имеющиеся в ридере данные будут уничтожены. В ридер будут занесены новые данные из базы данных.",
                    Prompter::Icon::Question, Prompter::Buttons::OkCancel, Prompter::Answer::Ok);
    prompter.expect("Загрузка задания", "Загрузка задания завершена.", Prompter::Icon::Information, Prompter::Buttons::Ok,
                    Prompter::Answer::Ok);
    ASSERT_TRUE(run("ActionWizard", 60000));
    // The task list is in the dialog's order: Запад, Север, Юг (ascending names).
    EXPECT_EQ(QStringLiteral("Запад"), slot(1)["name"].toString());
    EXPECT_EQ(QStringLiteral("Юг"), slot(3)["name"].toString());
    EXPECT_EQ(1, slot(1)["records"].toArray().size());
    EXPECT_EQ(1, slot(2)["records"].toArray().size());
    EXPECT_EQ(2, slot(3)["records"].toArray().size());
    EXPECT_TRUE(slot(4)["name"].toString().isEmpty()) << "what the reader held before is gone";
    EXPECT_EQ(4, part<QSpinBox>(*w, "SpinRoute")->value());
}

TEST_F(RoutesEndToEnd, TaskWithARefusedRowFinishes)
{
    addPoint("А", 1, "", "1", 1, 0);
    addPoint("Б", 2, "", "2", 2, 0);
    ASSERT_TRUE(sim->command("error 8 4 8"));
    whenShown<routes::TFormAlternative>([](routes::TFormAlternative* d) { d->findChild<QPushButton*>("BtnTable")->click(); });
    chooseRoutes({QStringLiteral("А"), QStringLiteral("Б")});
    prompter.expect("Загрузка задания",
                    "Все имеющиеся в ридере данные будут уничтожены. В ридер будут занесены новые данные из базы данных.",
                    Prompter::Icon::Question, Prompter::Buttons::OkCancel, Prompter::Answer::Ok);
    prompter.expect("Запись маршрута",
                    "Ошибка при записи лиц. счет 0000000001 улица  дом 1 счетчик №000001 тип счетчика \"ТЕЛВ-1\". Продолжить со следующей записи ?",
                    Prompter::Icon::Error, Prompter::Buttons::YesNo, Prompter::Answer::Yes);
    prompter.expect("Загрузка задания", "Загрузка задания завершена.", Prompter::Icon::Information, Prompter::Buttons::Ok,
                    Prompter::Answer::Ok);
    ASSERT_TRUE(run("ActionWizard", 60000));
    EXPECT_EQ(0, slot(1)["records"].toArray().size());
    EXPECT_EQ(1, slot(2)["records"].toArray().size());
}
