#include "results/u_gew_kein.h"

#include "results/result_controls.h"

#include "ui/controls.h"
#include "ui/show_window.h"
#include "ui/tool_window.h"
#include "ui/window_drag.h"

#include <QEvent>

namespace vantrell {

Tgew_kein::Tgew_kein(const QLabel *spr, QWidget *mainWindow)
    : QWidget(nullptr, kCaptionOnlyToolWindow), spr_(spr), mainWindow_(mainWindow)
{
    setObjectName(QStringLiteral("gew_kein"));
    setWindowTitle(QStringLiteral("Herzlichen Glückwunsch"));
    setFixedSize(400, 155);
    if (mainWindow)
        setFont(mainWindow->font());
    image1_ = makeBackground(this, "Image1", QStringLiteral("gew_kein_de.jpg"));
    image3_ = makeBackground(this, "Image3", QStringLiteral("gew_kein_en.jpg"));
    label1_ = makePointsLabel(this, {208, 63});
    image2_ = makeClickArea(this, "Image2", {192, 125, 90, 20});
    connect(image2_, &PictureBox::clicked, this, &Tgew_kein::Image2Click);
    for (QWidget *handle : {static_cast<QWidget *>(image1_), static_cast<QWidget *>(image3_), static_cast<QWidget *>(label1_)})
        makeDragHandle(handle, this);
    Sprache();
}

void Tgew_kein::Sprache()
{
    const QString language = spr_ ? spr_->text() : QString();
    if (language == QLatin1String("de")) {
        setWindowTitle(QStringLiteral("Herzlichen Glückwunsch"));
        image1_->show();
        image3_->hide();
        label1_->move(label1_->x(), 55);
    }
    if (language == QLatin1String("en")) {
        setWindowTitle(QStringLiteral("Congratulations"));
        image1_->hide();
        image3_->show();
        label1_->move(label1_->x(), 65);
    }
}

bool Tgew_kein::event(QEvent *event)
{
    // An activation that arrives after the window was closed again changes nothing.
    if (event->type() == QEvent::WindowActivate && isVisible())
        FormActivate();
    else if (event->type() == QEvent::Show)
        centreOnScreen(this);
    return QWidget::event(event);
}

void Tgew_kein::FormActivate()
{
    if (mainWindow_)
        mainWindow_->setEnabled(false);
    label1_->setText(mainWindowPointsText(mainWindow_));
    label1_->adjustSize();
}

void Tgew_kein::Image2Click()
{
    hide();
    if (mainWindow_) {
        mainWindow_->setEnabled(true);
        showActive(mainWindow_);
    }
}

} // namespace vantrell
