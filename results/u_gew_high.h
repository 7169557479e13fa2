// The congratulation for a result at or above the highscore bar, with the form that
// submits the result to the online highscore list.
#pragma once

#include "results/result_controls.h"

#include <QString>
#include <cstdint>

class QLineEdit;

namespace vantrell {

class Tgew_high : public ResultWindow {
    Q_OBJECT
public:
    Tgew_high(const QLabel *spr, QWidget *mainWindow, const ResultHost *host);

    // The result the code is built from at the next activation, kept in the hidden labels
    // lapunkte, laspielart, laaufgedeckt and laelemente.
    void setResult(std::int32_t punkte, std::int32_t spielart, std::int32_t aufgedeckt, char elemente);

    QString pruefcode() const { return pruefcode_; }
    QString linkanzeige() const { return linkanzeige_; }
    QString spielername() const { return spielername_; }
    QString eintragslink() const { return eintragslink_; }

    void setSpeech(const ResultSpeech &speech) override;

public slots:
    void FormActivate() override;
    void Edit1Change();
    void Edit2Change();
    void Edit3Change();
    void Image2Click();
    void Image3Click();

protected:
    void closeWithoutButton() override { Image3Click(); } // as declining: nothing is sent
    void enterPressed() override { Image2Click(); }
    QWidget *firstFocus() const override;

private:
    void Sprache();
    QString highscorePage() const;
    void buildCode();
    // Submit could not hand the address on: the window stays, and says how to go on by hand.
    void tellNoBrowser();

    PictureBox *image4_;
    PictureBox *image1_;
    QLabel *lapunkte_;
    QLabel *laspielart_;
    QLabel *laaufgedeckt_;
    QLabel *laelemente_;
    QLineEdit *edit1_;
    QLineEdit *edit2_;
    QLineEdit *edit3_;
    PictureBox *image2_;
    PictureBox *image3_;

    QString pruefcode_;
    QString linkanzeige_;
    QString spielername_;
    QString eintragslink_;
    // The code the player may be copying stays until the next result, whatever activates
    // the window in between (the message, a browser opened by hand).
    bool keepCode_ = false;
};

} // namespace vantrell
