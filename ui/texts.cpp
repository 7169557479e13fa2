#include "ui/texts.h"

#include "site_config.h"

namespace vantrell {
namespace {

QString site(const char *domain) { return QString::fromLatin1(domain); }

LanguageTexts makeGerman()
{
    LanguageTexts t;
    t.label2 = QStringLiteral("Informationen");
    t.label3 = site(build::homeSiteDe);
    t.status0 = QStringLiteral("Herzlich Willkommen");
    t.status3 = site(build::homeSiteDe) + QStringLiteral("/spenden - Vielen Dank");
    t.ts1 = QStringLiteral("Am Computer spielen");
    t.ts2 = QStringLiteral("Druckmodus");
    t.gb1 = QStringLiteral("Spiel");
    t.presets = {QStringLiteral("Frei Training"), QStringLiteral("Frei Anfänger"),
                 QStringLiteral("Frei Fortgeschritten"), QStringLiteral("Frei Profi"),
                 QStringLiteral("Klassisch Anfänger"), QStringLiteral("Klassisch Fortgeschritten"),
                 QStringLiteral("Klassisch Profi"), QStringLiteral("Benutzerdefiniert..")};
    t.gameTypes = {QStringLiteral("3x3 Felder Frei"), QStringLiteral("4x4 Felder Frei"),
                   QStringLiteral("5x5 Felder Frei"), QStringLiteral("6x6 Felder Frei"),
                   QStringLiteral("7x7 Felder Frei"), QStringLiteral("8x8 Felder Frei"),
                   QStringLiteral("9x9 Felder Frei"), QStringLiteral("9x9 Felder Klassisch")};
    t.elementSets = {QStringLiteral("Elemente: Rote Zahlen"), QStringLiteral("Elemente: Blaue Zahlen"),
                     QStringLiteral("Elemente: Symbole"), QStringLiteral("Elemente: Klassik"),
                     QStringLiteral("Elemente: Buchstaben")};
    t.countPrefix = QStringLiteral("Eingetragene Elemente: ");
    t.label4 = QStringLiteral("Spiel Starten");
    t.gb2 = QStringLiteral("Drucken");
    t.perPage = {QStringLiteral("1 Feld pro Seite"), QStringLiteral("2 Felder pro Seite"),
                 QStringLiteral("6 Felder pro Seite")};
    t.label5 = QStringLiteral("Vorbereiten");
    t.vorschaudruck = QStringLiteral("Vorschau");
    t.drucken = QStringLiteral("Drucken");
    t.gb3 = QStringLiteral("Hilfe");
    t.helpWelcome = QStringLiteral("Herzlich Willkommen! Wählen Sie \"Am Computer Spielen\" oder Druckmodus. "
                                   "Wählen Sie unter \"Spiel\" eine Spielart aus und starten Sie das Spiel mit "
                                   "\"Spiel starten\".");
    t.helpPlay = QStringLiteral("Wählen Sie unter \"Spiel\" eine Spielart aus und starten Sie das Spiel mit "
                                "\"Spiel starten\".");
    t.helpPrint = QStringLiteral("Wählen Sie aus, wieviele Sudokus auf eine Seite sollen und klicken dann auf "
                                 "\"Vorbereiten\". Wenn sie fertig sind, können Sie auf \"Drucken\" klicken.");
    t.mouseHelp = {QStringLiteral("Benutzen Sie die Maus auf dem Spielfeld!"),
                   QStringLiteral("Linke Maustaste: Element wählen."),
                   QStringLiteral("Rechte Maustaste: Element markieren.")};
    t.pointsSuffix = QStringLiteral(" Punkte");
    t.statusGenerating = QStringLiteral("Spiel generieren..");
    t.statusReady = QStringLiteral("Fertig. Viel Spaß!");
    t.statusPage = QStringLiteral("Seite generieren..");
    t.footerLong = QStringLiteral("Vantrell Sudoku - ") + site(build::homeSiteDe);
    t.footerShort = QStringLiteral("Sudoku - ") + site(build::homeSiteDe);
    return t;
}

LanguageTexts makeEnglish()
{
    LanguageTexts t;
    t.label2 = QStringLiteral("Information");
    t.label3 = site(build::homeSiteEn);
    t.status0 = QStringLiteral("Welcome!");
    t.status3 = site(build::homeSiteEn) + QStringLiteral("/donate - Thank you very much!");
    t.ts1 = QStringLiteral("Playing at the Computer");
    t.ts2 = QStringLiteral("Print Mode");
    t.gb1 = QStringLiteral("Game");
    t.presets = {QStringLiteral("Free Training"), QStringLiteral("Free Beginner"),
                 QStringLiteral("Free Advanced"), QStringLiteral("Free Professional"),
                 QStringLiteral("Classical Sudoku Beginner"), QStringLiteral("Classical Sudoku Advanced"),
                 QStringLiteral("Classical Sudoku Professional"), QStringLiteral("User Defined")};
    t.gameTypes = {QStringLiteral("3x3 Free"), QStringLiteral("4x4 Free"), QStringLiteral("5x5 Free"),
                   QStringLiteral("6x6 Free"), QStringLiteral("7x7 Free"), QStringLiteral("8x8 Free"),
                   QStringLiteral("9x9 Free"), QStringLiteral("9x9 Classical")};
    t.elementSets = {QStringLiteral("Elements: Red Numbers"), QStringLiteral("Elements: Blue Numbers"),
                     QStringLiteral("Elements: Symbols"), QStringLiteral("Elements: Classic"),
                     QStringLiteral("Elements: Characters")};
    t.countPrefix = QStringLiteral("Elements Set: ");
    t.label4 = QStringLiteral("Start Game");
    t.gb2 = QStringLiteral("Print");
    t.perPage = {QStringLiteral("1 Field per Page"), QStringLiteral("2 Fields per Page"),
                 QStringLiteral("6 Fields per Page")};
    t.label5 = QStringLiteral("Prepare");
    t.vorschaudruck = QStringLiteral("Preview");
    t.drucken = QStringLiteral("Print");
    t.gb3 = QStringLiteral("Help");
    t.helpWelcome = QStringLiteral("Welcome! Choose \"Playing at the omputer\" or \"Print Mode\". Choose at the "
                                   "\"Game\"-Box a kind of game and start the Sudoku by clicking \"Start Game\"..");
    t.helpPlay = QStringLiteral("Choose at the \"Game\"-Box a kind of game and start the Sudoku by clicking "
                                "\"Start Game\".");
    t.helpPrint = QStringLiteral("Choose how many Sudokus should be printed on a Page and click on \"Prepare\". "
                                 "If they are ready, click on \"Print\".");
    t.mouseHelp = {QStringLiteral("Use the Mouse on the Field!"), QStringLiteral("Left Mouse Button: Choose Element."),
                   QStringLiteral("Right Mouse Button: Mark Element.")};
    t.pointsSuffix = QStringLiteral(" Points");
    t.statusGenerating = QStringLiteral("Create Sudoku..");
    t.statusReady = QStringLiteral("Ready. Have Fun!");
    t.statusPage = QStringLiteral("Create Page..");
    t.footerLong = QStringLiteral("Vantrell Sudoku - ") + site(build::homeSiteEn);
    t.footerShort = QStringLiteral("Sudoku - ") + site(build::homeSiteEn);
    return t;
}

template <std::size_t N>
std::array<std::string, N> utf8(const std::array<QString, N> &texts)
{
    std::array<std::string, N> out;
    for (std::size_t i = 0; i < N; ++i)
        out[i] = texts[i].toStdString();
    return out;
}

} // namespace

const LanguageTexts &germanTexts()
{
    static const LanguageTexts texts = makeGerman();
    return texts;
}

const LanguageTexts &englishTexts()
{
    static const LanguageTexts texts = makeEnglish();
    return texts;
}

LanguageTexts textsFor(const QString &language)
{
    LanguageTexts texts;
    if (language == QLatin1String("de"))
        texts = germanTexts();
    if (language == QLatin1String("en"))
        texts = englishTexts();
    return texts;
}

SettingsTexts settingsTexts(const LanguageTexts &texts)
{
    return {utf8(texts.presets), utf8(texts.gameTypes), utf8(texts.elementSets), texts.countPrefix.toStdString()};
}

} // namespace vantrell
