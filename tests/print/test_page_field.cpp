#include "print/page_field.h"
#include "print/puzzles.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QtTest>

using namespace vantrell;
using vantrell::testing::generatedPuzzle;

namespace {

const QString kLong = QStringLiteral("Vantrell Sudoku - vantrell-media.com");
const QString kShort = QStringLiteral("Sudoku - vantrell-media.com");

// Some cells given, some empty.
GameState puzzle(int spielart)
{
    const int n = spielart == 1 ? 9 : spielart;
    return generatedPuzzle(spielart, n * n / 2, 20240 + spielart);
}

bool isBlack(QRgb c) { return (c & 0xffffff) == 0; }
bool isWhite(QRgb c) { return (c & 0xffffff) == 0xffffff; }
bool isDark(QRgb c) { return qGray(c) < 128; }

// The expected text, drawn on its own: top-left of the text cell at (x, y).
QImage textAlone(QSize size, int x, int y, const QString &text, int pixels)
{
    QImage picture(size, QImage::Format_RGB32);
    picture.fill(Qt::white);
    QFont font(QStringLiteral("Verdana"));
    font.setStyleHint(QFont::SansSerif);
    font.setStyleStrategy(QFont::NoSubpixelAntialias);
    font.setPixelSize(pixels);
    QPainter p(&picture);
    p.setFont(font);
    p.setPen(Qt::black);
    p.drawText(x, y + QFontMetrics(font).ascent(), text);
    return picture;
}

// The first pixel of area where the two pictures differ, or an empty string.
QString firstDifference(const QImage &actual, const QImage &expected, const QRect &area)
{
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (actual.pixel(x, y) != expected.pixel(x, y))
                return QStringLiteral("(%1, %2): %3 instead of %4")
                    .arg(x).arg(y).arg(actual.pixel(x, y) & 0xffffff, 6, 16, QLatin1Char('0'))
                    .arg(expected.pixel(x, y) & 0xffffff, 6, 16, QLatin1Char('0'));
    return {};
}

int firstDarkRow(const QImage &picture, int fromRow)
{
    for (int y = fromRow; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            if (isDark(picture.pixel(x, y)))
                return y;
    return -1;
}

void addBoardRows()
{
    QTest::addColumn<int>("spielart");
    QTest::addColumn<int>("side");
    QTest::newRow("3x3 free") << 3 << 155;
    QTest::newRow("4x4 free") << 4 << 200;
    QTest::newRow("5x5 free") << 5 << 245;
    QTest::newRow("9x9 free") << 9 << 425;
    QTest::newRow("classic") << 1 << 425;
}

} // namespace

class TestPageField : public QObject {
    Q_OBJECT
private slots:
    void linesAndMargins_data() { addBoardRows(); }
    void linesAndMargins()
    {
        QFETCH(int, spielart);
        QFETCH(int, side);
        const GameState s = puzzle(spielart);
        const int n = s.groesse;
        const bool classic = spielart == 1;
        const QImage pic = drawPageField(s, kLong, kShort);
        QCOMPARE(pic.size(), QSize(side, side));
        QCOMPARE(pic.format(), QImage::Format_RGB32);

        const int end = 45 * n + 5;
        for (int k = 0; k <= n; ++k) {
            const int c = 45 * k + 5;
            for (int t = 5; t <= end; ++t) {
                QVERIFY2(isBlack(pic.pixel(c, t)), qPrintable(QStringLiteral("vertical line %1 at y %2").arg(c).arg(t)));
                QVERIFY2(isBlack(pic.pixel(t, c)), qPrintable(QStringLiteral("horizontal line %1 at x %2").arg(c).arg(t)));
            }
            // Beside a line, in the middle of every cell row: black only for block lines.
            const bool block = classic && k % 3 == 0;
            for (int j = 0; j < n; ++j) {
                const int mid = 45 * j + 27;
                for (int beside : {c - 1, c + 1}) {
                    QCOMPARE(isBlack(pic.pixel(beside, mid)), block);
                    QCOMPARE(isBlack(pic.pixel(mid, beside)), block);
                    if (!block) {
                        QVERIFY(isWhite(pic.pixel(beside, mid)));
                        QVERIFY(isWhite(pic.pixel(mid, beside)));
                    }
                }
            }
        }

        // Margins: nothing above or left of the grid but the outer block lines, nothing
        // right of it above the footer.
        for (int t = 0; t < side; ++t)
            for (int m = 0; m < 4; ++m) {
                QVERIFY(isWhite(pic.pixel(t, m)));
                QVERIFY(isWhite(pic.pixel(m, t)));
            }
        for (int t = 5; t < end - 1; ++t) {
            QCOMPARE(isBlack(pic.pixel(t, 4)), classic);
            QCOMPARE(isBlack(pic.pixel(4, t)), classic);
        }
        for (int y = 0; y <= end; ++y)
            for (int x = end + (classic ? 2 : 1); x < side; ++x)
                QVERIFY2(isWhite(pic.pixel(x, y)), qPrintable(QStringLiteral("(%1, %2)").arg(x).arg(y)));
    }

    // Given cells show their value at (45(x-1)+17, 45(y-1)+8); the others stay empty.
    void digitsInGivenCellsOnly_data() { addBoardRows(); }
    void digitsInGivenCellsOnly()
    {
        QFETCH(int, spielart);
        const GameState s = puzzle(spielart);
        const QImage pic = drawPageField(s, kLong, kShort);
        int given = 0;
        for (int x = 1; x <= s.groesse; ++x)
            for (int y = 1; y <= s.groesse; ++y) {
                const QRect inside(45 * (x - 1) + 7, 45 * (y - 1) + 7, 37, 37);
                const int value = s.vorgabe(x, y);
                QImage expected(pic.size(), QImage::Format_RGB32);
                expected.fill(Qt::white);
                if (value != 0) {
                    ++given;
                    expected = textAlone(pic.size(), inside.left() + 10, inside.top() + 1, QString::number(value), 33);
                }
                const QString diff = firstDifference(pic, expected, inside);
                QVERIFY2(diff.isEmpty(), qPrintable(QStringLiteral("cell (%1, %2) value %3: %4").arg(x).arg(y).arg(value).arg(diff)));
            }
        QCOMPARE(given, s.aufgedeckt);
    }

    void digitsWhateverElementSet_data()
    {
        QTest::addColumn<char>("elemente");
        for (char letter : {'R', 'B', 'S', 'C'})
            QTest::addRow("%c", letter) << letter;
    }
    void digitsWhateverElementSet()
    {
        QFETCH(char, elemente);
        GameState s = puzzle(1);
        const QImage classicDigits = drawPageField(s, kLong, kShort);
        s.elemente = elemente;
        QCOMPARE(drawPageField(s, kLong, kShort), classicDigits);
    }

    void footer_data()
    {
        QTest::addColumn<int>("spielart");
        QTest::addColumn<int>("top");
        QTest::addColumn<QString>("text");
        QTest::newRow("3x3 free") << 3 << 141 << kShort;
        QTest::newRow("4x4 free") << 4 << 186 << kShort;
        QTest::newRow("5x5 free") << 5 << 231 << kLong;
        QTest::newRow("8x8 free") << 8 << 366 << kLong;
        QTest::newRow("9x9 free") << 9 << 411 << kLong;
        QTest::newRow("classic") << 1 << 412 << kLong;
    }
    void footer()
    {
        QFETCH(int, spielart);
        QFETCH(int, top);
        QFETCH(QString, text);
        const QImage pic = drawPageField(puzzle(spielart), kLong, kShort);
        const QImage expected = textAlone(pic.size(), 5, top, text, 11);
        // Everything below the last grid line is the footer and nothing else.
        const int below = pic.height() - 20 + 7;
        QCOMPARE(firstDarkRow(pic, below), firstDarkRow(expected, below));
        const QString diff = firstDifference(pic, expected, QRect(0, below, pic.width(), pic.height() - below));
        QVERIFY2(diff.isEmpty(), qPrintable(diff));
    }

    // Setting up a page field: the 1x1 (or 15x15) white picture is enlarged, width first,
    // then drawn on; the result is the same as a fresh page field.
    void setUpFromASmallPicture_data()
    {
        QTest::addColumn<QSize>("before");
        QTest::newRow("cleared 1x1") << QSize(1, 1);
        QTest::newRow("program start 15x15") << QSize(15, 15);
    }
    void setUpFromASmallPicture()
    {
        QFETCH(QSize, before);
        const GameState s = puzzle(1);
        QImage field(before, QImage::Format_RGB32);
        field.fill(Qt::white);
        const int side = pageFieldSide(s.groesse);
        field = resizedPicture(field, side, field.height());
        field = resizedPicture(field, side, side);
        drawPageFieldInto(field, s, kLong, kShort);
        QCOMPARE(field, drawPageField(s, kLong, kShort));
    }

    // Drawn at another scale and place, as on the printed page: the lines land on the
    // scaled pixels and nothing, not even an overlong footer, leaves the square.
    void scaledIntoASquare_data()
    {
        QTest::addColumn<int>("spielart");
        QTest::newRow("3x3 free") << 3;
        QTest::newRow("classic") << 1;
    }
    void scaledIntoASquare()
    {
        QFETCH(int, spielart);
        constexpr int scale = 4;
        const QPoint at(37, 23);
        const QString overlong(300, QLatin1Char('W'));
        const PageFieldPuzzle record = pageFieldPuzzle(puzzle(spielart), overlong, overlong);
        const int n = record.groesse;
        const int side = pageFieldSide(n);
        QImage canvas = whitePicture(scale * side + 100, scale * side + 100);
        {
            QPainter p(&canvas);
            p.translate(at);
            p.scale(scale, scale);
            drawPageField(p, record);
        }
        const QRect square(at, QSize(scale * side, scale * side));
        for (int y = 0; y < canvas.height(); ++y)
            for (int x = 0; x < canvas.width(); ++x)
                if (!square.contains(x, y))
                    QVERIFY2(isWhite(canvas.pixel(x, y)), qPrintable(QStringLiteral("ink at (%1, %2)").arg(x).arg(y)));

        const bool classic = spielart == 1;
        for (int k = 0; k <= n; ++k) {
            const bool block = classic && k % 3 == 0;
            // The pixels the line covers across, scaled: 45k + 5 alone, or 45k + 4 to 45k + 6.
            const int first = scale * (45 * k + 5 - (block ? 1 : 0));
            const int last = scale * (45 * k + 5 + (block ? 2 : 1)) - 1;
            for (int j = 0; j < n; ++j) {
                const int along = scale * (45 * j + 27);
                for (int c = first - 1; c <= last + 1; ++c) {
                    const bool inside = c >= first && c <= last;
                    const QRgb vertical = canvas.pixel(at.x() + c, at.y() + along);
                    const QRgb horizontal = canvas.pixel(at.x() + along, at.y() + c);
                    QVERIFY2(inside ? isBlack(vertical) : isWhite(vertical),
                             qPrintable(QStringLiteral("line %1, vertical at %2").arg(k).arg(c)));
                    QVERIFY2(inside ? isBlack(horizontal) : isWhite(horizontal),
                             qPrintable(QStringLiteral("line %1, horizontal at %2").arg(k).arg(c)));
                }
            }
        }
    }

    // A picture stands for its puzzle only when it is exactly what the puzzle draws; a
    // broken puzzle stands for nothing and draws nothing.
    void pictureShowsPuzzle_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<bool>("shows");
        QTest::newRow("its own picture") << "" << true;
        QTest::newRow("one pixel off") << "pixel" << false;
        QTest::newRow("another puzzle") << "puzzle" << false;
        QTest::newRow("another footer") << "footer" << false;
        QTest::newRow("cleared picture") << "cleared" << false;
        QTest::newRow("no side") << "side 0" << false;
        QTest::newRow("side beyond the game") << "side 10" << false;
        QTest::newRow("givens missing") << "givens" << false;
    }
    void pictureShowsPuzzle()
    {
        QFETCH(QString, change);
        QFETCH(bool, shows);
        PageFieldPuzzle record = pageFieldPuzzle(puzzle(5), kLong, kShort);
        QImage picture = drawPageField(record);
        bool broken = false;
        if (change == QLatin1String("pixel"))
            picture.setPixel(100, 100, picture.pixel(100, 100) ^ 0x010101);
        else if (change == QLatin1String("puzzle"))
            picture = drawPageField(pageFieldPuzzle(generatedPuzzle(5, 12, 99), kLong, kShort));
        else if (change == QLatin1String("footer"))
            record.footerLong = kShort;
        else if (change == QLatin1String("cleared"))
            picture = whitePicture(1, 1);
        else if (change.startsWith(QLatin1String("side")))
            broken = true, record.groesse = change.mid(5).toInt();
        else if (change == QLatin1String("givens"))
            broken = true, record.givens.pop_back();
        QCOMPARE(pageFieldShows(picture, record), shows);
        QCOMPARE(record.isValid(), !broken);
        if (broken) {
            QVERIFY(drawPageField(record).isNull());
            QImage canvas = whitePicture(500, 500);
            {
                QPainter p(&canvas);
                drawPageField(p, record);
            }
            QCOMPARE(canvas, whitePicture(500, 500));
        }
    }
};

QTEST_MAIN(TestPageField)
#include "test_page_field.moc"
