#include "manager/StreetListModel.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <gtest/gtest.h>

using tk::manager::StreetListModel;
using tk::reader::StreetList;

TEST(StreetListModel, FollowsTheListAsItIsReadAndEmptied)
{
    StreetList streets;
    streets.append(3, QStringLiteral("САДОВАЯ"));
    StreetListModel model(streets);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Warning);

    EXPECT_EQ(QStringLiteral("№"), model.headerData(0, Qt::Horizontal, Qt::DisplayRole).toString());
    EXPECT_EQ(QStringLiteral("Название"), model.headerData(1, Qt::Horizontal, Qt::DisplayRole).toString());
    ASSERT_EQ(1, model.rowCount());

    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    streets.append(17, QStringLiteral("ЛЕСНАЯ"));
    ASSERT_EQ(1, inserted.count());
    EXPECT_EQ(1, inserted.at(0).at(1).toInt());
    ASSERT_EQ(2, model.rowCount());
    EXPECT_EQ(QStringLiteral("17"), model.index(1, 0).data().toString());
    EXPECT_EQ(QStringLiteral("ЛЕСНАЯ"), model.index(1, 1).data().toString());

    streets.clear();
    EXPECT_EQ(0, model.rowCount());
}
