#include "manager/ManagerSettings.h"
#include "ManagerTestSupport.h"

#include "common/Settings.h"

#include <gtest/gtest.h>

using tk::Settings;
using tk::manager::ManagerSettings;
using tk::test::ConfigHome;

namespace tk::manager {
void PrintTo(const ManagerSettings& s, std::ostream* os)
{
    *os << "{max " << s.maximized << " w " << s.width.value_or(-1) << " h " << s.height.value_or(-1) << " l "
        << s.left.value_or(-1) << " t " << s.top.value_or(-1) << " grids " << s.gridHeights[0] << ',' << s.gridHeights[1] << ','
        << s.gridHeights[2] << " port " << s.port << " '" << s.portName.toStdString() << "' tariffs";
    for (int z = 0; z < kZones; ++z)
        *os << ' ' << s.tariffs[size_t(z)].toStdString() << '@' << s.times[size_t(z)].toString().toStdString();
    *os << " one " << s.oneTarif << " day " << s.countDay << " hour " << s.countHour << " summer " << s.summer << " indi "
        << s.indi << " pass " << s.password << '}';
}
} // namespace tk::manager

namespace {

ManagerSettings everythingChanged()
{
    ManagerSettings s;
    s.maximized = false;
    s.width = 900;
    s.height = 600;
    s.left = 15;
    s.top = 25;
    s.gridHeights = {120, 95, 140};
    s.port = 12;
    s.portName = QStringLiteral("/dev/ttyUSB1");
    s.tariffs = {QStringLiteral("3"), QStringLiteral("1"), QStringLiteral("1"), QStringLiteral("3"), QStringLiteral("2"), QStringLiteral("1")};
    s.times = {QTime(1, 5), QTime(7, 15), QTime(9, 0), QTime(12, 45), QTime(18, 0), QTime(23, 59)};
    s.oneTarif = false;
    s.countDay = 31;
    s.countHour = 23;
    s.summer = false;
    s.indi = 0x0A;
    s.password = 65535;
    return s;
}

TEST(ManagerSettings, FirstStartCreatesTheKeyAndKeepsEveryDefault)
{
    ConfigHome home;
    Settings store(QStringLiteral("TK4718EH"));
    ManagerSettings s;
    ASSERT_TRUE(s.load(store));
    EXPECT_TRUE(home.exists());
    EXPECT_EQ(ManagerSettings(), s);
    EXPECT_EQ(QStringLiteral("1"), s.tariffs[0]);
    EXPECT_EQ(QTime(20, 30), s.times[5]);
    EXPECT_EQ(QRect(260, 298, 760, 428), restoredGeometry(s, QRect(0, 0, 1280, 1024)));
}

TEST(ManagerSettings, EveryValueSurvivesSaveAndLoad)
{
    ConfigHome home;
    Settings store(QStringLiteral("TK4718EH"));
    ASSERT_TRUE(store.open(true));
    store.close();

    const ManagerSettings written = everythingChanged();
    ASSERT_TRUE(written.save(store));
    ManagerSettings read;
    ASSERT_TRUE(read.load(store));
    EXPECT_EQ(written, read);

    // Booleans are stored as 0/1 and times in the long time format.
    EXPECT_EQ(QStringLiteral("0"), home.raw(QStringLiteral("OneTarif")).toString());
    EXPECT_EQ(QStringLiteral("07:15:00"), home.raw(QStringLiteral("Time_1")).toString());
    EXPECT_EQ(10, home.raw(QStringLiteral("Indi")).toInt());
}

TEST(ManagerSettings, NothingIsWrittenWhenTheKeyIsMissing)
{
    ConfigHome home;
    Settings store(QStringLiteral("TK4718EH"));
    EXPECT_FALSE(everythingChanged().save(store));
    EXPECT_FALSE(home.exists());
}

TEST(ManagerSettings, PortZeroIsNeverWritten)
{
    ConfigHome home;
    home.put(QStringLiteral("Port"), 7);
    Settings store(QStringLiteral("TK4718EH"));
    ManagerSettings s;
    s.port = 0;
    ASSERT_TRUE(s.save(store));
    EXPECT_EQ(7, home.raw(QStringLiteral("Port")).toInt());
    EXPECT_FALSE(home.has(QStringLiteral("PortName")));
}

TEST(ManagerSettings, MaximisedCloseKeepsTheNormalBounds)
{
    ConfigHome home;
    home.put(QStringLiteral("Maximized"), 0);
    Settings store(QStringLiteral("TK4718EH"));
    ASSERT_TRUE(everythingChanged().save(store));

    ManagerSettings maximised = everythingChanged();
    maximised.maximized = true;
    maximised.width = 1920;
    maximised.height = 1080;
    maximised.left = 0;
    maximised.top = 0;
    ASSERT_TRUE(maximised.save(store));

    ManagerSettings read;
    ASSERT_TRUE(read.load(store));
    EXPECT_TRUE(read.maximized);
    EXPECT_EQ(900, read.width);
    EXPECT_EQ(600, read.height);
    EXPECT_EQ(15, read.left);
    EXPECT_EQ(25, read.top);
}

TEST(ManagerSettings, DamagedValuesLeaveTheDefaults)
{
    ConfigHome home;
    home.put(QStringLiteral("Tarif_0"), QStringLiteral("7"));
    home.put(QStringLiteral("Time_1"), QStringLiteral("half past six"));
    home.put(QStringLiteral("CountDay"), 45);
    home.put(QStringLiteral("CountHour"), -1);
    home.put(QStringLiteral("Password"), 70000);
    home.put(QStringLiteral("Port"), 0);
    home.put(QStringLiteral("Grid2"), QStringLiteral("tall"));
    home.put(QStringLiteral("Indi"), 0x1F5); // only one byte is used
    Settings store(QStringLiteral("TK4718EH"));
    ManagerSettings s;
    ASSERT_TRUE(s.load(store));

    ManagerSettings expected;
    expected.indi = 0xF5;
    EXPECT_EQ(expected, s);
}

TEST(ManagerSettings, TimesWrittenInTheShortFormatAreReadToo)
{
    ConfigHome home;
    home.put(QStringLiteral("Time_3"), QStringLiteral("12:05"));
    Settings store(QStringLiteral("TK4718EH"));
    ManagerSettings s;
    ASSERT_TRUE(s.load(store));
    EXPECT_EQ(QTime(12, 5), s.times[3]);
}

TEST(ManagerSettings, RestoredGeometry)
{
    const QRect screen(0, 0, 1280, 1024);
    struct Case {
        const char* what;
        std::optional<int> w, h, l, t;
        QRect expected;
    };
    const Case cases[] = {
        {"nothing saved: default size, centred", {}, {}, {}, {}, QRect(260, 298, 760, 428)},
        {"all saved", 900, 600, 10, 20, QRect(10, 20, 900, 600)},
        {"size only: centred with that size", 1000, 800, {}, {}, QRect(140, 112, 1000, 800)},
        {"below the minimum", 100, 100, 5, 5, QRect(5, 5, 480, 360)},
    };
    for (const Case& c : cases) {
        ManagerSettings s;
        s.width = c.w;
        s.height = c.h;
        s.left = c.l;
        s.top = c.t;
        EXPECT_EQ(c.expected, restoredGeometry(s, screen)) << c.what;
    }
    // Centred on the available area, wherever it lies.
    EXPECT_EQ(QRect(360, 348, 760, 428), restoredGeometry(ManagerSettings(), QRect(100, 50, 1280, 1024)));
}

TEST(ManagerSettings, PasswordText)
{
    const std::pair<const char*, int> cases[] = {{"123", 123}, {"0", 0}, {"65535", 65535}, {"", 0}, {"abc", 0}, {"12a", 0}, {" 42 ", 42}};
    for (const auto& [text, value] : cases)
        EXPECT_EQ(value, tk::manager::passwordFromText(QString::fromLatin1(text))) << text;
}

} // namespace
