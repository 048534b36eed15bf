#include "routes/TFormAlternative.h"

#include <QPushButton>
#include <QVBoxLayout>

namespace tk::routes {

TFormAlternative::TFormAlternative(QWidget* owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("FormAlternative"));
    setWindowTitle(QStringLiteral("Задание"));
    setModal(true);
    auto* v = new QVBoxLayout(this);
    const struct {
        const char* name;
        const char16_t* caption;
        RouteState::TaskSource source;
    } buttons[] = {
        {"BtnTable", u"Загрузить маршруты из базы данных", RouteState::TaskSource::Table},
        {"BtnFiles", u"Загрузить маршруты из файлов", RouteState::TaskSource::Files},
    };
    for (const auto& b : buttons) {
        auto* button = new QPushButton(QString::fromUtf16(b.caption), this);
        button->setObjectName(QString::fromLatin1(b.name));
        v->addWidget(button);
        const RouteState::TaskSource source = b.source;
        connect(button, &QPushButton::clicked, this, [this, source] {
            chosen_ = source;
            accept();
        });
    }
    setFixedSize(sizeHint().expandedTo(QSize(300, 0)));
}

std::optional<RouteState::TaskSource> TFormAlternative::choose()
{
    if (exec() != QDialog::Accepted)
        return std::nullopt;
    return chosen_;
}

} // namespace tk::routes
