// The route chains against the emulated reader's device core, with a manual clock: writing,
// reading back and deleting a slot, adding streets on the way, and the task run.
#include "CoreHarness.h"
#include "StoreTestUtil.h"

#include "common/Cp1251.h"
#include "routes/Abbreviations.h"
#include "routes/RouteRecord.h"
#include "routes/RouteSources.h"
#include "routes/RouteState.h"
#include "routes/RouteTransfer.h"
#include "store/dbf/Restructure.h"
#include "store/dbf/LocalSql.h"
#include "store/dbf/StandardTables.h"

#include <QLocale>
#include <QTemporaryDir>

using namespace tk;
using namespace tk::routes;
using namespace tk::test;

namespace {

QByteArray name12(const QString& text)
{
    QByteArray n = toCp1251(text);
    n.resize(12, '\0');
    return n;
}

class RouteChains : public ::testing::Test {
protected:
    void SetUp() override
    {
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
        dbf::createTable(dir_.filePath("Route.dbf"), dbf::standardTable(QStringLiteral("Route"))->schema);
        sql_ = std::make_unique<store::LocalSql>(dir_.path());
        sources_ = std::make_unique<RouteSources>(*sql_, nullptr, abbr_, h.prompter);
        transfer_ = std::make_unique<RouteTransfer>(h.engine, state_, *sources_, abbr_);
    }
    void TearDown() override
    {
        EXPECT_TRUE(h.prompter.allAnswered());
        QLocale::setDefault(QLocale::c());
    }

    void connect()
    {
        ASSERT_TRUE(h.connectAndPoll());
        // The poll has read the reader's street base before anything is written.
        ASSERT_TRUE(h.runUntil([&] { return h.engine.stepNo() == reader::StepVersion && h.engine.streets().size() == streetsInReader(); }));
    }
    int streetsInReader() const { return int(h.core.state().databases[5].records.size()); }
    void giveStreets(std::initializer_list<std::pair<int, const char*>> streets)
    {
        for (const auto& [n, name] : streets)
            h.core.state().databases[5].records.append(name12(QString::fromUtf8(name)).prepend(char(n)));
    }
    void addPoint(const char* route, qint64 pers, const char* street, const char* house, int number, int ctype)
    {
        sql_->execute({QStringLiteral("INSERT INTO Route (pers, street, house, number, ctype, subscriber, route)"),
                       QStringLiteral("VALUES (:p, :s, :h, :n, :t, '', :r)")},
                      store::Params()
                          .integer("p", pers)
                          .text("s", QString::fromUtf8(street))
                          .text("h", QString::fromUtf8(house))
                          .integer("n", number)
                          .integer("t", ctype)
                          .text("r", QString::fromUtf8(route)));
    }
    QList<QStringList> rows() const
    {
        QList<QStringList> out;
        for (int r = 0; r < state_.list().rowCount(); ++r) {
            QStringList row;
            for (int c = 0; c < kRouteColumns; ++c)
                row << state_.list().cell(r, c);
            out << row;
        }
        return out;
    }
    // The entries as a read gives them back: accounts and meter numbers without the padding of
    // the table, streets named from the reader's base.
    static QList<QStringList> asReadBack(QList<QStringList> rows)
    {
        for (QStringList& r : rows)
            r[ColAccount] = QString::number(r[ColAccount].toLongLong());
        return rows;
    }

    QTemporaryDir dir_;
    CoreHarness h;
    Abbreviations abbr_;
    RouteState state_;
    std::unique_ptr<store::LocalSql> sql_;
    std::unique_ptr<RouteSources> sources_;
    std::unique_ptr<RouteTransfer> transfer_;
};

} // namespace

TEST_F(RouteChains, RouteWrittenWithItsMissingStreetsAndReadBackUnchanged)
{
    giveStreets({{1, "САДОВАЯ"}, {2, "МИРА"}, {3, "ЛЕНИНА"}});
    connect();
    addPoint("Центр-длинное имя", 9999999999, "ЛЕНИНА", "12/3", 42, 1);
    addPoint("Центр-длинное имя", 123, "Зелёная", "5А", 123456, 4);
    addPoint("Центр-длинное имя", 77, "", "300", 7, 0);
    addPoint("Центр-длинное имя", 78, "зелёная ", "1", 8, 2);
    sources_->loadFromTable(QStringLiteral("Центр-длинное имя"), state_);
    const QList<QStringList> written = rows();
    state_.setNumber(3);

    int started = 0;
    QObject::connect(transfer_.get(), &RouteTransfer::started, [&] { ++started; });
    ASSERT_TRUE(transfer_->startWrite());
    EXPECT_EQ(1, started);
    ASSERT_TRUE(h.runChain());
    const sim::Database& slot = h.core.state().databases[10];
    EXPECT_EQ(name12(QStringLiteral("Центр-длинно")), slot.name) << "the reader keeps 12 characters";
    ASSERT_EQ(4, slot.records.size());
    // Numbers 1-3 were taken: the new street got 4, sent before the record that needs it, and
    // the second entry of the same street (another case, a blank) found it.
    ASSERT_EQ(4, streetsInReader());
    EXPECT_EQ(name12(QStringLiteral("Зелёная")).prepend(char(4)), h.core.state().databases[5].records[3]);
    EXPECT_EQ(4, uint8_t(slot.records[1][4])) << "street number of the second entry";
    EXPECT_EQ(255, uint8_t(slot.records[2][4])) << "an entry without street";
    EXPECT_EQ(4, uint8_t(slot.records[3][4]));
    EXPECT_EQ(QStringLiteral("Зелёная"), h.engine.streets().nameOf(4));

    transfer_->startRead();
    EXPECT_TRUE(rows().isEmpty());
    ASSERT_TRUE(h.runChain());
    EXPECT_EQ(QStringLiteral("Центр-длинно"), state_.name());
    QList<QStringList> expected = asReadBack(written);
    expected[3][ColStreet] = QStringLiteral("Зелёная"); // the name the reader's base holds for 4
    EXPECT_EQ(expected, rows());
}

TEST_F(RouteChains, DeletedSlotReadsBackEmptyAndACancelChangesNothing)
{
    h.core.state().databases[10].name = name12(QStringLiteral("Старый"));
    h.core.state().databases[10].records = {QByteArray(12, '\1')};
    connect();
    state_.setNumber(3);
    state_.list().append({"1", "", "1", "000001", "ТЕЛВ-1"});

    h.prompter.expect("Очистка ридера", "Данные о маршруте №3 будут уничтожены !", Prompter::Icon::Warning,
                      Prompter::Buttons::OkCancel, Prompter::Answer::Cancel);
    EXPECT_FALSE(transfer_->startDestroy());
    EXPECT_LE(h.engine.stepNo(), reader::StepClock) << "the poll goes on; no route step was set";
    EXPECT_EQ(1, state_.list().rowCount());

    h.prompter.expect("Очистка ридера", "Данные о маршруте №3 будут уничтожены !", Prompter::Icon::Warning,
                      Prompter::Buttons::OkCancel, Prompter::Answer::Ok);
    ASSERT_TRUE(transfer_->startDestroy());
    ASSERT_TRUE(h.runChain());
    EXPECT_TRUE(h.core.state().databases[10].name.isEmpty());
    EXPECT_TRUE(h.core.state().databases[10].records.isEmpty());
    EXPECT_EQ(0, state_.list().rowCount());
    EXPECT_TRUE(state_.name().isEmpty()) << "the slot's old name does not come back";
}

TEST_F(RouteChains, RefusedEntryIsSkippedAfterTheQuestionAndNoStopsTheWrite)
{
    connect();
    for (int i = 1; i <= 3; ++i)
        state_.list().append({QString::number(i), "", QString::number(i), QStringLiteral("00000%1").arg(i), "ТЕЛВ-2"});
    state_.setName(QStringLiteral("Р"));
    h.core.faults().add(sim::FaultRule::error(reader::WriteRecord, 4, uint8_t(8), 1));
    h.prompter.expect("Запись маршрута",
                      "Ошибка при записи лиц. счет 1 улица  дом 1 счетчик №000001 тип счетчика \"ТЕЛВ-2\". Продолжить со следующей записи ?",
                      Prompter::Icon::Error, Prompter::Buttons::YesNo, Prompter::Answer::Yes);
    ASSERT_TRUE(transfer_->startWrite());
    ASSERT_TRUE(h.runChain());
    EXPECT_EQ(2, h.core.state().databases[8].records.size());

    h.core.faults().add(sim::FaultRule::error(reader::WriteRecord, 4, uint8_t(8), 1));
    h.prompter.expect("Запись маршрута",
                      "Ошибка при записи лиц. счет 1 улица  дом 1 счетчик №000001 тип счетчика \"ТЕЛВ-2\". Продолжить со следующей записи ?",
                      Prompter::Icon::Error, Prompter::Buttons::YesNo, Prompter::Answer::No);
    ASSERT_TRUE(transfer_->startWrite());
    ASSERT_TRUE(h.runChain());
    EXPECT_EQ(2, h.core.state().databases[8].records.size()) << "the slot holds what the earlier write left";

    // No name: the question, and Cancel sends nothing.
    state_.setName(QString());
    h.prompter.expect("Запись маршрута", "Нет названия маршрута. Все равно продолжить?", Prompter::Icon::Question,
                      Prompter::Buttons::OkCancel, Prompter::Answer::Cancel);
    EXPECT_FALSE(transfer_->startWrite());
    EXPECT_LE(h.engine.stepNo(), reader::StepClock) << "the poll goes on; no route step was set";
}

TEST_F(RouteChains, FullStreetBaseEndsTheWriteWithItsMessage)
{
    for (int n = 1; n <= 255; ++n)
        h.core.state().databases[5].records.append(name12(QStringLiteral("У%1").arg(n)).prepend(char(n)));
    connect();
    state_.list().append({"1", "НОВАЯ", "1", "000001", "ТЕЛВ-2"});
    state_.setName(QStringLiteral("Р"));
    h.prompter.expectError("Запись маршрута", "БД \"Улицы\" переполнена.");
    ASSERT_TRUE(transfer_->startWrite());
    ASSERT_TRUE(h.runChain());
    EXPECT_TRUE(h.core.state().databases[8].records.isEmpty());
}

TEST_F(RouteChains, TaskOfThreeRoutesFillsSlotsOneToThreeAfterEmptyingTheReader)
{
    auto& dbs = h.core.state().databases;
    dbs[0].records = {QByteArray(34, '\1')};
    dbs[6].records = {QByteArray(18, '\2')};
    dbs[5].records = {name12(QStringLiteral("СТАРАЯ")).prepend(char(1))};
    for (int db : {8, 20, 62})
        dbs[size_t(db)].name = name12(QStringLiteral("Был %1").arg(db));
    dbs[20].records = {QByteArray(12, '\3')};
    connect();
    addPoint("Север", 1, "ЛЕНИНА", "1", 1, 0);
    addPoint("Север", 2, "МИРА", "2", 2, 1);
    addPoint("Юг", 3, "ЛЕНИНА", "3", 3, 2);
    addPoint("Запад", 4, "ПОЛЕВАЯ", "4", 4, 3);
    state_.setTask(RouteState::TaskSource::Table, {"Север", "Пустой", "Юг", "Запад"});

    h.prompter.expect("Загрузка задания", "Загрузка задания завершена.", Prompter::Icon::Information,
                      Prompter::Buttons::Ok, Prompter::Answer::Ok);
    transfer_->startTask();
    ASSERT_TRUE(h.runChain(600000));
    for (int db = 0; db <= 7; ++db)
        EXPECT_TRUE(dbs[size_t(db)].records.isEmpty() || db == 5) << db;
    // The route that brings no points is skipped, and each task entry keeps its own slot.
    EXPECT_EQ(name12(QStringLiteral("Север")), dbs[8].name);
    EXPECT_EQ(2, dbs[8].records.size());
    EXPECT_TRUE(dbs[9].name.isEmpty());
    EXPECT_EQ(name12(QStringLiteral("Юг")), dbs[10].name);
    EXPECT_EQ(name12(QStringLiteral("Запад")), dbs[11].name);
    EXPECT_TRUE(dbs[20].name.isEmpty() && dbs[20].records.isEmpty()) << "old routes are deleted";
    EXPECT_TRUE(dbs[62].name.isEmpty());
    EXPECT_EQ(5, state_.number()) << "one past the last task entry";
    EXPECT_EQ(3, streetsInReader()) << "the emptied street base got the streets of the routes";
    EXPECT_EQ(QStringLiteral("Запад"), state_.name());
}

TEST_F(RouteChains, TaskGoesOnPastARefusedRowInsteadOfSendingItForEver)
{
    connect();
    addPoint("А", 1, "", "1", 1, 0);
    addPoint("А", 2, "", "2", 2, 0);
    addPoint("Б", 3, "", "3", 3, 0);
    state_.setTask(RouteState::TaskSource::Table, {"А", "Б"});
    h.core.faults().add(sim::FaultRule::error(reader::WriteRecord, 4, uint8_t(8), 1));
    h.prompter.expect("Запись маршрута",
                      "Ошибка при записи лиц. счет 0000000001 улица  дом 1 счетчик №000001 тип счетчика \"ТЕЛВ-1\". Продолжить со следующей записи ?",
                      Prompter::Icon::Error, Prompter::Buttons::YesNo, Prompter::Answer::Yes);
    h.prompter.expect("Загрузка задания", "Загрузка задания завершена.", Prompter::Icon::Information,
                      Prompter::Buttons::Ok, Prompter::Answer::Ok);
    transfer_->startTask();
    ASSERT_TRUE(h.runChain(600000));
    EXPECT_EQ(1, h.core.state().databases[8].records.size());
    EXPECT_EQ(1, h.core.state().databases[9].records.size());
    EXPECT_EQ(3, state_.number());
}
