#include "manager/ActionTable.h"

#include "manager/ActionRules.h"
#include "common/Families.h"

namespace tk::manager {

namespace {

// One operation that exists once per family: the hint either names the family after a stem or
// is the same for all families.
struct FamilyOperation {
    const char* FamilyActionNames::*name;
    const char16_t* caption;
    const char16_t* hint;
    bool hintNamesFamily;
    bool enabledAtStart;
};

const FamilyOperation kOperations[] = {
    {&FamilyActionNames::read, u"Считать данные из ридера", u"Считать данные ", true, false},
    {&FamilyActionNames::format, u"Очистить данные ридера", u"Очистить ", true, false},
    {&FamilyActionNames::clear, u"&Очистить обменник", u"Очистить обменник ", true, true},
    {&FamilyActionNames::db, u"Экспорт в СУДБ", u"Экспорт в СУДБ", false, false},
    {&FamilyActionNames::text, u"Экспорт в &текстовый файл", u"Экспорт в текстовый файл", false, false},
    {&FamilyActionNames::excel, u"&Экспорт в Excel", u"Экспорт в Excel", false, false},
    {&FamilyActionNames::write, u"&Записать в БД", u"Записать в БД ", true, false},
    {&FamilyActionNames::erase, u"Очистить &БД", u"Очистить БД ", true, true},
};

struct OtherAction {
    const char* name;
    const char16_t* caption;
    const char16_t* hint; // nullptr: the same as the caption
    bool enabledAtStart;
};

const OtherAction kOthers[] = {
    {"ActionConnect", u"&Установить связь", u"Установить связь", true},
    {"ActionDisconnect", u"&Разорвать связь", u"Разорвать связь", false},
    {"ActionTime", u"&Синхронизовать время", u"Синхронизовать время", false},
    {"ActionReadList", u"Прочитать список &баз", u"Прочитать список баз из ридера", false},
    {"ActionReadTarif", u"&Прочитать", u"Прочитать установки", false},
    {"ActionWriteTarif", u"&Записать", u"Записать установки", false},
    {"ActionReadJournal", u"&Прочитать", u"Прочитать журнал", false},
    {"ActionExportJournal", u"&Экспорт", u"Экспорт журнала", false},
    {"ActionClearJournal", u"&Очистить", u"Очистить журнал", false},
    {"ActionReadDiary", u"&Прочитать", u"Прочитать дневник", false},
    {"ActionExportDiary", u"&Экспорт", u"Экспорт дневника", false},
    {"ActionClearDiary", u"&Очистить", u"Очистить дневник", false},
    {"ActionWizard", u"За&грузить задание", u"Загрузить задание", false},
    {"ActionRouteFromBd", u"Загрузить из &БД", u"Загрузить маршрут из БД", true},
    {"ActionLoadRoute", u"Загрузить из &файла", u"Загрузить маршрут из файла", true},
    {"ActionWriteRoute", u"&Записать в ридер", u"Записать маршрут в ридер", false},
    {"ActionReadRoute", u"&Прочитать из ридера", u"Прочитать маршрут из ридера", false},
    {"ActionDestroyRoute", u"&Удалить из ридера", u"Удалить маршрут из ридера", false},
    {"ActionFormatStreet", u"Очистить БД \"Улицы\"", nullptr, false},
    {"ActionAbbr", u"&Аббревиатуры", u"Аббревиатуры", true},
    {"ActionRouteExcel", u"&Экспорт в Excel", u"Экспорт в Excel", false},
};

std::vector<ActionInfo> build()
{
    std::vector<ActionInfo> out;
    for (size_t i = 0; i < kFamilyActions.size(); ++i) {
        const QString family = familyName(static_cast<Family>(i));
        for (const FamilyOperation& op : kOperations) {
            const char* name = kFamilyActions[i].*op.name;
            if (!name)
                continue;
            QString hint = QString::fromUtf16(op.hint);
            if (op.hintNamesFamily)
                hint += family;
            out.push_back({QString::fromLatin1(name), QString::fromUtf16(op.caption), hint, op.enabledAtStart});
        }
    }
    for (const OtherAction& a : kOthers) {
        const QString caption = QString::fromUtf16(a.caption);
        out.push_back({QString::fromLatin1(a.name), caption, a.hint ? QString::fromUtf16(a.hint) : caption, a.enabledAtStart});
    }
    return out;
}

} // namespace

const std::vector<ActionInfo>& actionTable()
{
    static const std::vector<ActionInfo> table = build();
    return table;
}

} // namespace tk::manager
