#include "reader/StatusDecoding.h"

#include <array>

namespace tk::reader {

namespace {

struct ModelInfo {
    const char16_t* name;
    int largestValue;
};

constexpr std::array<ModelInfo, kStatusModelCount> kModels = {{
    {u"ТЕЛВ-2П ДР", 255},
    {u"ВАКЛ-4", 255},
    {u"ТЕЛВ-1-2П ДР", 255},
    {u"ТЕЛВ-1П ДР", 255},
    {u"ВАКЛ-ДР", 255},
    {u"ВАКЛ-ПДР (радио)", 255},
    {u"ВАКЛ-ПДР (дневник)", 65535},
}};

// Texts several models share.
constexpr const char16_t* kTimerNotSet = u"Дата и время таймера не установлены.";
constexpr const char16_t* kTimerFault = u"Неисправность таймера календаря.";
constexpr const char16_t* kStatusChanged = u"Флаг изменения статуса.";
constexpr const char16_t* kPowerOff = u"Выключение питания";
constexpr const char16_t* kMeterOff = u"Выключение счетчика";
constexpr const char16_t* kConsumptionViolation = u"Фиксация нарушения режима потребления.";

// The phase letters are Latin capitals.
constexpr std::array<const char16_t*, 3> kPhases = {u"A", u"B", u"C"};
constexpr const char16_t* kPhase = u"Фаза ";

bool bit(int v, int n)
{
    return (v >> n) & 1;
}

class Lines {
public:
    void add(const char16_t* text) { lines_.append(QString::fromUtf16(text)); }
    void addIf(bool condition, const char16_t* text)
    {
        if (condition)
            add(text);
    }
    void addPhase(int phase, const char16_t* suffix)
    {
        lines_.append(QString::fromUtf16(kPhase) + QString::fromUtf16(kPhases[size_t(phase)]) + QString::fromUtf16(suffix));
    }
    QStringList take() { return std::move(lines_); }

private:
    QStringList lines_;
};

QStringList telv2(int v)
{
    Lines out;
    if (v == 255) {
        out.add(kPowerOff);
        return out.take();
    }
    out.addIf(bit(v, 7), u"ЖКВ не описан.");
    out.addIf(bit(v, 6), kTimerNotSet);
    out.addIf(bit(v, 5), kTimerFault);
    out.addIf(bit(v, 4), kStatusChanged);
    switch (v & 15) {
    case 0: out.add(u"Режим потребления в норме."); break;
    case 7: out.add(u"Связь с ЖКВ восстановлена."); break;
    case 8: out.add(u"Нет связи с ЖКВ."); break;
    case 13: out.add(u"Разбаланс каналов (\"Внешний\" < \"Внутренний\"."); break;
    case 14: out.add(u"Разбаланс каналов (\"Внешний\" > \"Внутренний\"."); break;
    case 15: out.add(u"Разбаланс каналов (\"Внешний\" - \"Внутренний\" > 5 %)."); break;
    default: break;
    }
    return out.take();
}

QStringList vakl4(int v)
{
    Lines out;
    out.addIf(bit(v, 7), u"Разрешен переход на летнее время.");
    out.addIf(bit(v, 6), kTimerNotSet);
    out.addIf(bit(v, 5), kTimerFault);
    return out.take();
}

QStringList telv12(int v)
{
    Lines out;
    out.addIf(bit(v, 7), u"Разряд батареи таймера календаря.");
    out.addIf(bit(v, 6), kTimerNotSet);
    out.addIf(bit(v, 5), kTimerFault);
    out.addIf(bit(v, 4), kStatusChanged);
    // "Канал B" is written with Latin B both times; after "=" in the other channel lines stands
    // the Cyrillic В.
    switch (v & 15) {
    case 1: out.add(u"Канал 0 вышел из класса (0<Ф=В)."); break;
    case 2: out.add(u"Канал Ф вышел из класса (Ф<0=В)."); break;
    case 3: out.add(u"Канал B вышел из класса (B>0=Ф)."); break;
    case 4: out.add(u"Канал B вышел из класса (B<0=Ф)."); break;
    case 5: out.add(u"Канал Ф вышел из класса (Ф>0=В)."); break;
    case 6: out.add(u"Канал 0 вышел из класса (0>Ф=В)."); break;
    case 9: out.add(u"Есть ток утечки на землю после счетчика."); break;
    case 10: out.add(u"Заземление нагрузки со сменой фазы."); break;
    case 11: out.add(u"Либо скрытое подключение до счетчика, либо ток утечки на землю до счетчика"); break;
    case 12: out.add(u"Обрыв, КЗ или шунтирование датчика \"Внешний\"."); break;
    default: break;
    }
    return out.take();
}

QStringList telv1(int v)
{
    Lines out;
    if (v < 128) {
        out.addIf(bit(v, 0), u"Разбалансировка внешнего датчика.");
        out.addIf(bit(v, 1), u"Фиксация обрыва (КЗ).");
        out.addIf(bit(v, 2), u"Обрыв (КЗ) внешнего датчика.");
        out.addIf(bit(v, 3), u"Разбалансировка датчика фазы.");
        out.addIf(bit(v, 4), u"Разбалансировка датчика нуля.");
    } else {
        out.addIf(bit(v, 0), u"Обнаружение нарушения.");
        out.addIf(bit(v, 1), u"Фиксация нарушения.");
        out.addIf(bit(v, 2), u"Обрыв.");
        out.addIf(bit(v, 3), u"Ошибка внутреннего тестирования.");
    }
    return out.take();
}

QStringList vaklDr(int v)
{
    // By phase, then by code 1 .. 3.
    static constexpr const char16_t* kPhaseLines[3][3] = {
        {u"Фаза A: нет связи с ЖКВ", u"Фаза A: номер ЖКВ не установлен", u"Фаза A: отсутствует фаза"},
        {u"Фаза B: нет связи с ЖКВ", u"Фаза B: номер ЖКВ не установлен", u"Фаза B: отсутствует фаза"},
        {u"Фаза C: нет связи с ЖКВ", u"Фаза C: номер ЖКВ не установлен", u"Фаза C: отсутствует фаза"},
    };
    Lines out;
    if (v == 255) {
        out.add(kPowerOff);
        return out.take();
    }
    // Phase C's code did not fit beside the others: its low bit is bit 4, its high bit bit 7.
    const int codes[3] = {v & 3, (v >> 2) & 3, int(bit(v, 4)) + 2 * int(bit(v, 7))};
    for (int phase = 0; phase < 3; ++phase)
        if (codes[phase] != 0)
            out.add(kPhaseLines[phase][codes[phase] - 1]);
    out.addIf(bit(v, 6), kTimerNotSet);
    out.addIf(bit(v, 5), kTimerFault);
    return out.take();
}

QStringList vaklPdrRadio(int v)
{
    static constexpr const char16_t* kSuffixes[4] = {
        nullptr,
        u" : нет связи с ЖКВ (или ЖКВ не установлен).",
        u" : разбаланс каналов.",
        u" : отсутствует.",
    };
    Lines out;
    // All bits set is no combination of conditions: the meter was switched off.
    if (v == 255) {
        out.add(kMeterOff);
        return out.take();
    }
    out.addIf(bit(v, 7), kConsumptionViolation);
    for (int phase = 0; phase < 3; ++phase)
        if (const int code = (v >> (2 * phase)) & 3)
            out.addPhase(phase, kSuffixes[code]);
    out.addIf(bit(v, 6), u"Нет учёта времени.");
    return out.take();
}

QStringList vaklPdrDiary(int v)
{
    static constexpr const char16_t* kSuffixes[8] = {
        nullptr,
        u" : номер ЖКВ не установлен.",
        u" : нет связи с ЖКВ.",
        u" : связь с ЖКВ восстановлена.",
        u" : разбаланс ЖКВ > ББ.",
        u" : хищение ЖКВ > ББ.",
        u" : разбаланс ЖКВ < ББ.",
        u" : отсутствует.",
    };
    Lines out;
    if (v == 65535) {
        out.add(kMeterOff);
        return out.take();
    }
    out.addIf(bit(v, 11), kConsumptionViolation);
    for (int phase = 0; phase < 3; ++phase)
        if (const int code = (v >> (3 * phase)) & 7)
            out.addPhase(phase, kSuffixes[code]);
    out.addIf(bit(v, 10), kTimerNotSet);
    out.addIf(bit(v, 9), kTimerFault);
    return out.take();
}

} // namespace

QString statusModelName(int model)
{
    if (model < 0 || model >= kStatusModelCount)
        return {};
    return QString::fromUtf16(kModels[size_t(model)].name);
}

QStringList statusModelNames()
{
    QStringList names;
    for (int m = 0; m < kStatusModelCount; ++m)
        names << statusModelName(m);
    return names;
}

int statusLargestValue(int model)
{
    if (model < 0 || model >= kStatusModelCount)
        return 255;
    return kModels[size_t(model)].largestValue;
}

QStringList statusLines(int model, int value)
{
    switch (model) {
    case 0: return telv2(value);
    case 1: return vakl4(value);
    case 2: return telv12(value);
    case 3: return telv1(value);
    case 4: return vaklDr(value);
    case 5: return vaklPdrRadio(value);
    case 6: return vaklPdrDiary(value);
    default: return {};
    }
}

int statusValueOf(const QString& text)
{
    bool ok = false;
    const int v = text.trimmed().toInt(&ok);
    return ok ? v : 0;
}

} // namespace tk::reader
