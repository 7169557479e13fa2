#include "core/highscore_code.h"
#include "results/highscore_address.h"

#include <QUrl>
#include <QUrlQuery>
#include <QtTest>

using namespace vantrell;

class TestHighscoreAddress : public QObject {
    Q_OBJECT
private slots:
    void nameIsEncodedForTheAddress_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("encoded");
        QTest::newRow("spaces") << "Anna Maria Lux" << "Anna%20Maria%20Lux";
        QTest::newRow("query characters") << "a&b#c%d=e+f" << "a%26b%23c%25d%3De%2Bf";
        QTest::newRow("umlauts") << QString::fromUtf8("Jörg Mäß") << "J%C3%B6rg%20M%C3%A4%C3%9F";
        QTest::newRow("unreserved kept") << "Az09-._~" << "Az09-._~";
        QTest::newRow("slash, question, quote") << "/?'\"" << "%2F%3F%27%22";
        QTest::newRow("empty") << "" << "";
        QTest::newRow("30 characters") << QString::fromUtf8("Über & Ärger #1 = 100% Glück!!")
                                       << "%C3%9Cber%20%26%20%C3%84rger%20%231%20%3D%20100%25%20Gl%C3%BCck%21%21";
    }
    void nameIsEncodedForTheAddress()
    {
        QFETCH(QString, name);
        QFETCH(QString, encoded);
        QVERIFY(name.size() <= 30);
        QCOMPARE(encodeNameForAddress(name), encoded);

        const QString code = QString::fromStdString(buildHighscoreCode(26480, 1, 40, "B").value());
        const QUrl url(highscoreAddress("vantrell-media.com", encoded, code), QUrl::StrictMode);
        QVERIFY(url.isValid());
        QCOMPARE(url.host(), QString("www.vantrell-media.com"));
        const QUrlQuery query(url);
        QCOMPARE(query.queryItemValue("ziel"), QString("medsudokuhighscore"));
        QCOMPARE(query.queryItemValue("name", QUrl::FullyDecoded), name);
        QCOMPARE(query.queryItemValue("code"), code);
    }

    void firstAddressUsesTheFixedNamePart()
    {
        QCOMPARE(highscoreAddress("vantrell-media.de", "Sudokus%20Anonymus", "01234567890123456789012"),
                 QString("http://www.vantrell-media.de/index.php?ziel=medsudokuhighscore"
                         "&name=Sudokus%20Anonymus&code=01234567890123456789012"));
    }

};

QTEST_GUILESS_MAIN(TestHighscoreAddress)
#include "test_highscore_address.moc"
