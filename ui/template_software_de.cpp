#include "ui/template_software_de.h"

#include "resources/pictures.h"
#include "ui/help_book.h"
#include "widgets/browse_to.h"

#include <QFrame>
#include <QGuiApplication>
#include <QIcon>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolButton>
#include <QWheelEvent>

namespace vantrell {
namespace {

constexpr int kContentWidth = 481;
constexpr int kContentHeight = 890;
constexpr int kEntryTop = 100;
constexpr int kEntryPitch = 170;
constexpr int kTextLeft = 74;
constexpr int kTextWidth = kContentWidth - kTextLeft - 10;

// Where a screen is denser, the icon drawn at twice the size too; for a ratio between,
// that copy scaled down to the screen's pixels, or the icon would pick the plain picture
// and blow it up.
QIcon programIcon(const QString &file, QSize size)
{
    QIcon icon(QPixmap::fromImage(builtInPicture(file)));
    const qreal ratio = qApp->devicePixelRatio();
    if (ratio <= 1)
        return icon;
    const QImage twice = builtInPicture(file, 2);
    icon.addPixmap(QPixmap::fromImage(twice));
    if (ratio < 2) {
        QImage scaled = twice.scaled(size * ratio, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        scaled.setDevicePixelRatio(ratio);
        icon.addPixmap(QPixmap::fromImage(scaled));
    }
    return icon;
}

} // namespace

SoftwarePanel::SoftwarePanel(HelpLanguage language, int number, QWidget *parent) : QWidget(parent)
{
    const HelpBookTexts &texts = helpBookTexts(language);
    setObjectName(QStringLiteral("Frame%1").arg(number));
    setFixedSize(511, 311);

    scrollBox_ = new QScrollArea(this);
    scrollBox_->setObjectName(QStringLiteral("ScrollBox%1").arg(number));
    scrollBox_->setGeometry(rect());
    scrollBox_->setFrameShape(QFrame::NoFrame);
    scrollBox_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scrollBox_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    scrollBox_->setFocusPolicy(Qt::StrongFocus);
    scrollBox_->setAccessibleName(texts.tabs[HelpBook::SoftwarePage]);
    scrollBox_->verticalScrollBar()->setTracking(true);

    auto *content = new QWidget;
    content->setObjectName(QStringLiteral("softwareList"));
    content->setFixedSize(kContentWidth, kContentHeight);

    auto *heading = new QLabel(QStringLiteral("Software"), content);
    heading->setObjectName(QStringLiteral("softwareHeading"));
    QFont headingFont = heading->font();
    headingFont.setBold(true);
    headingFont.setPixelSize(18);
    heading->setFont(headingFont);
    heading->setGeometry(10, 10, kContentWidth - 20, 30);

    auto *intro = new QLabel(texts.softwareIntro, content);
    intro->setObjectName(QStringLiteral("softwareIntro"));
    intro->setWordWrap(true);
    intro->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    intro->setGeometry(10, 46, kContentWidth - 20, 40);

    QFont titleFont = font();
    titleFont.setBold(true);
    int top = kEntryTop;
    int index = 1;
    for (const ProgramEntry &program : texts.programs) {
        auto *button = new QToolButton(content);
        button->setObjectName(QStringLiteral("SpeedButton%1").arg(index));
        button->setGeometry(10, top, 56, 56);
        button->setAutoRaise(true);
        button->setIconSize(QSize(48, 48));
        button->setIcon(programIcon(program.icon, button->iconSize()));
        button->setCursor(Qt::PointingHandCursor);
        button->setToolTip(texts.softwareSite + QLatin1Char('/') + program.path);
        button->setAccessibleName(program.title);
        connect(button, &QToolButton::clicked, button, [button] { BrowseToHint(button->toolTip()); });

        auto *title = new QLabel(program.title, content);
        title->setObjectName(QStringLiteral("title%1").arg(index));
        title->setFont(titleFont);
        title->setGeometry(kTextLeft, top + 2, kTextWidth, 20);

        auto *description = new QLabel(program.description, content);
        description->setObjectName(QStringLiteral("description%1").arg(index));
        description->setWordWrap(true);
        description->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        description->setGeometry(kTextLeft, top + 26, kTextWidth, 80);

        if (index < texts.programs.size()) {
            auto *line = new QFrame(content);
            line->setFrameShape(QFrame::HLine);
            line->setFrameShadow(QFrame::Sunken);
            line->setGeometry(10, top + kEntryPitch - 50, kContentWidth - 20, 2);
        }
        top += kEntryPitch;
        ++index;
    }

    auto *moreText = new QLabel(texts.softwareMore, content);
    moreText->setObjectName(QStringLiteral("softwareMore"));
    moreText->setGeometry(10, kContentHeight - 66, kContentWidth - 20, 20);
    auto *more = makeLink(texts.softwareSite + QStringLiteral("/software"), {}, content);
    more->setObjectName(QStringLiteral("softwareLink"));
    more->adjustSize();
    more->move(10, kContentHeight - 40);

    scrollBox_->setWidget(content);
    // The tab page shows through, as on the other pages.
    content->setAutoFillBackground(false);
    scrollBox_->viewport()->setAutoFillBackground(false);
    watch(scrollBox_->viewport());
    watch(content);
    for (QWidget *child : content->findChildren<QWidget *>())
        watch(child);
}

void SoftwarePanel::watch(QWidget *widget)
{
    widget->setMouseTracking(true);
    widget->installEventFilter(this);
}

bool SoftwarePanel::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseMove) {
        // The wheel reaches the list only when it has the focus.
        scrollBox_->setFocus(Qt::MouseFocusReason);
    } else if (event->type() == QEvent::Wheel) {
        const int notches = static_cast<QWheelEvent *>(event)->angleDelta().y() / 120;
        QScrollBar *bar = scrollBox_->verticalScrollBar();
        bar->setValue(bar->value() - notches * kWheelStep); // the bar clamps to its range
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

TFrame1::TFrame1(QWidget *parent) : SoftwarePanel(HelpLanguage::German, 1, parent) {}

} // namespace vantrell
