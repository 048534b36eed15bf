#include "manager/HeaderView.h"

#include "common/Families.h"
#include "common/Regional.h"
#include "manager/Controls.h"
#include "manager/HeaderColor.h"
#include "reader/Engine.h"

#include <QApplication>
#include <QDateTime>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>

namespace tk::manager {

namespace {
const QColor kNavy(0, 0, 128);
} // namespace

HeaderView::HeaderView(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("PanelHeader"));
    setFixedHeight(89);
    setAutoFillBackground(true);
    auto* h = new QHBoxLayout(this);
    h->setContentsMargins(2, 0, 2, 0);
    h->setSpacing(3);

    // A labelled read-only field; the label goes to the left, or to the right on the PC clock box.
    auto labelled = [](QGridLayout* g, int row, int col, const QString& caption, QLineEdit* e, bool labelRight) {
        auto* l = new QLabel(caption);
        l->setBuddy(e);
        l->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
        if (labelRight) {
            QPalette p = l->palette();
            p.setColor(QPalette::WindowText, kNavy);
            l->setPalette(p);
            g->addWidget(e, row, col);
            g->addWidget(l, row, col + 1);
        } else {
            g->addWidget(l, row, col);
            g->addWidget(e, row, col + 1);
        }
    };
    auto box = [h](const QString& title, const char* name) {
        auto* b = new QGroupBox(title);
        b->setObjectName(QString::fromLatin1(name));
        auto* g = new QGridLayout(b);
        g->setContentsMargins(3, 2, 3, 2);
        g->setVerticalSpacing(2);
        g->setHorizontalSpacing(3);
        h->addWidget(b);
        return g;
    };

    const QString version = QStringLiteral("Версия:");
    const QString build = QStringLiteral("Сборка:");
    QGridLayout* g = box(QStringLiteral(" Версия "), "GroupVersion");
    EditVersion = readOnlyField("EditVersion", withoutColon(version), 36, this);
    EditBuild = readOnlyField("EditBuild", withoutColon(build), 36, this);
    labelled(g, 0, 0, version, EditVersion, false);
    labelled(g, 1, 0, build, EditBuild, false);

    g = box(QStringLiteral(" Записи "), "GroupCounts");
    static const char* const countNames[] = {"EditTelv_1", "EditTelv_2", "EditVakl_4", "EditVaklDr", "EditVaklPdr", "Edit_ZKV"};
    for (const FamilyInfo& info : kFamilies) {
        const int f = int(info.family);
        const QString name = familyName(info.family);
        counts_[size_t(f)] = readOnlyField(countNames[f], name, 36, this);
        labelled(g, f % 2, (f / 2) * 2, name + QLatin1Char(':'), counts_[size_t(f)], false);
    }

    // Wide enough for the widest date and time the system's formats write (a month name, a
    // four-digit year, seconds, AM/PM).
    const QFontMetrics fm = fontMetrics();
    int clockWidth = fm.horizontalAdvance(QStringLiteral("00.00.0000"));
    for (int month = 1; month <= 12; ++month)
        clockWidth = std::max(clockWidth, fm.horizontalAdvance(regional::shortDate(QDate(2026, month, 28))));
    clockWidth = std::max(clockWidth, fm.horizontalAdvance(regional::longTime(QTime(23, 59, 59))));
    clockWidth = std::max(clockWidth, fm.horizontalAdvance(regional::longTime(QTime(11, 59, 59))));
    clockWidth += 12;
    const QString date = QStringLiteral("Дата:");
    const QString time = QStringLiteral("Время:");
    const QString readerClock = QStringLiteral(" Дата / время ридера ");
    g = box(readerClock, "GroupReaderClock");
    EditDate = readOnlyField("EditDate", readerClock.trimmed() + QStringLiteral(": ") + withoutColon(date), clockWidth, this);
    EditTime = readOnlyField("EditTime", readerClock.trimmed() + QStringLiteral(": ") + withoutColon(time), clockWidth, this);
    labelled(g, 0, 0, date, EditDate, false);
    labelled(g, 1, 0, time, EditTime, false);

    const QString compDate = QStringLiteral(":Дата");
    const QString compTime = QStringLiteral(":Время");
    const QString pcClock = QStringLiteral(" Дата / время комп-а ");
    g = box(pcClock, "GroupPcClock");
    EditCompDate = readOnlyField("EditCompDate", pcClock.trimmed() + QStringLiteral(": ") + withoutColon(compDate), clockWidth, this);
    EditCompTime = readOnlyField("EditCompTime", pcClock.trimmed() + QStringLiteral(": ") + withoutColon(compTime), clockWidth, this);
    labelled(g, 0, 0, compDate, EditCompDate, true);
    labelled(g, 1, 0, compTime, EditCompTime, true);
    h->addStretch(1);
}

void HeaderView::colour()
{
    QPalette p = palette();
    p.setColor(QPalette::Window, headerPanelColor(QApplication::palette().color(QPalette::Button)));
    setPalette(p);
}

void HeaderView::showHeader(const reader::HeaderPanel& hp)
{
    setIfChanged(EditVersion, hp.version);
    setIfChanged(EditBuild, hp.build);
    for (size_t i = 0; i < counts_.size(); ++i)
        setIfChanged(counts_[i], hp.counts[i]);
    counts_[size_t(Family::VaklPdr)]->setEnabled(hp.pdrZkvEnabled);
    counts_[size_t(Family::Zkv)]->setEnabled(hp.pdrZkvEnabled);
    setIfChanged(EditDate, hp.readerDate);
    setIfChanged(EditTime, hp.readerTime);
}

void HeaderView::showPcClock(const QDateTime& now)
{
    setIfChanged(EditCompDate, regional::shortDate(now.date()));
    setIfChanged(EditCompTime, regional::longTime(now.time()));
}

} // namespace tk::manager
