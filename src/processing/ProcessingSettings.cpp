#include "processing/ProcessingSettings.h"

#include "common/Error.h"
#include "common/Settings.h"

namespace tk::processing {

QString applicationTitle()
{
    return QStringLiteral("Обработка данных");
}

const std::vector<SettingInfo>& settingsTable()
{
    static const std::vector<SettingInfo> table = {
        // "Показания"
        {"CheckDate", true, 1}, {"CheckTime", true, 1}, {"CheckStatus", true, 1},
        {"CheckT1", true, 1}, {"CheckT2", true, 1}, {"CheckT3", true, 1},
        {"CheckC1", true, 1}, {"CheckC2", true, 1}, {"CheckC3", true, 1},
        {"CheckCheckSum", true, 1}, {"CheckAccum", true, 1}, {"CheckCorrect", true, 1}, {"CheckDelta", true, 1},
        // "Расчёт"
        {"Check_Pers", true, 1}, {"Check_Street", true, 1}, {"Check_House", true, 1},
        {"Check_T1", true, 1}, {"Check_T2", true, 0}, {"Check_T3", true, 0},
        {"CheckRoute", true, 0}, {"CheckSubscriber", true, 0}, {"CheckFinish", true, 0},
        {"RadioValue", false, 0, 0, 1},
        // "Годовой отчет"
        {"Check_Pers_Y", true, 1}, {"Check_Street_Y", true, 1}, {"Check_House_Y", true, 1},
        {"Check_Y1", true, 1}, {"Check_Y2", true, 0}, {"Check_Y3", true, 0},
        {"CheckRoute_Y", true, 0}, {"CheckSubscriber_Y", true, 0}, {"CheckFinish_Y", true, 0},
        {"RadioValue_Y", false, 0, 0, 1},
        {"SpinDay", false, 1, 1, 31},
    };
    return table;
}

ProcessingSettings::ProcessingSettings()
{
    for (const SettingInfo& s : settingsTable())
        values_.push_back(s.defaultValue);
}

int ProcessingSettings::index(const QString& name) const
{
    const auto& table = settingsTable();
    for (size_t i = 0; i < table.size(); ++i)
        if (name == QLatin1String(table[i].name))
            return int(i);
    throw Error(QStringLiteral("No setting is named %1").arg(name));
}

int ProcessingSettings::value(const QString& name) const
{
    return values_[size_t(index(name))];
}

void ProcessingSettings::set(const QString& name, int value)
{
    values_[size_t(index(name))] = value;
}

bool ProcessingSettings::load(Settings& settings)
{
    if (!settings.open(true))
        return false;
    const auto& table = settingsTable();
    for (size_t i = 0; i < table.size(); ++i) {
        const SettingInfo& s = table[i];
        const QString name = QString::fromLatin1(s.name);
        if (s.boolean) {
            if (const auto v = settings.readBool(name))
                values_[i] = *v ? 1 : 0;
        } else if (const auto v = settings.readInt(name); v && *v >= s.low && *v <= s.high) {
            // A value outside the control's limits is a damaged setting and leaves the default.
            values_[i] = *v;
        }
    }
    settings.close();
    return true;
}

bool ProcessingSettings::save(Settings& settings) const
{
    if (!settings.open(false))
        return false;
    const auto& table = settingsTable();
    for (size_t i = 0; i < table.size(); ++i) {
        const QString name = QString::fromLatin1(table[i].name);
        if (table[i].boolean)
            settings.writeBool(name, values_[i] != 0);
        else
            settings.writeInt(name, values_[i]);
    }
    settings.close();
    return true;
}

} // namespace tk::processing
