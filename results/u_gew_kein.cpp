#include "results/u_gew_kein.h"

#include "results/result_controls.h"

#include "widgets/controls.h"
#include "widgets/window_drag.h"


namespace vantrell {

Tgew_kein::Tgew_kein(const QLabel *spr, QWidget *mainWindow, const ResultHost *host)
    : ResultWindow(spr, mainWindow, host, "gew_kein", QStringLiteral("Herzlichen Glückwunsch"), {400, 155}, {208, 63})
{
    image1_ = makeBackground(this, "Image1", QStringLiteral("gew_kein_de.jpg"));
    image3_ = makeBackground(this, "Image3", QStringLiteral("gew_kein_en.jpg"));
    label1_->raise();
    image2_ = makeClickArea(this, "Image2", {192, 125, 90, 20});
    connect(image2_, &PictureBox::clicked, this, &Tgew_kein::Image2Click);
    for (QWidget *handle : {static_cast<QWidget *>(image1_), static_cast<QWidget *>(image3_), static_cast<QWidget *>(label1_)})
        makeDragHandle(handle, this);
    Sprache();
}

void Tgew_kein::Sprache()
{
    if (language() == QLatin1String("de")) {
        setWindowTitle(QStringLiteral("Herzlichen Glückwunsch"));
        image1_->show();
        image3_->hide();
        label1_->move(label1_->x(), 55);
    }
    if (language() == QLatin1String("en")) {
        setWindowTitle(QStringLiteral("Congratulations"));
        image1_->hide();
        image3_->show();
        label1_->move(label1_->x(), 65);
    }
}

void Tgew_kein::setSpeech(const ResultSpeech &speech)
{
    ResultWindow::setSpeech(speech);
    for (PictureBox *picture : {image1_, image3_}) {
        picture->setAccessibleName(windowTitle());
        picture->setAccessibleDescription(speech.keinPicture);
    }
    image2_->setAccessibleName(speech.ok);
}

QWidget *Tgew_kein::firstFocus() const { return image2_; }

void Tgew_kein::Image2Click() { returnToMainWindow(); }

} // namespace vantrell
