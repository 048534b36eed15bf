#include "routes/RouteSources.h"

#include "common/AddOns.h"
#include "common/Error.h"
#include "common/Families.h"
#include "common/Prompter.h"
#include "routes/Abbreviations.h"
#include "routes/RouteRecord.h"
#include "routes/RouteState.h"
#include "store/dbf/LocalSql.h"

#include <QFile>

namespace tk::routes {

RouteSources::RouteSources(store::LocalSql& sql, const addons::Vormadd* vormadd, const Abbreviations& abbreviations,
                           Prompter& prompter)
    : sql_(sql), vormadd_(vormadd), abbreviations_(abbreviations), prompter_(prompter)
{
}

QStringList RouteSources::routeNames()
{
    const store::Rows rows = sql_.select({QStringLiteral("SELECT DISTINCT route FROM Route ORDER BY route")});
    QStringList names;
    for (int r = 0; r < rows.size(); ++r)
        names << rows.text(r, 0);
    return names;
}

void RouteSources::loadFromTable(const QString& name, RouteState& state)
{
    TextList& list = state.list();
    list.clear();
    const store::Rows rows = sql_.select({QStringLiteral("SELECT pers, street, house, number, ctype FROM Route"),
                                          QStringLiteral("WHERE route = :route")},
                                         store::Params().text(QStringLiteral("route"), name));
    for (int r = 0; r < rows.size(); ++r) {
        const QVariant type = rows.value(r, 4);
        const int ctype = type.isNull() ? -1 : type.toInt();
        QString typeName;
        for (const FamilyInfo& f : kFamilies)
            if (f.routeType >= 0 && f.routeType == ctype)
                typeName = familyName(f.family);
        const QVariant pers = rows.value(r, 0);
        const QVariant number = rows.value(r, 3);
        list.append({pers.isNull() ? QString() : QString::number(pers.toLongLong()).rightJustified(10, QLatin1Char('0')),
                     rows.text(r, 1), rows.text(r, 2),
                     number.isNull() ? QString() : QString::number(number.toLongLong()).rightJustified(6, QLatin1Char('0')),
                     typeName});
    }
    state.setName(name);
}

bool RouteSources::loadFromFile(const QString& path, RouteState& state)
{
    if (!vormadd_)
        throw Error(QStringLiteral("Библиотека vormadd не загружена: файлы маршрутов читать нечем."));
    state.setName(vormadd_->routeFromFileName(path));
    TextList& list = state.list();
    list.clear();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Error(QStringLiteral("Не удалось открыть файл %1: %2").arg(path, file.errorString()));
    const QByteArray bytes = file.readAll();
    if (bytes.contains('\0'))
        throw Error(QStringLiteral("Файл %1 не является текстовым файлом маршрута.").arg(path));
    const QList<QByteArray> lines = bytes.split('\n');
    for (int i = 0; i < lines.size(); ++i) {
        QByteArray line = lines[i];
        if (line.endsWith('\r'))
            line.chop(1);
        // The piece after the last line end is no line of the file.
        if (line.isEmpty())
            continue;
        const addons::RouteLine decoded = vormadd_->decodeLine(line);
        QString reason;
        switch (vormadd_->checkRecord(decoded.account, decoded.house, decoded.meterNumber)) {
        case 1: reason = QStringLiteral(" Неверный лицевой счет."); break;
        case 2: reason = QStringLiteral(" Неверный номер дома."); break;
        case 3: reason = QStringLiteral(" Неверный номер счетчика."); break;
        default:
            if (abbreviations_.typeCode(decoded.meterType) == 0)
                reason = QStringLiteral(" Неверный тип счетчика.");
            break;
        }
        if (reason.isEmpty()) {
            list.append({decoded.account, decoded.street.left(kNameLength), decoded.house, decoded.meterNumber,
                         decoded.meterType});
            continue;
        }
        if (prompter_.message(QStringLiteral("Ошибка в файле"),
                              QStringLiteral("Ошибка в строке №") + QString::number(i + 1) + QLatin1Char('.') + reason
                                  + QStringLiteral(" Продолжить загрузку ?"),
                              Prompter::Icon::Error, Prompter::Buttons::YesNo)
            != Prompter::Answer::Yes)
            return false;
    }
    return true;
}

} // namespace tk::routes
