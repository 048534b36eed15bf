#include "ManagerTestSupport.h"

#include "manager/TFormSelDir.h"

#include <QFileSystemModel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeView>
#include <gtest/gtest.h>

using tk::manager::TFormSelDir;
using tk::test::ConfigHome;

namespace {

TEST(FormSelDir, OkNeedsAFolderInTheField)
{
    ConfigHome home;
    TFormSelDir d;
    EXPECT_EQ(QStringLiteral("Выбор папки"), d.windowTitle());
    EXPECT_EQ(QStringLiteral("Ok"), d.BtnOk->text());
    EXPECT_EQ(QStringLiteral("Отмена"), d.BtnCancel->text());
    EXPECT_TRUE(d.EditDir->text().isEmpty());
    EXPECT_FALSE(d.BtnOk->isEnabled());
    d.EditDir->setText(QStringLiteral("/srv/export"));
    EXPECT_TRUE(d.BtnOk->isEnabled());
    d.EditDir->clear();
    EXPECT_FALSE(d.BtnOk->isEnabled());
}

TEST(FormSelDir, StartsWithTheLastFolderAndRemembersTheNewOne)
{
    ConfigHome home;
    home.put(QStringLiteral("Dir"), QStringLiteral("/srv/old"));
    TFormSelDir d;
    EXPECT_EQ(QStringLiteral("/srv/old"), d.EditDir->text());
    EXPECT_TRUE(d.BtnOk->isEnabled());

    // Picking a folder in the tree puts its path into the field.
    QTemporaryDir picked;
    auto* model = qobject_cast<QFileSystemModel*>(d.TreeDir->model());
    ASSERT_NE(nullptr, model);
    d.TreeDir->setCurrentIndex(model->index(picked.path()));
    EXPECT_EQ(QDir::toNativeSeparators(picked.path()), d.EditDir->text());

    d.BtnOk->click();
    EXPECT_EQ(QDialog::Accepted, d.result());
    EXPECT_EQ(QDir::toNativeSeparators(picked.path()), home.raw(QStringLiteral("Dir")).toString());
}

TEST(FormSelDir, CancelAndAMissingKeyLeaveTheSettingsAlone)
{
    {
        ConfigHome home;
        home.put(QStringLiteral("Dir"), QStringLiteral("/srv/old"));
        TFormSelDir d;
        d.EditDir->setText(QStringLiteral("/srv/new"));
        d.BtnCancel->click();
        EXPECT_EQ(QDialog::Rejected, d.result());
        EXPECT_EQ(QStringLiteral("/srv/old"), home.raw(QStringLiteral("Dir")).toString());
    }
    {
        ConfigHome home;
        TFormSelDir d;
        d.EditDir->setText(QStringLiteral("/srv/new"));
        d.BtnOk->click();
        EXPECT_EQ(QDialog::Accepted, d.result());
        EXPECT_EQ(QStringLiteral("/srv/new"), d.directory());
        EXPECT_FALSE(home.exists()); // opened without creating
    }
}

TEST(FormSelDir, TreeShowsFoldersOnly)
{
    ConfigHome home;
    TFormSelDir d;
    auto* model = qobject_cast<QFileSystemModel*>(d.TreeDir->model());
    ASSERT_NE(nullptr, model);
    EXPECT_FALSE(model->filter() & QDir::Files);
    EXPECT_EQ(TFormSelDir::rootFolder(), model->filePath(d.TreeDir->rootIndex()));
}

} // namespace
