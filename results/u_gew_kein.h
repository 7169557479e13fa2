// The congratulation shown for a solved grid below the highscore bar.
#pragma once

#include <QWidget>

class QLabel;

namespace vantrell {

class PictureBox;

class Tgew_kein : public QWidget {
    Q_OBJECT
public:
    // spr holds the interface language; mainWindow is disabled while this window is active.
    Tgew_kein(const QLabel *spr, QWidget *mainWindow);

public slots:
    void FormActivate();
    void Image2Click();

protected:
    bool event(QEvent *event) override;

private:
    void Sprache();

    const QLabel *spr_;
    QWidget *mainWindow_;
    PictureBox *image1_;
    PictureBox *image3_;
    QLabel *label1_;
    PictureBox *image2_;
};

} // namespace vantrell
