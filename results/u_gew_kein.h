// The congratulation shown for a solved grid below the highscore bar.
#pragma once

#include "results/result_controls.h"

namespace vantrell {

class Tgew_kein : public ResultWindow {
    Q_OBJECT
public:
    // spr holds the interface language; mainWindow is disabled while this window is active,
    // host gives the points it shows.
    Tgew_kein(const QLabel *spr, QWidget *mainWindow, const ResultHost *host);

    void setSpeech(const ResultSpeech &speech) override;

public slots:
    void Image2Click();

protected:
    void closeWithoutButton() override { Image2Click(); } // as OK
    void enterPressed() override { Image2Click(); }
    QWidget *firstFocus() const override;

private:
    void Sprache();

    PictureBox *image1_;
    PictureBox *image3_;
    PictureBox *image2_;
};

} // namespace vantrell
