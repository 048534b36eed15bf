// How grid cells read as stored values: only the exact forms pass, everything else is refused.
#include "ReadingTestSupport.h"

#include "store/reading/CellText.h"
#include "common/Regional.h"

#include <gtest/gtest.h>
#include <optional>

using namespace tk::store;

namespace {

[[maybe_unused]] ::testing::Environment* const locale = ::testing::AddGlobalTestEnvironment(new tk::test::RussianLocale);

TEST(CellText, IntegersAreAnOptionalSignAndDigitsOnly)
{
    const std::pair<const char*, std::optional<qint64>> cases[] = {
        {"0", 0}, {"007", 7}, {"+12", 12}, {"-128", -128}, {"9999999999", 9999999999LL},
        {"9223372036854775807", INT64_MAX}, {"-9223372036854775808", INT64_MIN},
        {"9223372036854775808", std::nullopt}, {"-9223372036854775809", std::nullopt},
        {"", std::nullopt}, {"-", std::nullopt}, {"+", std::nullopt}, {" 1", std::nullopt}, {"1 ", std::nullopt},
        {"1.0", std::nullopt}, {"1,0", std::nullopt}, {"12a", std::nullopt}, {"0x1F", std::nullopt},
        {"--1", std::nullopt}, {"1e3", std::nullopt}, {"١٢", std::nullopt},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(expected, integerOf(QString::fromUtf8(text))) << text;
}

TEST(CellText, DecimalsTakeTheSystemSeparatorOnly)
{
    const std::pair<const char*, std::optional<double>> cases[] = {
        {"530000,125", 530000.125}, {"-0,250", -0.25}, {"12", 12.0}, {",5", 0.5}, {"7,", 7.0},
        {"1.5", std::nullopt}, {"1,2,3", std::nullopt}, {"", std::nullopt}, {",", std::nullopt},
        {"1 000,5", std::nullopt}, {"1e3", std::nullopt}, {"nan", std::nullopt},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(expected, decimalOf(QString::fromUtf8(text))) << text;
}

TEST(CellText, WorkTimeIsHoursColonTwoDigitsOfMinutes)
{
    const std::pair<const char*, std::optional<qint64>> cases[] = {
        {"1234:05", 74045}, {"0:07", 7}, {"0:00", 0}, {"139810:07", 8388607},
        {"12345", std::nullopt}, {":05", std::nullopt}, {"1:5", std::nullopt}, {"1:5a", std::nullopt},
        {"a:05", std::nullopt}, {"1:-5", std::nullopt}, {"", std::nullopt}, {"1,5:00", std::nullopt},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(expected, workMinutesOf(QString::fromUtf8(text))) << text;
}

TEST(CellText, DatesAndTimesFollowTheSystemFormats)
{
    EXPECT_EQ(QDate(2024, 2, 29), dateOf("29.02.2024"));
    EXPECT_EQ(std::nullopt, dateOf("29.02.2023"));
    EXPECT_EQ(std::nullopt, dateOf(""));
    EXPECT_EQ(std::nullopt, dateOf("2024-02-29"));
    EXPECT_EQ(QTime(9, 5), timeOf("09:05"));
    EXPECT_EQ(std::nullopt, timeOf("25:00"));
    EXPECT_EQ(std::nullopt, timeOf(""));
}

TEST(CellText, WhatTheReaderSideWritesReadsBackInAnyLocale)
{
    // The grid's dates go through the regional formats; its times are always hours and minutes.
    for (const QLocale& l : {QLocale::c(), QLocale(QLocale::English, QLocale::UnitedStates), QLocale(QLocale::German),
                             QLocale(QLocale::Russian, QLocale::Russia)}) {
        QLocale::setDefault(l);
        EXPECT_EQ(QDate(2024, 2, 29), dateOf(tk::regional::shortDate(QDate(2024, 2, 29)))) << l.name().toStdString();
        EXPECT_EQ(QTime(14, 5), timeOf("14:05")) << l.name().toStdString();
        EXPECT_EQ(QTime(9, 5), timeOf("09:05")) << l.name().toStdString();
        EXPECT_EQ(std::nullopt, timeOf("24:00")) << l.name().toStdString();
    }
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
}

} // namespace
