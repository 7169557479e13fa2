#include "app/u_start.h"

#include "resources/pictures.h"
#include "widgets/controls.h"
#include "widgets/show_window.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QTimer>

namespace vantrell {

Tstart::Tstart(const QString &language)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("start"));
    setFixedSize(300, 200);
    auto makePicture = [this](const char *name, const QString &file) {
        auto *image = new PictureBox(this);
        image->setObjectName(QLatin1String(name));
        image->setPictureFile(file);
        image->setGeometry(0, 0, 300, 200);
        image->setCursor(Qt::PointingHandCursor);
        image->setAccessibleName(QStringLiteral("Vantrell Sudoku"));
        image->hide();
        connect(image, &PictureBox::clicked, this, &Tstart::Image1Click);
        return image;
    };
    image1_ = makePicture("Image1", QStringLiteral("splash_de.jpg"));
    image2_ = makePicture("Image2", QStringLiteral("splash_en.jpg"));
    spr_ = new QLabel(language, this);
    spr_->setObjectName(QStringLiteral("spr"));
    spr_->hide();
    timer1_ = new QTimer(this);
    timer1_->setObjectName(QStringLiteral("Timer1"));
    timer1_->setInterval(27);
    timer1_->setTimerType(Qt::PreciseTimer); // 50 ticks are 1.35 s, not up to 5 % more
    connect(timer1_, &QTimer::timeout, this, &Tstart::Timer1Timer);
    FormCreate();
    centreOnScreen(this);
    timer1_->start();
}

void Tstart::FormCreate()
{
    setOpacity(255);
    if (spr_->text() == QLatin1String("de"))
        image1_->show();
    else
        image2_->show();
}

void Tstart::setOpacity(std::uint8_t value)
{
    opacity_ = value;
    setWindowOpacity(value / 255.0);
    // Each step of the fade is to be seen on its own tick.
    flushWindowSystem();
}

bool Tstart::event(QEvent *event)
{
    if (event->type() == QEvent::WindowActivate)
        FormActivate();
    return QWidget::event(event);
}

void Tstart::FormActivate() { startzaehler_ = 0; }

void Tstart::Timer1Timer()
{
    ++startzaehler_;
    if (startzaehler_ == 50 && mainWindow_)
        showActive(mainWindow_);
    if (startzaehler_ > 50)
        setOpacity(static_cast<std::uint8_t>(opacity_ >= 5 ? opacity_ - 5 : 0));
    if (opacity_ == 0) {
        timer1_->stop();
        // Fully faded: out of the way, so that it cannot catch clicks meant for the
        // main window on systems that deliver input to invisible windows.
        hide();
    }
}

void Tstart::Image1Click()
{
    if (mainWindow_)
        showActive(mainWindow_);
    hide();
}

void Tstart::closeEvent(QCloseEvent *event)
{
    // The application's main window: closing it ends the program. The other windows are
    // not asked to close first (as quit() would): one that may not close at this moment,
    // such as the print dialog while it composes a page, must not keep the program alive.
    timer1_->stop();
    closed_ = true;
    event->accept();
    QCoreApplication::exit(0);
}

} // namespace vantrell
