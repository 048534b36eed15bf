#pragma once
// A window's control as tests find it: by the object name the window gives it.
#include <QObject>
#include <QString>
#include <gtest/gtest.h>

namespace tk::test {

template <class W> W* part(const QObject& window, const QString& name)
{
    W* w = window.findChild<W*>(name);
    EXPECT_NE(nullptr, w) << name.toStdString();
    return w;
}
template <class W> W* part(const QObject& window, const char* name)
{
    return part<W>(window, QString::fromLatin1(name));
}

} // namespace tk::test
