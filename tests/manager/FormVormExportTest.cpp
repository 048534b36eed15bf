// The exports of the main window: when they are offered, the spreadsheets they write (read back
// with openpyxl), the text files our add-on writes, the folder chooser, failures; and start-up:
// the add-ons bound before the forms, the about box shown from the menu.
#include "BuiltAddOns.h"
#include "ExportTestSupport.h"
#include "ManagerTestSupport.h"
#include "ScriptedPrompter.h"

#include "common/Cp1251.h"
#include "common/Regional.h"
#include "common/TAboutBox.h"
#include "manager/ActionRules.h"
#include "manager/ManagerSettings.h"
#include "manager/Startup.h"
#include "manager/TFormSelDir.h"
#include "manager/TFormVorm.h"
#include "reader/Engine.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

#include <memory>

using namespace tk;
using tk::manager::TFormVorm;
using tk::test::ScriptedPrompter;
using Icon = tk::Prompter::Icon;
using Buttons = tk::Prompter::Buttons;
using Answer = tk::Prompter::Answer;

namespace {

const QString kTitle = QStringLiteral("ТК4718ЕН-менеджер");

// One reading of a three-tariff family and how each cell must arrive in the sheet.
const QStringList kReading = {"1234567890", "ЛЕНИНА", "12/2", "000042", "05.03.2024", "12:30", "4", "100,5", "200",
                              "300", "90", "190", "290", "17", "1234:05", "2", "-5", "Центр"};
QJsonArray readingInSheet()
{
    using test::number, test::text;
    return {number(1234567890), text("ЛЕНИНА"), text("12/2"), number(42), text("05.03.2024"), text("12:30"),
            number(4), number(100.5), number(200), number(300), number(90), number(190), number(290), number(17),
            text("1234:05"), number(2), number(-5), text("Центр")};
}

QJsonArray textRow(const QStringList& cells)
{
    QJsonArray out;
    for (const QString& c : cells)
        out.append(test::text(c));
    return out;
}

// A title row: the title in A1 and nothing beside it.
QJsonArray titleRow(const QString& title, int columns)
{
    QJsonArray out{test::text(title)};
    while (out.size() < columns)
        out.append(QJsonValue());
    return out;
}

class FormVormExport : public ::testing::Test {
protected:
    void start(const addons::AddOns& addOns = test::builtAddOns())
    {
        manager::StartupOptions options{{QStringLiteral("Vormer_2005")}, {}, {}};
        options.addOns = &addOns;
        window_ = std::make_unique<TFormVorm>(&prompter_, options);
    }
    void TearDown() override
    {
        window_.reset();
        EXPECT_TRUE(prompter_.allAnswered());
    }

    TextGrid& grid(Family f) { return window_->engine().familyGrid(int(f)); }
    QAction* action(const char* name) const { return window_->action(QString::fromLatin1(name)); }
    // What the window does when a reader operation ends.
    void exchangeEnded() { emit window_->engine().exchangeActionsEnabled(); }
    bool busyCursor() const { return window_->testAttribute(Qt::WA_SetCursor) && window_->cursor().shape() == Qt::WaitCursor; }

    test::ConfigHome home_;
    test::WorkDir work_;
    test::ExportPlace place_;
    ScriptedPrompter prompter_;
    std::unique_ptr<TFormVorm> window_;
};

TEST_F(FormVormExport, ExportsAreOfferedByWhatTheirGridHoldsAndWhetherASpreadsheetCanBeMade)
{
    start();
    grid(Family::Telv2).appendRecord(kReading);
    grid(Family::Zkv).appendRecord({"77"});
    window_->engine().journalGrid().appendRecord({"000123"});

    for (const bool spreadsheet : {true, false}) {
        SCOPED_TRACE(spreadsheet ? "spreadsheet files can be made" : "no folder for spreadsheet files");
        if (!spreadsheet) { // a file where the folder should be: nothing can be written there
            QFile(work_.file("not a folder")).open(QIODevice::WriteOnly);
            qputenv("TK4718EH_XLSX_FOLDER", work_.file("not a folder/Excel").toLocal8Bit());
        }
        emit window_->engine().exchangeActionsDisabled();
        for (const manager::FamilyActionNames& a : manager::kFamilyActions) {
            EXPECT_FALSE(action(a.excel)->isEnabled()) << a.excel << " while an exchange runs";
            if (a.text) {
                EXPECT_FALSE(action(a.text)->isEnabled()) << a.text << " while an exchange runs";
            }
        }
        exchangeEnded();
        for (const FamilyInfo& f : kFamilies) {
            const manager::FamilyActionNames& a = manager::kFamilyActions[size_t(f.family)];
            const bool records = f.family == Family::Telv2 || f.family == Family::Zkv;
            EXPECT_EQ(records && spreadsheet, action(a.excel)->isEnabled()) << a.excel;
            if (a.text) {
                EXPECT_EQ(records, action(a.text)->isEnabled()) << a.text;
            }
        }
        EXPECT_EQ(spreadsheet, action("ActionExportJournal")->isEnabled());
        EXPECT_FALSE(action("ActionExportDiary")->isEnabled()) << "an empty diary";
    }
}

TEST_F(FormVormExport, AFamilySpreadsheetIsItsGridUnderTodaysShortDate)
{
    start();
    grid(Family::VaklDr).appendRecord(kReading);
    grid(Family::Telv2).appendRecord({"1"}); // another family's grid stays out of it
    exchangeEnded();
    const QDate before = QDate::currentDate();
    action("ActionExportVaklDr")->trigger();
    const QDate after = QDate::currentDate();

    const QStringList opened = place_.opened(1);
    ASSERT_EQ(1, opened.size());
    const QJsonArray rows = test::readSheet(opened[0]);
    ASSERT_EQ(3, rows.size()) << "title, captions, the reading (the empty last row holds nothing)";
    const QString a1 = rows[0].toArray()[0].toArray()[1].toString();
    EXPECT_TRUE(a1 == regional::shortDate(before) || a1 == regional::shortDate(after)) << a1.toStdString();
    EXPECT_EQ(titleRow(a1, int(kReading.size())), rows[0].toArray()) << "the date alone in A1";
    EXPECT_EQ(textRow(grid(Family::VaklDr).titles()), rows[1].toArray());
    EXPECT_EQ(readingInSheet(), rows[2].toArray());
    EXPECT_FALSE(busyCursor());
}

TEST_F(FormVormExport, JournalAndDiarySpreadsheetsCarryTheirNames)
{
    start();
    const struct {
        const char* action;
        TextGrid& grid;
        QString title;
    } cases[] = {
        {"ActionExportJournal", window_->engine().journalGrid(), "Журнал"},
        {"ActionExportDiary", window_->engine().diaryGrid(), "Дневник"},
    };
    for (const auto& c : cases)
        c.grid.appendRecord({"000123", "ТЕЛВ-2"});
    exchangeEnded();
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].action);
        action(cases[i].action)->trigger();
        const QStringList opened = place_.opened(int(i) + 1);
        ASSERT_EQ(int(i) + 1, opened.size());
        const QJsonArray rows = test::readSheet(opened.back());
        ASSERT_EQ(3, rows.size());
        EXPECT_EQ(titleRow(cases[i].title, cases[i].grid.columnCount()), rows[0].toArray());
        EXPECT_EQ(textRow(cases[i].grid.titles()), rows[1].toArray());
        EXPECT_EQ(test::number(123), rows[2].toArray()[0]);
        EXPECT_EQ(test::text("ТЕЛВ-2"), rows[2].toArray()[1]);
    }
}

TEST_F(FormVormExport, EachTextExportHandsItsOwnGridAndCodeToOurAddOn)
{
    start();
    for (const FamilyInfo& f : kFamilies)
        grid(f.family).appendRecord({QString::number(100001 + int(f.family)), familyName(f.family)});
    exchangeEnded();
    for (const FamilyInfo& f : kFamilies) {
        const char* name = manager::kFamilyActions[size_t(f.family)].text;
        if (!name)
            continue;
        SCOPED_TRACE(name);
        // Our vormadd asks for a file.
        const QString file = work_.file(QStringLiteral("выгрузка %1.txt").arg(f.exportCode));
        prompter_.answerFile(file);
        prompter_.expect("Экспорт данных", "Экспорт завершен.", Icon::None, Buttons::Ok, Answer::Ok);
        action(name)->trigger();
        EXPECT_TRUE(prompter_.allAnswered());

        QFile written(file);
        ASSERT_TRUE(written.open(QIODevice::ReadOnly));
        const QStringList lines = fromCp1251(written.readAll()).split("\r\n");
        ASSERT_EQ(4, lines.size()) << lines.join('/').toStdString();
        EXPECT_EQ(QString::number(f.exportCode), lines[0]);
        EXPECT_EQ(grid(f.family).titles().join(';'), lines[1]);
        EXPECT_TRUE(lines[2].startsWith(QString::number(100001 + int(f.family)) + ";" + familyName(f.family) + ";"))
            << lines[2].toStdString();
        EXPECT_EQ("", lines[3]);
    }
    EXPECT_FALSE(busyCursor());
}

// The stand-in add-on of the binding tests: it answers GetDialogSave as told and logs ExportToFile.
class FormVormFolderExport : public FormVormExport {
protected:
    void SetUp() override
    {
        qputenv("TESTADDON_DIALOG", "1");
        qputenv("TESTADDON_LOG", log_.toLocal8Bit());
        addOns_.vormadd = addons::Vormadd::load(QStringLiteral(TESTADDON_DIR "/scripted"));
        addOns_.vormadddb = addons::Vormadddb::load(test::binDir());
        start(addOns_);
        selDir_ = std::make_unique<manager::TFormSelDir>(window_.get());
        window_->setFolderChooser(selDir_.get());
        grid(Family::Vakl4).appendRecord({"42"});
        exchangeEnded();
    }
    void TearDown() override
    {
        selDir_.reset();
        FormVormExport::TearDown();
        qunsetenv("TESTADDON_DIALOG");
        qunsetenv("TESTADDON_LOG");
    }
    // Answers the folder chooser when it shows: the folder typed into its field, then OK, or Cancel.
    void answerChooser(const QString& folder)
    {
        QTimer::singleShot(0, selDir_.get(), [this, folder] {
            chooserShown_ = selDir_->isVisible();
            hourglassOverChooser_ = busyCursor() || selDir_->BtnOk->cursor().shape() == Qt::WaitCursor;
            if (folder.isEmpty())
                selDir_->BtnCancel->click();
            else {
                selDir_->EditDir->setText(folder);
                selDir_->BtnOk->click();
            }
        });
    }
    QString logged() const
    {
        QFile f(log_);
        return f.open(QIODevice::ReadOnly) ? fromCp1251(f.readAll()) : QString();
    }

    QString log_ = work_.file("addon.log");
    addons::AddOns addOns_;
    std::unique_ptr<manager::TFormSelDir> selDir_;
    bool chooserShown_ = false;
    bool hourglassOverChooser_ = true;
};

TEST_F(FormVormFolderExport, TheChosenFolderGoesToTheAddOnAndACancelEndsSilently)
{
    answerChooser(QString());
    action("ActionExpVakl")->trigger();
    EXPECT_TRUE(chooserShown_);
    EXPECT_TRUE(logged().isEmpty()) << "the add-on is not called after a cancel";
    EXPECT_TRUE(prompter_.asked().empty()) << "and nothing is said";

    const QString folder = work_.file("Выгрузка");
    answerChooser(folder);
    prompter_.expect("Экспорт данных", "Экспорт завершен.", Icon::None, Buttons::Ok, Answer::Ok);
    action("ActionExpVakl")->trigger();
    EXPECT_EQ("target=" + folder + "\nkind=3\nлиц.счет", logged().section('|', 0, 0));
    EXPECT_FALSE(hourglassOverChooser_) << "the user is asked without the hourglass";
    EXPECT_FALSE(busyCursor());
}

TEST_F(FormVormExport, FailuresEndTheExportWithTheirMessage)
{
    addons::AddOns failing;
    failing.vormadd = addons::Vormadd::load(QStringLiteral(TESTADDON_DIR "/failing"));
    failing.vormadddb = addons::Vormadddb::load(test::binDir());
    start(failing);
    grid(Family::Telv1).appendRecord({"1"});
    exchangeEnded();

    // An add-on failure: its message, and no completion message after it.
    prompter_.expectError(kTitle, "Сбой дополнения: нет связи");
    action("ActionExpTelv_1")->trigger();
    EXPECT_TRUE(prompter_.allAnswered());

    // A folder that stopped taking files after the export was offered.
    const QString folder = work_.file("not a folder/Excel");
    QFile(work_.file("not a folder")).open(QIODevice::WriteOnly);
    qputenv("TK4718EH_XLSX_FOLDER", folder.toLocal8Bit());
    prompter_.expectError(kTitle, "Не удалось создать папку " + folder + " для файлов Excel");
    action("ActionExportTelv_1")->trigger();
    EXPECT_FALSE(busyCursor()) << "the hourglass goes with the failed export";
}

TEST_F(FormVormExport, TheAboutBoxMadeAtStartIsShownFromTheMenu)
{
    manager::ManagerForms forms(test::builtAddOns(), &prompter_, {{QStringLiteral("Vormer_2005")}, {}, {}});
    QAction* about = forms.window().findChild<QAction*>(QStringLiteral("NAbout"));
    ASSERT_NE(nullptr, about);
    ASSERT_TRUE(about->isEnabled());
    QWidget* shown = nullptr;
    QString addOnText;
    QTimer::singleShot(0, &forms.about(), [&] {
        shown = QApplication::activeModalWidget();
        addOnText = forms.about().LabelAddOn->text();
        forms.about().OKButton->click();
    });
    about->trigger();
    EXPECT_EQ(&forms.about(), shown) << "shown modally";
    EXPECT_EQ(test::builtAddOns().vormadd->aboutString(), addOnText) << "our add-on's text";
    EXPECT_FALSE(forms.about().isVisible());
}

TEST(ManagerStartUp, AMissingAddOnOrFunctionStopsTheStartNamingIt)
{
    test::WorkDir dir;
    const QString ownFolder = test::binDir();
    QDir().mkpath(dir.file("onlyVormadd"));
    QFile::copy(addons::Vormadd::load(ownFolder)->fileName(),
                dir.file("onlyVormadd/") + QFileInfo(addons::Vormadd::load(ownFolder)->fileName()).fileName());
    const struct {
        QString folder;
        QString message; // the start of it; the system's reason follows
    } cases[] = {
        {dir.path(), "Не удалось загрузить библиотеку vormadd из папки"},
        {dir.file("onlyVormadd"), "Не удалось загрузить библиотеку vormadddb из папки"},
        {TESTADDON_DIR "/lacking", "В библиотеке vormadd нет функции CheckRecord"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.folder.toStdString());
        ScriptedPrompter prompter;
        prompter.expectErrorStartingWith(kTitle, c.message);
        EXPECT_FALSE(manager::bindAddOns(c.folder, prompter).has_value());
        EXPECT_TRUE(prompter.allAnswered());
    }
    ScriptedPrompter quiet;
    const std::optional<addons::AddOns> ours = manager::bindAddOns(ownFolder, quiet);
    ASSERT_TRUE(ours.has_value());
    EXPECT_TRUE(ours->vormadd && ours->vormadddb);
    EXPECT_TRUE(quiet.asked().empty());
}

} // namespace
