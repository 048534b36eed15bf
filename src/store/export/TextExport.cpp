#include "store/export/TextExport.h"

#include "common/AddOns.h"
#include "common/Error.h"
#include "common/Prompter.h"
#include "common/Regional.h"
#include "common/ToExcel.h"

namespace tk::store {

TextExportResult exportFamilyText(Family family, const TextGrid& grid, const addons::Vormadd& vormadd,
                                  Prompter& prompter, const FolderChooser& chooseFolder)
{
    const int code = familyInfo(family).exportCode;
    if (code < 1)
        throw Error(QStringLiteral("Показания %1 в текстовый файл не выгружаются").arg(familyName(family)));

    QString target;
    switch (vormadd.getDialogSave()) {
    case 1: {
        if (!chooseFolder) // a wiring fault, not a cancel: say so instead of doing nothing
            throw Error(QStringLiteral("Дополнение просит папку, а выбор папки не подключён"));
        const std::optional<QString> folder = chooseFolder();
        if (!folder)
            return TextExportResult::Cancelled;
        target = *folder;
        break;
    }
    case 2:
        // The system's save dialog as it comes: no filter, default extension or title of ours.
        target = prompter.saveFile(QString(), QString(), QString());
        if (target.isEmpty())
            return TextExportResult::Cancelled;
        break;
    default:
        break;
    }
    vormadd.exportToFile(grid, target, code);
    prompter.message(QStringLiteral("Экспорт данных"), QStringLiteral("Экспорт завершен."), Prompter::Icon::None,
                     Prompter::Buttons::Ok);
    return TextExportResult::Exported;
}

QString familySheetTitle(const QDate& today)
{
    return regional::shortDate(today);
}

QString exportFamilySheet(const TextGrid& grid, const QDate& today)
{
    return GridToExcel(grid, familySheetTitle(today));
}

QString exportJournalSheet(const TextGrid& journal)
{
    return GridToExcel(journal, QStringLiteral("Журнал"));
}

QString exportDiarySheet(const TextGrid& diary)
{
    return GridToExcel(diary, QStringLiteral("Дневник"));
}

} // namespace tk::store
