// "Экспорт в СУДБ" from the main window against a real PostgreSQL server, and the login dialog:
// what it shows from the stored login, a refused password, what it keeps, and "Отмена".
#include "BuiltAddOns.h"
#include "ManagerTestSupport.h"
#include "PgServer.h"
#include "ScriptedPrompter.h"
#include "WindowParts.h"

#include "manager/Gauge.h"
#include "manager/TFormVorm.h"
#include "manager/TLogin.h"
#include "store/export/DbmsConnection.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>
#include <memory>

using namespace tk;
using tk::manager::TLogin;
using tk::test::PgServer;
using tk::test::ScriptedPrompter;
using Icon = tk::Prompter::Icon;
using Buttons = tk::Prompter::Buttons;
using Answer = tk::Prompter::Answer;

namespace {

const QString kTitle = QStringLiteral("Экспорт в СУБД");
const QString kWrong = QStringLiteral("Неверное имя пользователя или пароль!");

// Does `act` with the login dialog once it is up, from inside its modal loop.
void whenLoginShows(std::function<void(TLogin&)> act)
{
    tk::test::whenShown<TLogin>(nullptr, [act](TLogin* login) { act(*login); });
}

class DbmsExportAction : public ::testing::Test {
protected:
    static void SetUpTestSuite() { server_ = std::make_unique<PgServer>(); }
    static void TearDownTestSuite() { server_.reset(); }

    void SetUp() override
    {
        qunsetenv("VORMADDDB_DROP_DIR");
        qputenv("TK4718EH_DBMS_DRIVER", "QPSQL");
        server_->exec("DROP TABLE IF EXISTS metering, account_electro, unit");
        server_->exec("CREATE TABLE unit (unit_id integer, number_ integer, type_id integer)");
        server_->exec("CREATE TABLE account_electro (account_id integer, unit_id integer)");
        server_->exec("CREATE TABLE metering (account_id integer, date_time timestamp, unit_id integer, "
                      "tariff integer, w_ double precision)");
        server_->exec("INSERT INTO unit VALUES (10, 42, 33)");
        server_->exec("INSERT INTO account_electro VALUES (1, 10)");
    }
    void TearDown() override
    {
        window_.reset();
        EXPECT_TRUE(prompter_.allAnswered());
    }
    void storeLogin(const QString& pass, const QString& key) const
    {
        QSettings s(QFileInfo(home_.iniPath()).dir().filePath("Domvara.ini"), QSettings::IniFormat);
        s.setValue("Pass", pass);
        s.setValue("User", QString::fromLatin1(PgServer::kSuperuser));
        s.setValue("DB", server_->dataSource());
        s.setValue("Key", key);
    }
    QSettings domvara() const
    {
        return {QFileInfo(home_.iniPath()).dir().filePath("Domvara.ini"), QSettings::IniFormat};
    }
    void startWindowWithAReading()
    {
        manager::StartupOptions options{{QStringLiteral("Vormer_2005")}, {}, {}};
        options.addOns = &test::builtAddOns();
        window_ = std::make_unique<manager::TFormVorm>(&prompter_, options);
        window_->show();
        window_->engine().familyGrid(int(Family::Vakl4)).appendRecord(
            {"1", "ЛЕНИНА", "12", "000042", QLocale().toString(QDate(2024, 3, 5), QLocale::ShortFormat), "12:30",
             "32", "100", "200", "0", "0", "0", "0", "17", "1:05", "0", "0", "Центр"});
        emit window_->engine().exchangeActionsEnabled();
    }
    QAction* exportVakl() const { return window_->action(QStringLiteral("ActionDbVakl")); }

    static std::unique_ptr<PgServer> server_;
    test::ConfigHome home_;
    test::WorkDir work_;
    ScriptedPrompter prompter_;
    std::unique_ptr<manager::TFormVorm> window_;
};

std::unique_ptr<PgServer> DbmsExportAction::server_;

} // namespace

TEST_F(DbmsExportAction, TheLoginShowsTheStoredOneRefusesAWrongPasswordAndKeepsThePasswordOnlyWhenAllowed)
{
    storeLogin("", "0");
    store::DbmsConnection connection;
    TLogin login(connection, prompter_);
    EXPECT_EQ("Database Login", login.windowTitle());
    EXPECT_EQ(server_->dataSource(), login.EditDatabase->text());
    EXPECT_EQ(QString::fromLatin1(PgServer::kSuperuser), login.EditUser->text());
    EXPECT_FALSE(login.CheckSavePassword->isChecked());
    EXPECT_EQ(QLineEdit::Password, login.EditPassword->echoMode());

    // A refused password: the warning, and the dialog stays for another try.
    login.show();
    login.EditPassword->setText("wrong");
    prompter_.expect(kTitle, kWrong, Icon::Warning, Buttons::Ok, Answer::Ok);
    login.ButtonOk->click();
    EXPECT_TRUE(login.isVisible());
    EXPECT_FALSE(connection.isOpen());
    EXPECT_TRUE(prompter_.allAnswered());

    for (const bool keep : {false, true}) {
        SCOPED_TRACE(keep ? "saving allowed" : "saving not allowed");
        login.show();
        login.EditPassword->setText(QString::fromLatin1(PgServer::kPassword) + " "); // blanks around it are not sent
        login.CheckSavePassword->setChecked(keep);
        login.ButtonOk->click();
        EXPECT_FALSE(login.isVisible());
        EXPECT_EQ(QDialog::Accepted, login.result());
        EXPECT_TRUE(connection.isOpen());
        QSettings stored = domvara();
        EXPECT_EQ(keep ? QString::fromLatin1(PgServer::kPassword) + " " : QString(), stored.value("Pass").toString());
        EXPECT_EQ(keep ? "1" : "0", stored.value("Key").toString());
        EXPECT_EQ(server_->dataSource(), stored.value("DB").toString());
        connection.close();
    }
}

TEST_F(DbmsExportAction, CancelInTheLoginEndsTheExportWithItsFailureAndTheProgramGoesOn)
{
    storeLogin("", "0");
    startWindowWithAReading();
    ASSERT_TRUE(exportVakl()->isEnabled());
    bool quitAsked = false;
    QObject::connect(qApp, &QCoreApplication::aboutToQuit, [&] { quitAsked = true; });

    whenLoginShows([](TLogin& login) { login.ButtonCancel->click(); });
    prompter_.expectErrorStartingWith(kTitle, "Ошибка записи в СУБД \"");
    exportVakl()->trigger();
    ASSERT_TRUE(prompter_.allAnswered());
    EXPECT_TRUE(prompter_.asked().back().text.endsWith("\". Возможно СУБД НКЕ-3170(б) не установлена."));
    QApplication::processEvents();
    EXPECT_FALSE(quitAsked);
    EXPECT_TRUE(window_->isVisible());
    EXPECT_EQ(3, window_->engine().familyGrid(int(Family::Vakl4)).rowCount()) << "the grid is kept";

    // The next export asks again; now the user gets in and the reading goes to the database.
    whenLoginShows([](TLogin& login) {
        login.EditPassword->setText(QString::fromLatin1(PgServer::kPassword));
        login.ButtonOk->click();
    });
    prompter_.expect(kTitle, "Экспорт в СУБД завершен.\nЗаписано строк: 2.\nНе записано строк: 0.", Icon::Information,
                     Buttons::Ok, Answer::Ok);
    exportVakl()->trigger();
    EXPECT_EQ((QStringList{"1|2024-03-05 12:30:00|10|1|100", "1|2024-03-05 12:30:00|10|2|200"}),
              server_->rows("SELECT account_id, to_char(date_time, 'YYYY-MM-DD HH24:MI:SS'), unit_id, tariff, w_ "
                            "FROM metering ORDER BY tariff"));
    EXPECT_EQ(0, window_->findChild<manager::Gauge*>()->value()) << "the gauge is back at 0";
}

TEST_F(DbmsExportAction, AKeptPasswordExportsWithoutAnyDialog)
{
    storeLogin(QString::fromLatin1(PgServer::kPassword), "1");
    startWindowWithAReading();
    whenLoginShows([](TLogin& login) {
        ADD_FAILURE() << "the login was shown";
        login.ButtonCancel->click();
    });
    prompter_.expect(kTitle, "Экспорт в СУБД завершен.\nЗаписано строк: 2.\nНе записано строк: 0.", Icon::Information,
                     Buttons::Ok, Answer::Ok);
    exportVakl()->trigger();
    EXPECT_EQ(2, server_->rows("SELECT * FROM metering").size());
}
