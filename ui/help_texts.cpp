#include "ui/help_texts.h"

#include "site_config.h"

namespace vantrell {
namespace {

TextBlock heading(const QString &text) { return {TextBlock::Kind::Heading, text, {}, {}}; }
TextBlock para(const QString &text) { return {TextBlock::Kind::Paragraph, text, {}, {}}; }
TextBlock link(const char *site, const QString &path = {})
{
    return {TextBlock::Kind::Link, QLatin1String(site) + path, {}, {}};
}
// A link that opens its own fixed address, without referrer.
TextBlock fixedLink(const QString &name, const QString &target)
{
    return {TextBlock::Kind::Link, QStringLiteral("www.") + target, name, QStringLiteral("http://www.") + target};
}

HelpBookTexts german()
{
    const char *soft = build::softwareSiteDe;
    const char *home = build::homeSiteDe;
    HelpBookTexts t;
    t.tabs = {QStringLiteral("Hilfe"), QStringLiteral("Empfehlungen"), QStringLiteral("Software"),
              QStringLiteral("Wieso spenden?"), QStringLiteral("Lizenz")};
    t.back = QStringLiteral("<< zurück");
    t.next = QStringLiteral("weiter >>");
    t.help = {
        heading(QStringLiteral("So spielen Sie")),
        para(QStringLiteral("Wählen Sie im Hauptfenster eine Vorgabe oder stellen Sie unter „Benutzerdefiniert..“ "
                            "Ihr eigenes Spiel zusammen. Ein Klick auf „Spiel Starten“ beginnt ein neues Rätsel.")),
        para(QStringLiteral("In jedem leeren Feld stehen die möglichen Elemente klein. Ein Linksklick auf ein kleines "
                            "Element trägt es ein, ein Linksklick auf ein ausgefülltes Feld leert es wieder. Mit der "
                            "rechten Maustaste streichen oder markieren Sie einen Kandidaten.")),
        para(QStringLiteral("Die Punkte sinken mit der Zeit. Wer ein Rätsel mit mindestens 25541 Punkten löst, darf "
                            "sich mit seinem Namen in die Online-Bestenliste eintragen.")),
        para(QStringLiteral("Im Druckmodus bereitet das Programm 1, 2 oder 6 Rätsel pro Seite vor und druckt sie aus.")),
        para(QStringLiteral("Ausführliche Hilfe und Antworten auf häufige Fragen finden Sie online:")),
        link(soft, QStringLiteral("/support")),
        link(soft, QStringLiteral("/sudoku")),
    };
    t.regards = {
        heading(QStringLiteral("Vantrell Media")),
        para(QStringLiteral("Dieses Sudoku ist ein kostenloses Programm von Vantrell Media. Wir gestalten auch "
                            "Internetseiten – übersichtlich, schnell und passend zu Ihrem Auftritt:")),
        link(home, QStringLiteral("/webdesign")),
        para(QStringLiteral("Sie brauchen ein Programm, das genau zu Ihren Abläufen passt? Wir entwickeln "
                            "individuelle Software nach Ihren Wünschen:")),
        link(soft, QStringLiteral("/individuell")),
        para(QStringLiteral("Alles über uns auf unserer Startseite:")),
        link(home),
    };
    t.donate = {
        heading(QStringLiteral("Wieso spenden?")),
        para(QStringLiteral("Dieses Sudoku ist kostenlos und frei von Werbung. Entwicklung, Pflege und die "
                            "Online-Bestenliste kosten uns trotzdem Zeit und Geld.")),
        para(QStringLiteral("Wenn Ihnen das Spiel gefällt, helfen Sie uns mit einer kleinen Spende, weitere "
                            "kostenlose Programme zu schreiben. Schon der Preis einer Tasse Kaffee hilft!")),
        link(soft, QStringLiteral("/spenden")),
    };
    t.licence = {
        heading(QStringLiteral("Lizenz")),
        para(QStringLiteral("Sie dürfen dieses Sudoku kostenlos benutzen, privat wie beruflich, und es unverändert "
                            "an andere weitergeben.")),
        para(QStringLiteral("Das Programm wird ohne jede Gewähr bereitgestellt. Für Schäden, die aus seiner "
                            "Benutzung entstehen, übernehmen wir keine Haftung.")),
        para(QStringLiteral("Die vollständigen Nutzungsbedingungen:")),
        link(soft, QStringLiteral("/lizenz")),
        para(QStringLiteral("Unterstützen Sie uns mit einer Spende:")),
        link(soft, QStringLiteral("/spenden")),
    };
    t.softwareSite = QLatin1String(soft);
    t.softwareIntro = QStringLiteral("Weitere Programme von Vantrell Media – kostenlos zum Herunterladen. Ein Klick "
                                     "auf ein Bild öffnet die Seite des Programms.");
    t.softwareMore = QStringLiteral("Alle unsere Programme im Überblick:");
    t.headerPicture = QStringLiteral("Sudoku – Hilfe & Informationen, Vantrell Media");
    t.donatePicture = QStringLiteral("Danke!");
    t.programs = {
        {QStringLiteral("wortsuche"), QStringLiteral("software_wortsuche.png"), QStringLiteral("Wortsuche"),
         QStringLiteral("Finden Sie versteckte Wörter im Buchstabengitter – waagerecht, senkrecht und diagonal. "
                        "Mit eigenen Wortlisten und Druckfunktion.")},
        {QStringLiteral("kalender"), QStringLiteral("software_kalender.png"), QStringLiteral("Kalender"),
         QStringLiteral("Gestalten Sie Jahres- und Monatskalender mit Feiertagen und eigenen Terminen und drucken "
                        "Sie sie aus.")},
        {QStringLiteral("tangram"), QStringLiteral("software_tangram.png"), QStringLiteral("Tangram"),
         QStringLiteral("Das klassische Legespiel mit sieben Teilen: über hundert Figuren zum Nachlegen, vom "
                        "Haus bis zur Katze.")},
        {QStringLiteral("solitaer"), QStringLiteral("software_solitaer.png"), QStringLiteral("Solitär"),
         QStringLiteral("Überspringen Sie Stecker um Stecker, bis nur noch einer in der Mitte übrig bleibt.")},
    };
    return t;
}

HelpBookTexts english()
{
    const char *soft = build::softwareSiteEn;
    const char *home = build::homeSiteEn;
    HelpBookTexts t;
    t.tabs = {QStringLiteral("Help"), QStringLiteral("Regards"), QStringLiteral("Software"),
              QStringLiteral("Why Donate?"), QStringLiteral("Licence")};
    t.back = QStringLiteral("<< back");
    t.next = QStringLiteral("next >>");
    t.help = {
        heading(QStringLiteral("How to play")),
        para(QStringLiteral("Choose a preset in the main window, or set up a game of your own under "
                            "\"User Defined\". Click \"Start Game\" to begin a new puzzle.")),
        para(QStringLiteral("Every empty cell shows its possible elements in small print. A left click on a small "
                            "element enters it; a left click on a filled cell empties it again. A right click "
                            "strikes out or marks a candidate.")),
        para(QStringLiteral("Your points fall as time passes. Solve a puzzle with at least 25541 points and you may "
                            "enter the online highscore list under your name.")),
        para(QStringLiteral("In print mode the program prepares 1, 2 or 6 puzzles per page and prints them.")),
        para(QStringLiteral("More help and answers to common questions are online:")),
        link(soft, QStringLiteral("/support")),
        link(soft, QStringLiteral("/sudoku")),
    };
    t.regards = {
        heading(QStringLiteral("Vantrell Media")),
        para(QStringLiteral("This Sudoku is a free program by Vantrell Media. We also design websites that are "
                            "clear, fast and made to fit your business:")),
        link(home, QStringLiteral("/webdesign")),
        para(QStringLiteral("Need a program that fits the way you work? We write individual software to your "
                            "requirements:")),
        link(soft, QStringLiteral("/individual")),
        para(QStringLiteral("Find out more about us on our home page:")),
        link(home),
    };
    t.donate = {
        heading(QStringLiteral("Why donate?")),
        para(QStringLiteral("This Sudoku is free and carries no advertising. Still, writing it, keeping it up to "
                            "date and running the online highscore list cost us time and money.")),
        para(QStringLiteral("If you enjoy the game, a small donation helps us write more free programs. The price "
                            "of a cup of coffee already makes a difference!")),
        link(soft, QStringLiteral("/donate")),
    };
    t.licence = {
        heading(QStringLiteral("Licence")),
        para(QStringLiteral("You may use this Sudoku free of charge, at home or at work, and pass it on to others "
                            "unchanged.")),
        para(QStringLiteral("The program comes without any warranty. We accept no liability for damage arising "
                            "from its use.")),
        para(QStringLiteral("The full terms of use:")),
        link(soft, QStringLiteral("/licence")),
        para(QStringLiteral("Support us with a donation:")),
        link(soft, QStringLiteral("/donate")),
    };
    t.softwareSite = QLatin1String(soft);
    t.softwareIntro = QStringLiteral("More programs by Vantrell Media, free to download. Click a picture to open "
                                     "the program's page.");
    t.softwareMore = QStringLiteral("All our programs at a glance:");
    t.headerPicture = QStringLiteral("Sudoku – Help & Information, Vantrell Media");
    t.donatePicture = QStringLiteral("Thank you!");
    t.programs = {
        {QStringLiteral("wortsuche"), QStringLiteral("software_wortsuche.png"), QStringLiteral("Word Search"),
         QStringLiteral("Find the words hidden in a grid of letters – across, down and diagonally. With your own "
                        "word lists and printing.")},
        {QStringLiteral("kalender"), QStringLiteral("software_kalender.png"), QStringLiteral("Calendar"),
         QStringLiteral("Design yearly and monthly calendars with holidays and your own dates, and print them.")},
        {QStringLiteral("tangram"), QStringLiteral("software_tangram.png"), QStringLiteral("Tangram"),
         QStringLiteral("The classic seven-piece puzzle: more than a hundred shapes to lay, from a house to a "
                        "cat.")},
        {QStringLiteral("solitaer"), QStringLiteral("software_solitaer.png"), QStringLiteral("Peg Solitaire"),
         QStringLiteral("Jump peg over peg until only one is left in the centre of the board.")},
    };
    return t;
}

InfoTexts info()
{
    const QString soft = QLatin1String(build::softwareSiteDe);
    InfoTexts t;
    t.tabs = {QStringLiteral("Einführung"), QStringLiteral("Empfehlungen"), QStringLiteral("Wieso spenden?"),
              QStringLiteral("Lizenz")};
    t.pages = {
        {
            heading(QStringLiteral("Erste Schritte")),
            para(QStringLiteral("Wählen Sie im Hauptfenster eine Vorgabe und klicken Sie auf „Spiel Starten“. Ein "
                                "Linksklick auf ein kleines Element trägt es ein, ein Rechtsklick streicht einen "
                                "Kandidaten.")),
            heading(QStringLiteral("Fortgeschrittene und eigene Einstellungen")),
            para(QStringLiteral("Unter „Benutzerdefiniert..“ legen Sie die Größe des Spielfelds, die Art der "
                                "Elemente und die Zahl der vorgegebenen Felder selbst fest. Weniger Vorgaben "
                                "machen das Rätsel schwerer.")),
            heading(QStringLiteral("Druckmodus")),
            para(QStringLiteral("Im Druckmodus stellen Sie 1, 2 oder 6 Rätsel pro Seite zusammen und drucken sie "
                                "aus – ideal für unterwegs.")),
            para(QStringLiteral("Ausführliche Hilfe finden Sie im Internet:")),
            fixedLink(QStringLiteral("Label11"), soft + QStringLiteral("/sudoku-hilfe")),
        },
        {
            heading(QStringLiteral("Mehr von Vantrell Media")),
            para(QStringLiteral("Weitere kostenlose Programme:")),
            fixedLink(QStringLiteral("Label26"), soft),
            para(QStringLiteral("Bilder und Kunstdrucke:")),
            fixedLink(QStringLiteral("Label27"), QLatin1String(build::artSite)),
            para(QStringLiteral("Unsere Bücher:")),
            fixedLink(QStringLiteral("Label28"), QLatin1String(build::bookSite)),
            para(QStringLiteral("Internetseiten und Webdesign:")),
            fixedLink(QStringLiteral("Label29"), QLatin1String(build::homeSiteDe) + QStringLiteral("/internet")),
        },
        {
            heading(QStringLiteral("Wieso spenden?")),
            para(QStringLiteral("Dieses Sudoku ist kostenlos und frei von Werbung. Mit einer kleinen Spende helfen "
                                "Sie uns, es weiter zu pflegen und neue kostenlose Programme zu schreiben.")),
            fixedLink(QStringLiteral("Label8"), soft + QStringLiteral("/spenden")),
        },
        {
            heading(QStringLiteral("Lizenz")),
            para(QStringLiteral("Sie dürfen dieses Sudoku kostenlos benutzen und unverändert weitergeben. Das "
                                "Programm wird ohne jede Gewähr bereitgestellt.")),
            para(QStringLiteral("Die vollständigen Nutzungsbedingungen:")),
            fixedLink(QStringLiteral("Label10"), soft + QStringLiteral("/lizenz")),
            para(QStringLiteral("Unterstützen Sie uns mit einer Spende:")),
            fixedLink(QStringLiteral("Label7"), soft + QStringLiteral("/spenden")),
        },
    };
    return t;
}

} // namespace

const HelpBookTexts &helpBookTexts(HelpLanguage language)
{
    static const HelpBookTexts de = german();
    static const HelpBookTexts en = english();
    return language == HelpLanguage::German ? de : en;
}

const InfoTexts &infoTexts()
{
    static const InfoTexts texts = info();
    return texts;
}

} // namespace vantrell
