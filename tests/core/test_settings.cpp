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
        QTest::addColumn<QString>("geloest");
        QTest::addColumn<QString>("elemente");
        QTest::addColumn<int>("expectedSpielart");
        QTest::addColumn<int>("expectedAufgedeckt");
        QTest::addColumn<char>("expectedElemente");
        // Previous game: spielart 6, aufgedeckt 19, elemente 'K'.
        QTest::newRow("unknown preset changes nothing") << "Klassisch profi" << "3x3 Felder Frei" << "Eingetragene Elemente: 4" << "Elemente: Symbole" << 6 << 19 << 'K';
        QTest::newRow("emptied type") << "Benutzerdefiniert.." << "" << "Eingetragene Elemente: 4" << "Elemente: Symbole" << 6 << 4 << 'S';
        QTest::newRow("case differs") << "Benutzerdefiniert.." << "3X3 Felder Frei" << "Eingetragene Elemente: 5" << "elemente: Symbole" << 6 << 5 << 'K';
        QTest::newRow("count not a number") << "Benutzerdefiniert.." << "4x4 Felder Frei" << "Eingetragene Elemente: zwölf" << "Elemente: Klassik" << 4 << 19 << 'K';
        QTest::newRow("count emptied") << "Benutzerdefiniert.." << "4x4 Felder Frei" << "" << "Elemente: Klassik" << 4 << 19 << 'K';
        QTest::newRow("count is only the prefix") << "Benutzerdefiniert.." << "4x4 Felder Frei" << "Eingetragene Elemente: " << "Elemente: Klassik" << 4 << 19 << 'K';
        QTest::newRow("count too large for 32 bits") << "Benutzerdefiniert.." << "4x4 Felder Frei" << "Eingetragene Elemente: 99999999999" << "Elemente: Klassik" << 4 << 19 << 'K';
        QTest::newRow("pasted prefix twice") << "Benutzerdefiniert.." << "4x4 Felder Frei" << "Eingetragene Elemente: Eingetragene Elemente: 7" << "Elemente: Klassik" << 4 << 7 << 'K';
        QTest::newRow("pasted count without prefix") << "Benutzerdefiniert.." << "4x4 Felder Frei" << "12" << "Elemente: Klassik" << 4 << 12 << 'K';
        QTest::newRow("count with trailing text") << "Benutzerdefiniert.." << "4x4 Felder Frei" << "Eingetragene Elemente: 12x" << "Elemente: Klassik" << 4 << 19 << 'K';
        QTest::newRow("sign twice") << "Benutzerdefiniert.." << "4x4 Felder Frei" << "Eingetragene Elemente: +-5" << "Elemente: Klassik" << 4 << 19 << 'K';
        QTest::newRow("English text in a German build") << "User Defined" << "3x3 Free" << "Elements Set: 4" << "Elements: Symbols" << 6 << 19 << 'K';
    }
    void unmatchedTextsKeepTheirParameters()
    {
        QFETCH(QString, spiel);
        QFETCH(QString, spielart);
        QFETCH(QString, geloest);
        QFETCH(QString, elemente);
        QFETCH(int, expectedSpielart);
        QFETCH(int, expectedAufgedeckt);
        QFETCH(char, expectedElemente);
        GameState s;
        s.spielart = 6;
        s.aufgedeckt = 19;
        s.elemente = 'K';
        readSettings(choice(spiel, spielart, geloest, elemente), settingsTexts(germanTexts()), s);
        QCOMPARE(s.spielart, expectedSpielart);
        QCOMPARE(s.aufgedeckt, expectedAufgedeckt);
        QCOMPARE(s.elemente, expectedElemente);
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
