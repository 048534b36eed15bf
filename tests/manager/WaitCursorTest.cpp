#include "manager/TFormVorm.h"

#include <QLineEdit>
#include <QVBoxLayout>
#include <QWidget>
#include <gtest/gtest.h>

TEST(WaitCursor, CoversEveryControlInsideAndGivesBackTheirOwnCursors)
{
    QWidget panel;
    auto* inner = new QWidget(&panel);
    auto* edit = new QLineEdit(inner);
    auto* pointing = new QWidget(inner);
    pointing->setCursor(Qt::PointingHandCursor);

    tk::manager::TFormVorm::SetWaitCursor(true, &panel);
    for (QWidget* w : {&panel, inner, static_cast<QWidget*>(edit), pointing})
        EXPECT_EQ(Qt::WaitCursor, w->cursor().shape());
    tk::manager::TFormVorm::SetWaitCursor(true, &panel); // nested: the first saved cursor stays

    tk::manager::TFormVorm::SetWaitCursor(false, &panel);
    EXPECT_EQ(Qt::IBeamCursor, edit->cursor().shape());
    EXPECT_EQ(Qt::PointingHandCursor, pointing->cursor().shape());
    EXPECT_EQ(Qt::ArrowCursor, panel.cursor().shape());
    EXPECT_FALSE(inner->testAttribute(Qt::WA_SetCursor)); // inherits its parent's again
}
