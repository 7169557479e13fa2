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

    t.board.board = QStringLiteral("Spielfeld");
    t.board.keys = QStringLiteral("Pfeiltasten wählen ein Feld, Pos1 und Ende gehen an den Rand der Zeile, Strg+Pos1 "
                                  "und Strg+Ende in die Ecken. Die Taste eines Elements trägt es ein, mit Umschalt "
                                  "oder Strg markiert sie es. Entf, Rücktaste oder 0 leeren das Feld.");
    t.board.cell = QStringLiteral("Zeile %1, Spalte %2: %3");
    t.board.given = QStringLiteral("%1, vorgegeben");
    t.board.empty = QStringLiteral("leer, keine Kandidaten");
    t.board.candidates = QStringLiteral("leer, Kandidaten %1");
    t.board.separator = QStringLiteral(", ");
    t.board.symbols = {QStringLiteral("Quadrat (1)"), QStringLiteral("Ring (2)"), QStringLiteral("Fünfeck (3)"),
                       QStringLiteral("Raute (4)"), QStringLiteral("Stern (5)"), QStringLiteral("Rautenumriss (6)"),
                       QStringLiteral("Vierzackstern (7)"), QStringLiteral("Quadratumriss (8)"),
                       QStringLiteral("Scheibe (9)")};
    t.titlePicture = QStringLiteral("Sudoku");
    t.pagePreview = QStringLiteral("Vorschau der Seite");
    t.results.solvedWith = QStringLiteral("Sie haben das Sudoku gelöst mit %1.");
    t.results.keinPicture = QStringLiteral("Ein Klick auf OK schließt diese Meldung. Mit „Spiel starten“ beginnen "
                                           "Sie ein neues Spiel.");
    t.results.highPicture = QStringLiteral("Mit diesem Ergebnis können Sie sich in die Online-Highscore eintragen. "
                                           "Geben Sie einen Namen mit höchstens 30 Zeichen ein und wählen Sie "
                                           "„Eintragen“: Der Link wird dann in Ihrem Browser geöffnet. Den Code können "
                                           "Sie auch von Hand auf der Highscore-Seite eingeben.");
    t.results.ok = QStringLiteral("OK");
    t.results.submit = QStringLiteral("Eintragen");
    t.results.decline = QStringLiteral("Vielleicht beim nächsten Mal");
    t.results.name = QStringLiteral("Name");
    t.results.code = QStringLiteral("Code");
    t.results.address = QStringLiteral("Link");
    t.results.noBrowser = QStringLiteral("Für die Highscoreliste konnte kein Webbrowser geöffnet werden.\n\n"
                                         "Ihr Ergebnis geht nicht verloren: Kopieren Sie Code und Link aus diesem "
                                         "Fenster. Öffnen Sie den Link selbst in einem Browser, oder tragen Sie Ihren "
                                         "Namen und den Code auf der Seite der Highscoreliste von Hand ein.");
    t.printDialog.picture = QStringLiteral("Momentan werden Ihre Sudokus erstellt. Dies kann etwas Zeit in Anspruch "
                                           "nehmen. Sobald die Sudokus fertig sind, können Sie diese ausdrucken, in "
                                           "dem sie auf \"Drucken\" klicken. Sollten Sie es sich anders überlegt "
                                           "haben, können Sie auch Abbrechen.");
    t.printDialog.printer = QStringLiteral("Drucker");
    t.printDialog.progress = QStringLiteral("Fortschritt");
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

    t.board.board = QStringLiteral("Board");
    t.board.keys = QStringLiteral("Arrow keys choose a cell, Home and End go to the ends of the row, Ctrl+Home and "
                                  "Ctrl+End to the corners. An element's key enters it, with Shift or Ctrl it marks "
                                  "it. Delete, Backspace or 0 empty the cell.");
    t.board.cell = QStringLiteral("Row %1, column %2: %3");
    t.board.given = QStringLiteral("%1, given");
    t.board.empty = QStringLiteral("empty, no candidates");
    t.board.candidates = QStringLiteral("empty, candidates %1");
    t.board.separator = QStringLiteral(", ");
    t.board.symbols = {QStringLiteral("square (1)"), QStringLiteral("ring (2)"), QStringLiteral("pentagon (3)"),
                       QStringLiteral("diamond (4)"), QStringLiteral("star (5)"), QStringLiteral("diamond outline (6)"),
                       QStringLiteral("four-pointed star (7)"), QStringLiteral("square outline (8)"),
                       QStringLiteral("disc (9)")};
    t.titlePicture = QStringLiteral("Sudoku");
    t.pagePreview = QStringLiteral("Preview of the page");
    t.results.solvedWith = QStringLiteral("You have solved the Sudoku with %1.");
    t.results.keinPicture = QStringLiteral("A click on OK closes this message. Click on “Start Game” to begin a new "
                                           "game.");
    t.results.highPicture = QStringLiteral("With this result you may enter the online highscore. Enter a name of at "
                                           "most 30 characters and choose “Submit”: the link then opens in your "
                                           "browser. You can also enter the code by hand on the highscore page.");
    t.results.ok = QStringLiteral("OK");
    t.results.submit = QStringLiteral("Submit");
    t.results.decline = QStringLiteral("Maybe next time");
    t.results.name = QStringLiteral("Name");
    t.results.code = QStringLiteral("Code");
    t.results.address = QStringLiteral("Link");
    t.results.noBrowser = QStringLiteral("No web browser could be opened for the highscore list.\n\n"
                                         "Your result is not lost: copy the code and the link from this window. Open "
                                         "the link in a browser yourself, or enter your name and the code on the "
                                         "highscore list's page by hand.");
    t.printDialog.picture = QStringLiteral("At the moment your Sudokus are created. This can take a liitel time. As "
                                           "soon as the Sudokus are ready, you can print them by clicking on "
                                           "\"Print\". If you do not want to print these Sudokus, you should use "
                                           "the button \"Cancel\".");
    t.printDialog.printer = QStringLiteral("Printer");
    t.printDialog.progress = QStringLiteral("Progress");
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
