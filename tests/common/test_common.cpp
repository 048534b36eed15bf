#include "common/Cp1251.h"
#include "common/Regional.h"
#include "common/Settings.h"
#include "common/TextGrid.h"

#include <QLocale>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tk;

TEST(Cp1251, RoundTripsCyrillicAndReportsWhatItCannotCarry)
{
    const QString text = QString::fromUtf8("САДОВАЯ ул. Ёлки №5 ё");
    bool lost = true;
    const QByteArray bytes = toCp1251(text, &lost);
    EXPECT_FALSE(lost);
    EXPECT_EQ(char(0xD1), bytes[0]);
    EXPECT_EQ(char(0xB9), bytes[bytes.indexOf(char(0xB9))]) << "№";
    EXPECT_EQ(text, fromCp1251(bytes));
    toCp1251(QString::fromUtf8("日本"), &lost);
    EXPECT_TRUE(lost);
    EXPECT_EQ(QString(QChar(0xFFFD)), fromCp1251(QByteArray(1, char(0x98)))) << "the unused byte";
}

TEST(TextGrid, LastRowIsAlwaysEmpty)
{
    TextGrid g({"a", "b"});
    EXPECT_EQ(2, g.rowCount());
    EXPECT_EQ(0, g.recordCount());
    EXPECT_EQ(1, g.appendRecord({"x"}));
    EXPECT_EQ(2, g.appendRecord({"y", "z"}));
    EXPECT_EQ(4, g.rowCount());
    EXPECT_EQ("a", g.cell(0, 0).toStdString());
    EXPECT_EQ("", g.cell(1, 1).toStdString());
    EXPECT_EQ("z", g.cell(2, 1).toStdString());
    EXPECT_EQ("", g.cell(3, 0).toStdString()) << "the last row";
    g.removeRecord(1);
    EXPECT_EQ("y", g.cell(1, 0).toStdString());
    g.clear();
    EXPECT_EQ(2, g.rowCount());
}

TEST(Regional, FormatsFollowThePinnedLocaleBothWays)
{
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    EXPECT_EQ("31.12.2004", regional::shortDate(QDate(2004, 12, 31)).toStdString());
    EXPECT_EQ("06:30:00", regional::longTime(QTime(6, 30)).toStdString());
    EXPECT_EQ(QTime(6, 30), regional::parseTime("06:30:00").value());
    EXPECT_EQ(QTime(17, 30), regional::parseTime("17:30").value());
    EXPECT_FALSE(regional::parseTime("25:00").has_value());
    EXPECT_EQ(QDate(2004, 12, 31), regional::parseShortDate("31.12.2004").value());
    EXPECT_EQ(',', regional::decimalSeparator().toLatin1());
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    EXPECT_EQ('.', regional::decimalSeparator().toLatin1());
    EXPECT_EQ(QTime(14, 5), regional::parseTime("14:05").value()) << "the reader's hh:mm in an AM/PM locale";
    EXPECT_EQ(QDate(2004, 12, 31), regional::parseShortDate(regional::shortDate(QDate(2004, 12, 31))).value());
    QLocale::setDefault(QLocale::c());
}

TEST(Settings, ValuesKeepTheirTypesAndMissingKeysAreNotCreatedOnWrite)
{
    QTemporaryDir dir;
    qputenv("XDG_CONFIG_HOME", dir.path().toUtf8());
    {
        Settings s("TK4718EH");
        EXPECT_FALSE(s.open(false)) << "no key yet";
        ASSERT_TRUE(s.open(true));
        s.writeBool("OneTarif", true);
        s.writeInt("CountDay", 31);
        s.writeString("Time_1", "06:30:00");
    }
    Settings s("TK4718EH");
    ASSERT_TRUE(s.open(false));
    EXPECT_EQ(true, s.readBool("OneTarif").value());
    EXPECT_EQ(1, s.readInt("OneTarif").value()) << "booleans are kept as 0 and 1";
    EXPECT_EQ(31, s.readInt("CountDay").value());
    EXPECT_EQ("06:30:00", s.readString("Time_1").value().toStdString());
    EXPECT_FALSE(s.readInt("Port").has_value());
    EXPECT_FALSE(s.readInt("Time_1").has_value()) << "text is not an integer";
    EXPECT_TRUE(s.location().startsWith(dir.path()));
}
