#include "common/TAboutBox.h"

#include "common/DesktopOpen.h"
#include "common/MemoryStatus.h"

#include <QApplication>
#include <QEvent>
#include <QFrame>
#include <QGroupBox>
#include <QImage>
#include <QMouseEvent>
#include <QPixmap>
#include <QPushButton>

static void initAboutResources()
{
    Q_INIT_RESOURCE(about); // the resource lives in a static library
}

namespace tk {
namespace {

// Our own contact data (addresses under the reserved example.org domain, telephone numbers out of
// any real numbering range), shown the way the office expects to find the maker's.
const QString kWebPage = QStringLiteral("https://tk4718eh.example.org");
const QString kEmail = QStringLiteral("support@tk4718eh.example.org");
const QString kPhones = QStringLiteral("+7 (000) 000-00-01\n+7 (000) 000-00-02");
const QString kNotice = QStringLiteral("© Группа разработки ТК4718ЕН, 2005–2024");

constexpr int kWidth = 350;
constexpr int kManagerHeight = 400;
constexpr int kProcessingHeight = 295;
constexpr int kAddOnGroupHeight = 113;

QLabel* label(QWidget* parent, const QString& text, const QRect& geometry, const char* name = nullptr)
{
    auto* l = new QLabel(text, parent);
    l->setGeometry(geometry);
    if (name)
        l->setObjectName(QLatin1String(name));
    return l;
}

QLabel* link(QWidget* parent, const QString& text, const QRect& geometry, const char* name)
{
    QLabel* l = label(parent, text, geometry, name);
    QPalette p = l->palette();
    p.setColor(QPalette::WindowText, Qt::blue);
    l->setPalette(p);
    l->setCursor(Qt::PointingHandCursor);
    return l;
}

} // namespace

TAboutBox::AddOnGroup TAboutBox::addOnGroupFrom(const addons::Vormadd& vormadd)
{
    AddOnGroup group;
    group.text = vormadd.aboutString();
    if (!group.text.isEmpty())
        group.badge = vormadd.aboutBadge();
    return group;
}

TAboutBox::TAboutBox(Program program, const std::optional<AddOnGroup>& addOn, QWidget* parent)
    : QDialog(parent), memory_(&physicalMemory)
{
    initAboutResources();
    const bool manager = program == Program::Manager;
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("О программе"));
    setModal(true);

    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setFrameShape(QFrame::StyledPanel);
    panel->setFrameShadow(QFrame::Raised);
    panel->setGeometry(8, 8, 334, 108);

    auto* iconFrame = new QFrame(panel);
    iconFrame->setFrameShape(QFrame::Panel);
    iconFrame->setFrameShadow(QFrame::Sunken);
    iconFrame->setGeometry(8, 8, 40, 40);
    ProgramIcon = label(iconFrame, QString(), QRect(4, 4, 32, 32), "ProgramIcon");
    ProgramIcon->setPixmap(QApplication::windowIcon().pixmap(32, 32));

    ProductName = label(panel, manager ? QStringLiteral("TK4718EH-менеджер") : QStringLiteral("Обработка данных"),
                        QRect(52, 6, 274, 28), "ProductName");
    QFont nameFont(QStringLiteral("Arial"));
    nameFont.setPixelSize(19);
    nameFont.setBold(true);
    ProductName->setFont(nameFont);
    ProductName->setAlignment(Qt::AlignCenter);

    QLabel* purpose = label(panel, QStringLiteral("Обслуживание мобильного ридера"), QRect(52, 36, 274, 18), "Purpose");
    QFont bold = purpose->font();
    bold.setBold(true);
    purpose->setFont(bold);
    purpose->setAlignment(Qt::AlignCenter);

    Version = label(panel, manager ? QStringLiteral("Версия 3.13") : QStringLiteral("Версия 1.8"), QRect(52, 56, 274, 18),
                    "Version");
    Version->setAlignment(Qt::AlignCenter);
    QLabel* notice = label(panel, kNotice, QRect(8, 82, 318, 18), "Copyright");
    notice->setAlignment(Qt::AlignCenter);

    auto* contacts = new QGroupBox(QStringLiteral("Наши координаты"), this);
    contacts->setObjectName(QStringLiteral("GroupBox1"));
    contacts->setGeometry(8, 122, 215, 124);
    label(contacts, QStringLiteral("Web-страница:"), QRect(8, 20, 200, 16));
    Label3 = link(contacts, kWebPage, QRect(8, 36, 200, 16), "Label3");
    label(contacts, QStringLiteral("E-mail:"), QRect(8, 56, 44, 16));
    Label6 = link(contacts, kEmail, QRect(8, 72, 200, 16), "Label6");
    label(contacts, QStringLiteral("Телефоны:"), QRect(8, 92, 64, 16));
    label(contacts, kPhones, QRect(76, 90, 134, 32), "LabelPhones")->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label3->installEventFilter(this);
    Label6->installEventFilter(this);

    Image1 = label(this, QString(), QRect(231, 130, 111, 108), "Image1");
    Image1->setPixmap(QPixmap(QStringLiteral(":/about/about.jpg")));
    Image1->setScaledContents(true); // stretched to the frame whatever the picture's size

    // Two small labels: the longest figure must fit beside the button in any usual font.
    LabelMemTotal = label(this, QString(), QRect(8, 250, 262, 15), "LabelMemTotal");
    LabelMemAvailable = label(this, QString(), QRect(8, 265, 262, 15), "LabelMemAvailable");
    QFont small = LabelMemTotal->font();
    small.setPixelSize(11);
    LabelMemTotal->setFont(small);
    LabelMemAvailable->setFont(small);

    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setGeometry(274, 250, 68, 28);
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);

    int height = manager ? kManagerHeight : kProcessingHeight;
    if (manager) {
        GroupAddOn = new QGroupBox(this);
        GroupAddOn->setObjectName(QStringLiteral("GroupAddOn"));
        GroupAddOn->setGeometry(6, kManagerHeight - kAddOnGroupHeight - 5, 337, kAddOnGroupHeight);
        ImageAddOn = label(GroupAddOn, QString(), QRect(6, 8, 100, 100), "ImageAddOn");
        ImageAddOn->setAlignment(Qt::AlignCenter);
        LabelAddOn = label(GroupAddOn, QString(), QRect(112, 8, 219, 100), "LabelAddOn");
        LabelAddOn->setWordWrap(true);
        LabelAddOn->setAlignment(Qt::AlignCenter);
        QFont addOnFont = LabelAddOn->font();
        addOnFont.setPixelSize(16);
        LabelAddOn->setFont(addOnFont);
        QPalette p = LabelAddOn->palette();
        p.setColor(QPalette::WindowText, QColor(0, 0, 128)); // navy
        LabelAddOn->setPalette(p);

        const QString text = addOn ? addOn->text : QString();
        LabelAddOn->setText(text);
        if (text.isEmpty()) {
            GroupAddOn->hide();
            height -= kAddOnGroupHeight;
        } else if (!addOn->badge.isNull()) {
            const addons::Badge& b = addOn->badge;
            QImage image(reinterpret_cast<const uchar*>(b.pixels.data()), b.width, b.height, b.width * 4,
                         QImage::Format_ARGB32);
            QPixmap picture = QPixmap::fromImage(image.copy()); // the image borrows the badge's pixels
            if (picture.width() > 100 || picture.height() > 100)
                picture = picture.scaled(100, 100, Qt::KeepAspectRatio, Qt::SmoothTransformation);
            ImageAddOn->setPixmap(picture);
        }
    }
    setFixedSize(kWidth, height);
}

void TAboutBox::setMemorySource(std::function<std::optional<MemoryStatus>()> source)
{
    memory_ = std::move(source);
}

void TAboutBox::FormActivate()
{
    const std::optional<MemoryStatus> status = memory_ ? memory_() : std::nullopt;
    LabelMemTotal->setText(status ? totalMemoryLine(status->totalBytes) : QString());
    LabelMemAvailable->setText(status ? availableMemoryLine(status->availableBytes) : QString());
}

void TAboutBox::Label3Click()
{
    openWithDesktop(Label3->text());
}

void TAboutBox::Label6Click()
{
    openWithDesktop(QStringLiteral("mailto:") + Label6->text());
}

void TAboutBox::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (parentWidget()) // centred on the main window
        move(parentWidget()->window()->frameGeometry().center() - rect().center());
    FormActivate();
}

void TAboutBox::changeEvent(QEvent* event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        FormActivate();
}

bool TAboutBox::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonRelease && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        if (watched == Label3)
            Label3Click();
        else if (watched == Label6)
            Label6Click();
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace tk
