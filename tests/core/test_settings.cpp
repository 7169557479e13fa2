#include "core/settings.h"
#include "ui/texts.h"

#include <QtTest>

using namespace vantrell;

namespace {

SettingsChoice choice(const QString &spiel, const QString &spielart = {}, const QString &geloest = {},
                      const QString &elemente = {})
{
    return {spiel.toStdString(), spielart.toStdString(), geloest.toStdString(), elemente.toStdString()};
}

} // namespace

class TestSettings : public QObject {
    Q_OBJECT
private slots:
    void presetsInBothLanguages_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<int>("entry");
        QTest::addColumn<int>("spielart");
        QTest::addColumn<int>("aufgedeckt");
        const int table[7][2] = {{4, 8}, {6, 20}, {7, 20}, {9, 25}, {1, 60}, {1, 40}, {1, 20}};
        for (const char *language : {"de", "en"})
            for (int i = 0; i < 7; ++i)
                QTest::addRow("%s %d", language, i) << QString::fromLatin1(language) << i << table[i][0] << table[i][1];
    }
    void presetsInBothLanguages()
    {
        QFETCH(QString, language);
        QFETCH(int, entry);
        QFETCH(int, spielart);
        QFETCH(int, aufgedeckt);
        const LanguageTexts t = textsFor(language);
        GameState s;
        s.elemente = 'S';
        readSettings(choice(t.presets[entry], t.gameTypes[0], t.countPrefix + "3", t.elementSets[0]),
                     settingsTexts(t), s);
        QCOMPARE(s.spielart, spielart);
        QCOMPARE(s.aufgedeckt, aufgedeckt);
        QCOMPARE(s.elemente, 'B');
    }

    void customGame()
    {
        const LanguageTexts de = germanTexts();
        GameState s;
        readSettings(choice("Benutzerdefiniert..", "5x5 Felder Frei", "Eingetragene Elemente: 12", "Elemente: Symbole"),
                     settingsTexts(de), s);
        QCOMPARE(s.spielart, 5);
        QCOMPARE(sideLength(s.spielart), 5);
        QCOMPARE(s.aufgedeckt, 12);
        QCOMPARE(s.elemente, 'S');
        QCOMPARE(boardPictureSide(s.spielart), 225);
        QCOMPARE(minimumWindowSize(5), (Size{487, 338}));

        readSettings(choice("Benutzerdefiniert..", "9x9 Felder Frei", "Eingetragene Elemente: 30", "Elemente: Klassik"),
                     settingsTexts(de), s);
        QCOMPARE(s.spielart, 9);
        QCOMPARE(sideLength(s.spielart), 9);
        QCOMPARE(s.elemente, 'K');
        readSettings(choice("Benutzerdefiniert..", "9x9 Felder Klassisch", "Eingetragene Elemente: 30", "Elemente: Buchstaben"),
                     settingsTexts(de), s);
        QCOMPARE(s.spielart, 1);
        QCOMPARE(sideLength(s.spielart), 9);
        QCOMPARE(boardPictureSide(s.spielart), 405);
        QCOMPARE(s.elemente, 'C');

        const LanguageTexts en = englishTexts();
        readSettings(choice("User Defined", "3x3 Free", "Elements Set: 4", "Elements: Red Numbers"), settingsTexts(en), s);
        QCOMPARE(s.spielart, 3);
        QCOMPARE(s.aufgedeckt, 4);
        QCOMPARE(s.elemente, 'R');
    }

    void unmatchedTextsKeepTheirParameters_data()
    {
        QTest::addColumn<QString>("spiel");
        QTest::addColumn<QString>("spielart");
        QTest::addColumn<QString>("elemente");
        QTest::addColumn<int>("expectedSpielart");
        QTest::addColumn<char>("expectedElemente");
        // Previous game: spielart 6, aufgedeckt 19, elemente 'K'.
        QTest::newRow("unknown preset changes nothing") << "Klassisch profi" << "3x3 Felder Frei" << "Elemente: Symbole" << 6 << 'K';
        QTest::newRow("emptied type") << "Benutzerdefiniert.." << "" << "Elemente: Symbole" << 6 << 'S';
        QTest::newRow("case differs") << "Benutzerdefiniert.." << "3X3 Felder Frei" << "elemente: Symbole" << 6 << 'K';
        QTest::newRow("English text in a German build") << "User Defined" << "3x3 Free" << "Elements: Symbols" << 6 << 'K';
    }
    void unmatchedTextsKeepTheirParameters()
    {
        QFETCH(QString, spiel);
        QFETCH(QString, spielart);
        QFETCH(QString, elemente);
        QFETCH(int, expectedSpielart);
        QFETCH(char, expectedElemente);
        GameState s;
        s.spielart = 6;
        s.aufgedeckt = 19;
        s.elemente = 'K';
        readSettings(choice(spiel, spielart, "Eingetragene Elemente: 4", elemente), settingsTexts(germanTexts()), s);
        QCOMPARE(s.spielart, expectedSpielart);
        QCOMPARE(s.aufgedeckt, 19); // 4 is no count of the 6x6 type
        QCOMPARE(s.elemente, expectedElemente);
    }

    // Only an entry of the played type's list is played as it reads; any other text plays
    // the list's initial count, never the previous game's count or a number read from it.
    void countsOutsideTheListPlayTheInitialCount_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("count"); // "~" stands for the count prefix
        QTest::addColumn<int>("expected");
        for (const char *language : {"de", "en"}) {
            const auto row = [&](const char *name, const QString &count, int expected) {
                QTest::addRow("%s %s", language, name) << QString::fromLatin1(language) << count << expected;
            };
            row("lowest", "~11", 11);
            row("highest", "~28", 28);
            row("below the list", "~10", 19);
            row("above the list", "~29", 19);
            row("zero", "~0", 19);
            row("negative", "~-5", 19);
            row("plus sign", "~+15", 19);
            row("leading blank", "~ 15", 19);
            row("trailing blank", "~15 ", 19);
            row("leading zero", "~015", 19);
            row("twenty digits", "~12345678901234567890", 19);
            row("beyond 32 bits", "~4294967311", 19);
            row("Arabic-Indic digit", QStringLiteral("~\u0665"), 19);
            row("fullwidth digits", QStringLiteral("~\uFF11\uFF15"), 19);
            row("trailing text", "~15x", 19);
            row("nothing after the prefix", "~", 19);
            row("prefix twice", "~~15", 19);
            row("two counts", "~1~5", 19);
            row("no prefix", "15", 19);
            row("prefix after the count", "15~", 19);
            row("empty", "", 19);
        }
        QTest::newRow("prefix without its blank") << "en" << "Elements Set:15" << 19;
        QTest::newRow("German prefix in an English build") << "en" << "Eingetragene Elemente: 15" << 19;
    }
    void countsOutsideTheListPlayTheInitialCount()
    {
        QFETCH(QString, language);
        QFETCH(QString, count);
        QFETCH(int, expected);
        const LanguageTexts t = textsFor(language);
        GameState s;
        s.spielart = 6;
        s.aufgedeckt = 15; // a count of the type, so keeping it would go unnoticed otherwise
        s.elemente = 'B';
        const QString text = QString(count).replace(QLatin1Char('~'), t.countPrefix);
        QVERIFY(readSettings(choice(t.presets[7], t.gameTypes[3], text, t.elementSets[1]), settingsTexts(t), s));
        QCOMPARE(s.spielart, 6);
        QCOMPARE(s.aufgedeckt, expected);
    }

    // A pasted type keeps the previous game's type; the count must then fit that type,
    // whichever list the panel showed: 4 givens on a free 9x9 board would give 48384 points.
    void countFollowsTheTypeThatIsPlayed()
    {
        const LanguageTexts &t = englishTexts();
        GameState s;
        s.spielart = 9;
        s.aufgedeckt = 25;
        readSettings(choice("User Defined", "", "Elements Set: 4", "Elements: Symbols"), settingsTexts(t), s);
        QCOMPARE(s.spielart, 9);
        QCOMPARE(s.aufgedeckt, 41);
        s.spielart = 3;
        readSettings(choice("User Defined", "Hello", "Elements Set: 41", "Elements: Symbols"), settingsTexts(t), s);
        QCOMPARE(s.spielart, 3);
        QCOMPARE(s.aufgedeckt, 4);
    }

    void unknownPresetBeforeAnyGamePlaysTheInitialPreset_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("spiel");
        QTest::newRow("de pasted") << "de" << "Hallo";
        QTest::newRow("en pasted") << "en" << "Hello";
        QTest::newRow("en other case") << "en" << "classical sudoku professional";
        QTest::newRow("en empty") << "en" << "";
    }
    void unknownPresetBeforeAnyGamePlaysTheInitialPreset()
    {
        QFETCH(QString, language);
        QFETCH(QString, spiel);
        const LanguageTexts t = textsFor(language);
        GameState s;
        QVERIFY(!readSettings(choice(spiel, t.gameTypes[0], t.countPrefix + "4", t.elementSets[2]), settingsTexts(t), s));
        QCOMPARE(s.spielart, 1);
        QCOMPARE(s.aufgedeckt, 40);
        QCOMPARE(s.elemente, 'B');
    }

    void unsetParametersFallBack()
    {
        GameState s;
        readSettings(choice("User Defined", "4x4 Free", "Elements Set: 8", "Elements: Purple"), settingsTexts(englishTexts()), s);
        QCOMPARE(s.elemente, 'B');
        QCOMPARE(s.spielart, 4);
        GameState fresh;
        readSettings(choice("User Defined", "pasted", "Elements Set: 8", "Elements: Blue Numbers"), settingsTexts(englishTexts()), fresh);
        QCOMPARE(fresh.spielart, 1); // a board to play on, not a 0 x 0 one
        QCOMPARE(fresh.aufgedeckt, 41);
    }

    void windowNumbers()
    {
        QCOMPARE(minimumWindowSize(9), (Size{667, 518}));
        QCOMPARE(minimumWindowSize(3), (Size{397, 248}));
        QCOMPARE(boardPictureSide(3), 135);
        QCOMPARE(boardPictureSide(0), 405); // before any game
        // Bevel 485 x 505, picture 225: the halves truncate before the 8 is added.
        QCOMPARE(centredPosition(485, 225), 242 - 112 + 8);
        QCOMPARE(centredPosition(505, 405), 252 - 202 + 8);
    }

    void countRanges_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<int>("lowest");
        QTest::addColumn<int>("highest");
        QTest::addColumn<int>("initial");
        QTest::newRow("3") << "3x3 Free" << 3 << 6 << 4;
        QTest::newRow("4") << "4x4 Felder Frei" << 6 << 10 << 8;
        QTest::newRow("5") << "5x5 Free" << 8 << 16 << 12;
        QTest::newRow("6") << "6x6 Felder Frei" << 11 << 28 << 19;
        QTest::newRow("7") << "7x7 Free" << 15 << 32 << 23;
        QTest::newRow("8") << "8x8 Free" << 18 << 50 << 34;
        QTest::newRow("9 free") << "9x9 Felder Frei" << 23 << 60 << 41;
        QTest::newRow("9 classic") << "9x9 Classical" << 23 << 60 << 41;
        QTest::newRow("digit without row") << "2x2" << 0 << 0 << 0;
        QTest::newRow("empty") << "" << 0 << 0 << 0;
        QTest::newRow("not a digit") << "Üx9" << 0 << 0 << 0;
    }
    void countRanges()
    {
        QFETCH(QString, type);
        QFETCH(int, lowest);
        QFETCH(int, highest);
        QFETCH(int, initial);
        const CountRange r = countRangeFor(type.toStdString());
        QCOMPARE(r.lowest, lowest);
        QCOMPARE(r.highest, highest);
        QCOMPARE(r.initial(), initial);
    }
};

QTEST_APPLESS_MAIN(TestSettings)
#include "test_settings.moc"
