// The text export's dialogs and calls into the add-on, and the spreadsheet exports' titles.
#include "ExportTestSupport.h"
#include "ScriptedPrompter.h"

#include "common/AddOns.h"
#include "common/Cp1251.h"
#include "common/Error.h"
#include "store/export/TextExport.h"

#include <QFile>
#include <QLocale>
#include <QTemporaryDir>

using namespace tk;
using namespace tk::store;
using tk::test::ScriptedPrompter;

namespace {

QString binDir()
{
    const QString dir = qEnvironmentVariable("TK_BIN_DIR");
    return dir.isEmpty() ? QStringLiteral(TK_BIN_DIR_DEFAULT) : dir;
}

TextGrid grid()
{
    TextGrid g({"Номер", "Т1"});
    g.appendRecord({"000042", "12,5"});
    return g;
}

void expectCompletion(ScriptedPrompter& p)
{
    p.expect("Экспорт данных", "Экспорт завершен.", Prompter::Icon::None, Prompter::Buttons::Ok, Prompter::Answer::Ok);
}

} // namespace

TEST(TextExport, TheAddOnChoosesTheDialogAndGetsTheTargetAndTheFamilysCode)
{
    struct Case {
        const char* dialog;             // what GetDialogSave answers
        Family family;
        std::optional<QString> folder;  // the folder chooser's answer
        QString file;                   // the save dialog's answer, empty = cancel
        std::optional<QString> target;  // what ExportToFile receives; none = not called
    };
    const std::vector<Case> cases = {
        {"0", Family::VaklDr, {}, {}, QString()},
        {"7", Family::Telv1, {}, {}, QString()},
        {"1", Family::Telv2, QString("/data/Выгрузка"), {}, QString("/data/Выгрузка")},
        {"1", Family::Vakl4, std::nullopt, {}, std::nullopt},
        {"2", Family::VaklPdr, {}, "/data/out.txt", QString("/data/out.txt")},
        {"2", Family::VaklDr, {}, "", std::nullopt},
    };
    QTemporaryDir dir;
    const QString log = dir.filePath("log.txt");
    qputenv("TESTADDON_LOG", log.toLocal8Bit());
    const auto addOn = addons::Vormadd::load(QStringLiteral(TESTADDON_DIR "/scripted"));

    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("GetDialogSave ") + c.dialog + ", " + familyName(c.family).toStdString());
        QFile::remove(log);
        qputenv("TESTADDON_DIALOG", c.dialog);
        ScriptedPrompter prompter;
        if (QByteArray(c.dialog) == "2")
            prompter.answerFile(c.file);
        if (c.target)
            expectCompletion(prompter);
        int chooserCalls = 0;
        const auto result = exportFamilyText(c.family, grid(), *addOn, prompter, [&] {
            ++chooserCalls;
            return c.folder;
        });

        EXPECT_EQ(QByteArray(c.dialog) == "1" ? 1 : 0, chooserCalls);
        EXPECT_TRUE(prompter.allAnswered());
        if (!c.target) {
            EXPECT_EQ(TextExportResult::Cancelled, result);
            EXPECT_FALSE(QFile::exists(log)) << "cancelled before the add-on";
            EXPECT_TRUE(prompter.asked().empty()) << "cancelled silently";
            continue;
        }
        EXPECT_EQ(TextExportResult::Exported, result);
        QFile f(log);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_EQ(("target=" + *c.target + "\nkind=" + QString::number(familyInfo(c.family).exportCode)
                   + "\nНомер|Т1\n000042|12,5\n|\noutside=[]\n")
                      .toStdString(),
                  fromCp1251(f.readAll()).toStdString());
    }
    qunsetenv("TESTADDON_DIALOG");
    qunsetenv("TESTADDON_LOG");
}

TEST(TextExport, AnAddOnFailureEndsTheExportWithoutTheCompletionMessage)
{
    const auto failing = addons::Vormadd::load(QStringLiteral(TESTADDON_DIR "/failing"));
    ScriptedPrompter prompter; // expects nothing: a completion message would fail the test
    try {
        exportFamilyText(Family::Telv2, grid(), *failing, prompter, [] { return std::optional<QString>(); });
        ADD_FAILURE() << "no error";
    } catch (const Error& e) {
        EXPECT_EQ("Сбой дополнения: нет связи", e.message().toStdString());
    }
    EXPECT_TRUE(prompter.asked().empty());

    const auto ours = addons::Vormadd::load(binDir());
    EXPECT_THROW(exportFamilyText(Family::Zkv, grid(), *ours, prompter, {}), Error) << "ЖКВ has no export code";
}

TEST(TextExport, OurAddOnWritesTheChosenFile)
{
    QTemporaryDir dir;
    const auto ours = addons::Vormadd::load(binDir());
    ScriptedPrompter prompter;
    prompter.answerFile(dir.filePath("ВАКЛ-ПДР.txt"));
    expectCompletion(prompter);
    ASSERT_EQ(TextExportResult::Exported, exportFamilyText(Family::VaklPdr, grid(), *ours, prompter, {}));
    QFile f(dir.filePath("ВАКЛ-ПДР.txt"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(toCp1251("5\r\nНомер;Т1\r\n000042;12,5\r\n"), f.readAll());
}

TEST(SpreadsheetExport, FamilyGridsGoUnderTodaysShortDateTheJournalAndDiaryUnderTheirNames)
{
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    test::ExportPlace place;
    TextGrid journal({"Дата", "Событие"});
    journal.appendRecord({"01.02.2005", "Включение"});

    const QJsonArray family = test::readSheet(exportFamilySheet(grid(), QDate(2024, 3, 5)));
    ASSERT_EQ(3, family.size());
    EXPECT_EQ(test::text("05.03.2024"), family[0].toArray()[0]);
    EXPECT_EQ(test::number(12.5), family[2].toArray()[1]);
    EXPECT_EQ(test::text("Журнал"), test::readSheet(exportJournalSheet(journal))[0].toArray()[0]);
    EXPECT_EQ(test::text("Дневник"), test::readSheet(exportDiarySheet(journal))[0].toArray()[0]);
    EXPECT_EQ(3, place.opened(3).size());
    QLocale::setDefault(QLocale::c());
}
