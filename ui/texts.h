// The main window's texts in both interface languages.
#pragma once

#include "core/settings.h"
#include "play/board_speech.h"
#include "widgets/window_speech.h"

#include <QString>
#include <array>

namespace vantrell {

struct LanguageTexts {
    QString label2;  // "Informationen" button
    QString label3;  // home-site button
    QString status0; // welcome text of status panel 0
    QString status3; // donation line of status panel 3
    QString ts1;
    QString ts2;
    QString gb1;
    std::array<QString, 8> presets;
    std::array<QString, 8> gameTypes;
    std::array<QString, 5> elementSets;
    QString countPrefix;
    QString label4;
    QString gb2;
    std::array<QString, 3> perPage;
    QString label5;
    QString vorschaudruck;
    QString drucken;
    QString gb3;
    QString helpWelcome;
    QString helpPlay;
    QString helpPrint;
    std::array<QString, 3> mouseHelp;
    QString pointsSuffix;
    QString statusGenerating;
    QString statusReady;
    QString statusPage;
    QString footerLong;
    QString footerShort;

    // What a screen reader says of the controls that show no text of their own.
    BoardSpeech board;
    QString titlePicture;
    QString pagePreview;
    ResultSpeech results;
    PrintDialogSpeech printDialog;
};

const LanguageTexts &germanTexts();
const LanguageTexts &englishTexts();

// The texts a language value selects: German for "de", English for "en", and for any
// other value none at all (every text empty).
LanguageTexts textsFor(const QString &language);

// The texts the settings panel is read by.
SettingsTexts settingsTexts(const LanguageTexts &texts);

} // namespace vantrell
