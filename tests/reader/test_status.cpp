// Status decoding: the lines of every model's rules, by value.
#include "reader/StatusDecoding.h"

#include <gtest/gtest.h>

using tk::reader::statusLargestValue;
using tk::reader::statusLines;
using tk::reader::statusModelNames;
using tk::reader::statusValueOf;

namespace {

struct Case {
    int value;
    QStringList lines;
};

void expectLines(int model, const std::vector<Case>& cases)
{
    for (const Case& c : cases)
        EXPECT_EQ(c.lines, statusLines(model, c.value)) << "model " << model << ", value " << c.value;
}

const QString T1 = QStringLiteral("Дата и время таймера не установлены.");
const QString T2 = QStringLiteral("Неисправность таймера календаря.");
const QString T3 = QStringLiteral("Флаг изменения статуса.");

} // namespace

TEST(StatusModels, NamesInListOrderWithTheirLargestValues)
{
    EXPECT_EQ(QStringList({"ТЕЛВ-2П ДР", "ВАКЛ-4", "ТЕЛВ-1-2П ДР", "ТЕЛВ-1П ДР", "ВАКЛ-ДР", "ВАКЛ-ПДР (радио)",
                           "ВАКЛ-ПДР (дневник)"}),
              statusModelNames());
    for (int m = 0; m < 6; ++m)
        EXPECT_EQ(255, statusLargestValue(m)) << m;
    EXPECT_EQ(65535, statusLargestValue(6));
    EXPECT_EQ(255, statusLargestValue(-1)) << "nothing selected";
    EXPECT_EQ(QStringList(), statusLines(-1, 1));
    EXPECT_EQ(QStringList(), statusLines(7, 1));
}

TEST(StatusLines, Telv2PowerOffOnlyAtAllBitsThenFlagsThenCode)
{
    expectLines(0, {
        {255, {"Выключение питания"}},
        {0, {"Режим потребления в норме."}},
        {0x48, {T1, "Нет связи с ЖКВ."}},
        {0x80, {"ЖКВ не описан.", "Режим потребления в норме."}},
        {0x27, {T2, "Связь с ЖКВ восстановлена."}},
        {0x1D, {T3, "Разбаланс каналов (\"Внешний\" < \"Внутренний\"."}},
        {0x0E, {"Разбаланс каналов (\"Внешний\" > \"Внутренний\"."}},
        {0x0F, {"Разбаланс каналов (\"Внешний\" - \"Внутренний\" > 5 %)."}},
        {0xFE, {"ЖКВ не описан.", T1, T2, T3, "Разбаланс каналов (\"Внешний\" > \"Внутренний\"."}},
        {0xF5, {"ЖКВ не описан.", T1, T2, T3}}, // code 5 means nothing
        {0x03, {}},
    });
}

TEST(StatusLines, Vakl4OnlyTheHighThreeBits)
{
    expectLines(1, {
        {0, {}},
        {0x80, {"Разрешен переход на летнее время."}},
        {0x40, {T1}},
        {0x20, {T2}},
        {0x1F, {}},
        {255, {"Разрешен переход на летнее время.", T1, T2}},
    });
}

TEST(StatusLines, Telv12FlagsThenChannelCode)
{
    expectLines(2, {
        {0, {}},
        {1, {"Канал 0 вышел из класса (0<Ф=В)."}},
        {2, {"Канал Ф вышел из класса (Ф<0=В)."}},
        {3, {"Канал B вышел из класса (B>0=Ф)."}},
        {4, {"Канал B вышел из класса (B<0=Ф)."}},
        {5, {"Канал Ф вышел из класса (Ф>0=В)."}},
        {6, {"Канал 0 вышел из класса (0>Ф=В)."}},
        {7, {}},
        {8, {}},
        {9, {"Есть ток утечки на землю после счетчика."}},
        {10, {"Заземление нагрузки со сменой фазы."}},
        {11, {"Либо скрытое подключение до счетчика, либо ток утечки на землю до счетчика"}},
        {12, {"Обрыв, КЗ или шунтирование датчика \"Внешний\"."}},
        {13, {}},
        {14, {}},
        {15, {}},
        {0x80, {"Разряд батареи таймера календаря."}},
        {0xF3, {"Разряд батареи таймера календаря.", T1, T2, T3, "Канал B вышел из класса (B>0=Ф)."}},
        {255, {"Разряд батареи таймера календаря.", T1, T2, T3}},
    });
}

TEST(StatusLines, Telv1LowBitsMeanOtherThingsFrom128On)
{
    const QStringList below = {"Разбалансировка внешнего датчика.", "Фиксация обрыва (КЗ).",
                               "Обрыв (КЗ) внешнего датчика.", "Разбалансировка датчика фазы.",
                               "Разбалансировка датчика нуля."};
    const QStringList above = {"Обнаружение нарушения.", "Фиксация нарушения.", "Обрыв.",
                               "Ошибка внутреннего тестирования."};
    expectLines(3, {
        {0, {}},
        {1, {below[0]}},
        {0x02, {below[1]}},
        {0x14, {below[2], below[4]}},
        {0x08, {below[3]}},
        {0x60, {}},
        {127, below},
        {128, {}},
        {129, {above[0]}},
        {0x86, {above[1], above[2]}},
        {0x88, {above[3]}},
        {0x90, {}}, // bit 4 means nothing from 128 on
        {255, above},
    });
}

TEST(StatusLines, VaklDrPhaseCodesWithPhaseCSplitOverBits4And7)
{
    expectLines(4, {
        {255, {"Выключение питания"}},
        {0, {}},
        {0x96, {"Фаза A: номер ЖКВ не установлен", "Фаза B: нет связи с ЖКВ", "Фаза C: отсутствует фаза"}},
        {0x01, {"Фаза A: нет связи с ЖКВ"}},
        {0x03, {"Фаза A: отсутствует фаза"}},
        {0x08, {"Фаза B: номер ЖКВ не установлен"}},
        {0x0C, {"Фаза B: отсутствует фаза"}},
        {0x10, {"Фаза C: нет связи с ЖКВ"}},
        {0x80, {"Фаза C: номер ЖКВ не установлен"}},
        {0x60, {T1, T2}},
        {0xFE, {"Фаза A: номер ЖКВ не установлен", "Фаза B: отсутствует фаза", "Фаза C: отсутствует фаза", T1, T2}},
    });
}

TEST(StatusLines, VaklPdrRadioTwoBitsPerPhase)
{
    const QString noLink = QStringLiteral(" : нет связи с ЖКВ (или ЖКВ не установлен).");
    const QString violation = QStringLiteral("Фиксация нарушения режима потребления.");
    expectLines(5, {
        {255, {"Выключение счетчика"}},
        {0, {}},
        {0x46, {"Фаза A : разбаланс каналов.", "Фаза B" + noLink, "Нет учёта времени."}},
        {0x15, {"Фаза A" + noLink, "Фаза B" + noLink, "Фаза C" + noLink}},
        {0x30, {"Фаза C : отсутствует."}},
        {0x80, {violation}},
        {0xFE, {violation, "Фаза A : разбаланс каналов.", "Фаза B : отсутствует.", "Фаза C : отсутствует.",
                "Нет учёта времени."}},
    });
}

TEST(StatusLines, VaklPdrDiaryThreeBitsPerPhase)
{
    const QString violation = QStringLiteral("Фиксация нарушения режима потребления.");
    expectLines(6, {
        {65535, {"Выключение счетчика"}},
        {0, {}},
        {0x0C0A, {violation, "Фаза A : нет связи с ЖКВ.", "Фаза B : номер ЖКВ не установлен.", T1}},
        {1, {"Фаза A : номер ЖКВ не установлен."}},
        {2, {"Фаза A : нет связи с ЖКВ."}},
        {3, {"Фаза A : связь с ЖКВ восстановлена."}},
        {4, {"Фаза A : разбаланс ЖКВ > ББ."}},
        {5, {"Фаза A : хищение ЖКВ > ББ."}},
        {6, {"Фаза A : разбаланс ЖКВ < ББ."}},
        {7, {"Фаза A : отсутствует."}},
        {0x28, {"Фаза B : хищение ЖКВ > ББ."}},
        {0x100, {"Фаза C : разбаланс ЖКВ > ББ."}},
        {255, {"Фаза A : отсутствует.", "Фаза B : отсутствует.", "Фаза C : связь с ЖКВ восстановлена."}},
        {0x600, {T1, T2}},
        {0xF000, {}},
        {0xFFFE, {violation, "Фаза A : разбаланс ЖКВ < ББ.", "Фаза B : отсутствует.", "Фаза C : отсутствует.", T1, T2}},
    });
}

TEST(StatusValue, DecimalIntegerOrZero)
{
    const std::pair<const char*, int> cases[] = {
        {"72", 72}, {" 72 ", 72}, {"0", 0}, {"-3", -3}, {"", 0}, {"   ", 0},
        {"abc", 0}, {"12abc", 0}, {"1.5", 0}, {"99999999999", 0},
    };
    for (const auto& [text, value] : cases)
        EXPECT_EQ(value, statusValueOf(QString::fromUtf8(text))) << '"' << text << '"';
}
