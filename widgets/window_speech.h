// What a screen reader says of the result windows and the print dialog, and the messages
// they show, in the interface language. Plain texts, so that the text tables need no window
// code.
#pragma once

#include <QString>

namespace vantrell {

struct ResultSpeech {
    QString solvedWith;  // "... solved ... with %1." (%1: the points with their suffix)
    QString keinPicture; // what the picture of the window below the highscore bar says
    QString highPicture; // what the highscore window's picture says
    QString ok;
    QString submit;
    QString decline;
    QString name;
    QString code;
    QString address;
    QString noBrowser; // the highscore window's message when Submit finds no browser
};

struct PrintDialogSpeech {
    QString picture;  // what the background picture says
    QString printer;  // the printer choice
    QString progress; // the progress bar
};

} // namespace vantrell
