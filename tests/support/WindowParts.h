#pragma once
// The main window's controls as tests find them: by the object names the window gives them.
#include "FindPart.h"
#include "manager/PanelStatusBar.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QObject>
#include <QString>
#include <QTableView>
#include <QTimeEdit>
#include <QTimer>
#include <gtest/gtest.h>

#include <array>

namespace tk::test {

// By family index (ТЕЛВ-1 … ЖКВ).
inline QTableView* readerGridOf(const QObject& w, int family)
{
    return part<QTableView>(w, QStringLiteral("StringGrid%1").arg(family + 1));
}
inline QTableView* tableGridOf(const QObject& w, int family)
{
    return part<QTableView>(w, QStringLiteral("DBGrid%1").arg(family + 1));
}
inline manager::PanelStatusBar* familyStatusBarOf(const QObject& w, int family)
{
    static const char* const names[] = {"StatusBar2", "StatusBar3", "StatusBar8", "StatusBar7", "StatusBar10", "StatusBar11"};
    return part<manager::PanelStatusBar>(w, names[family]);
}

// The settings page by zone or display bit.
inline QComboBox* tariffBoxOf(const QObject& w, int zone)
{
    return part<QComboBox>(w, QStringLiteral("ComboTarif_%1").arg(zone));
}
inline QTimeEdit* zoneTimeOf(const QObject& w, int zone)
{
    return part<QTimeEdit>(w, QStringLiteral("TimeZone_%1").arg(zone));
}
inline QCheckBox* indiBoxOf(const QObject& w, int bit)
{
    return part<QCheckBox>(w, QStringLiteral("CheckIndi_%1").arg(bit));
}
inline std::array<QCheckBox*, 4> indiBoxes(const QObject& w)
{
    return {indiBoxOf(w, 0), indiBoxOf(w, 1), indiBoxOf(w, 2), indiBoxOf(w, 3)};
}

// Answers the next modal dialog of type D once it is up (the code under test is then blocked in
// its exec()).
template <class D, class F> void whenShown(QObject* owner, F answer)
{
    auto* timer = new QTimer(owner);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, answer] {
        if (auto* d = qobject_cast<D*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            answer(d);
        }
    });
    timer->start(10);
}

} // namespace tk::test
