// The about box: its two shapes, the add-on group, the memory figures and the clickable links.
#include "ExportTestSupport.h"

#include "common/AddOns.h"
#include "common/MemoryStatus.h"
#include "common/TAboutBox.h"

#include <QApplication>
#include <QGroupBox>
#include <QLocale>
#include <QPixmap>
#include <QTest>

using namespace tk;

namespace {


QString binDir()
{
    const QString dir = qEnvironmentVariable("TK_BIN_DIR");
    return dir.isEmpty() ? QStringLiteral(TK_BIN_DIR_DEFAULT) : dir;
}

} // namespace

TEST(AboutBox, MemoryLinesGroupWholeKilobytesAndSayZeroBelowHalfAKilobyte)
{
    const QString nbsp(QChar(0x00A0)); // the Russian locale's digit grouping
    EXPECT_EQ("Всего физической памяти: 1" + nbsp + "048" + nbsp + "576 KB", totalMemoryLine(1073741824ULL));
    EXPECT_EQ("Доступно физической памяти: 0 KB", availableMemoryLine(511));
    EXPECT_EQ("Доступно физической памяти: 1 KB", availableMemoryLine(512)) << "halves round up";
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    EXPECT_EQ("Всего физической памяти: 1,048,576 KB", totalMemoryLine(1073741824ULL));
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
}

TEST(AboutBox, TheAddOnGroupShowsItsTextAndPictureOrLeavesNoSpace)
{
    const auto vormadd = addons::Vormadd::load(binDir());
    TAboutBox withAddOn(TAboutBox::Program::Manager, TAboutBox::addOnGroupFrom(*vormadd));
    EXPECT_EQ(QSize(350, 400), withAddOn.size());
    EXPECT_FALSE(withAddOn.GroupAddOn->isHidden());
    EXPECT_EQ(vormadd->aboutString(), withAddOn.LabelAddOn->text());
    EXPECT_EQ(QSize(64, 64), withAddOn.ImageAddOn->pixmap().size());
    EXPECT_EQ("TK4718EH-менеджер", withAddOn.ProductName->text());
    EXPECT_EQ("Версия 3.13", withAddOn.Version->text());
    EXPECT_FALSE(withAddOn.Image1->pixmap().isNull()) << "the picture resource";

    TAboutBox emptyText(TAboutBox::Program::Manager, TAboutBox::AddOnGroup{});
    EXPECT_EQ(QSize(350, 400 - 113), emptyText.size());
    EXPECT_TRUE(emptyText.GroupAddOn->isHidden());
    for (QWidget* w : emptyText.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (w->isVisibleTo(&emptyText)) {
            EXPECT_LE(w->geometry().bottom(), 400 - 113) << w->objectName().toStdString() << " is cut off";
        }
    }

    TAboutBox processing(TAboutBox::Program::Processing);
    EXPECT_EQ(QSize(350, 295), processing.size());
    EXPECT_EQ(nullptr, processing.findChild<QGroupBox*>("GroupAddOn"));
    EXPECT_EQ("Обработка данных", processing.ProductName->text());
    EXPECT_EQ("Версия 1.8", processing.Version->text());
}

TEST(AboutBox, ShowingItPutsTheMemoryFigures)
{
    TAboutBox box(TAboutBox::Program::Processing);
    box.setMemorySource([] { return MemoryStatus{1073741824ULL, 100}; });
    box.show();
    EXPECT_EQ(totalMemoryLine(1073741824ULL), box.LabelMemTotal->text());
    EXPECT_EQ("Доступно физической памяти: 0 KB", box.LabelMemAvailable->text());
    box.hide();

    TAboutBox real(TAboutBox::Program::Processing);
    real.show();
    EXPECT_TRUE(real.LabelMemTotal->text().startsWith("Всего физической памяти: ")) << "this machine's figures";
    EXPECT_NE("Всего физической памяти: 0 KB", real.LabelMemTotal->text());
}

TEST(AboutBox, TheWebAndMailLabelsOpenWithTheDesktop)
{
    test::ExportPlace opener; // records what would be opened
    TAboutBox box(TAboutBox::Program::Processing);
    box.show();
    QTest::mouseClick(box.Label3, Qt::LeftButton);
    ASSERT_EQ(1, opener.opened(1).size()); // the command runs detached; one at a time keeps the order
    QTest::mouseClick(box.Label6, Qt::LeftButton);
    EXPECT_EQ(QStringList({box.Label3->text(), "mailto:" + box.Label6->text()}), opener.opened(2));
    EXPECT_EQ(Qt::PointingHandCursor, box.Label3->cursor().shape());
}
