#include "core/generator.h"
#include "core/puzzle.h"
#include "core/random.h"
#include "play/board_lines.h"
#include "play/board_renderer.h"
#include "resources/pictures.h"

#include <QDir>
#include <QtTest>

#include <limits>

using namespace vantrell;
using namespace vantrell::testing;

namespace {

const QRgb kDark = QColor(99, 106, 122).rgb();
const QRgb kThin = QColor(185, 189, 198).rgb();
const QRgb kGrey = QColor(204, 204, 204).rgb();
const QRgb kWhite = QColor(Qt::white).rgb();

// A board with its picture lists, as the main window holds them.
struct Board {
    QObject owner;
    BoardPictures lists = createPictureLists(&owner);
    GameState state;
    BoardCanvas canvas;
    BoardBitmaps bitmaps;

    Board(int spielart, char elemente, qreal ratio = 1)
    {
        state.spielart = spielart;
        state.groesse = spielart == 1 ? 9 : spielart;
        state.elemente = elemente;
        prepareBoard(canvas, spielart, state.groesse, ratio);
    }
    // Entries, a given cell and marks, in the first row.
    void play()
    {
        state.vorgabe(1, 1) = state.eingabe(1, 1) = 3;
        state.eingabe(2, 1) = 7;
        state.markierungen.value(3, 1, 5) = 1;
        state.markierungen.value(3, 1, 9) = 1;
        state.markierungen.value(2, 1, 1) = 1; // hidden under the entry
    }
    // Every candidate of every cell marked: the cells show nothing but their ground.
    void markEverything()
    {
        for (int x = 1; x <= state.groesse; ++x)
            for (int y = 1; y <= state.groesse; ++y)
                for (int v = 1; v <= 9; ++v)
                    state.markierungen.value(x, y, v) = 1;
    }
    void drawAll() { Ausgabe(canvas, state, lists, bitmaps, 1, state.groesse, 1, state.groesse); }
    void drawCell(int x, int y) { Ausgabe(canvas, state, lists, bitmaps, x, x, y, y); }
    // By the list's name, so a list the drawing mixes up shows.
    const PictureList &list(const char *kind) const
    {
        return *owner.findChild<const PictureList *>(QString(QLatin1Char(state.elemente)) + QLatin1String(kind));
    }
};

// The pixels of a sub-square that no grid line covers.
QRect subSquareInterior(int x, int y, int sx, int sy)
{
    const int left = 45 * (x - 1) + 15 * (sx - 1) + (sx == 1 ? 1 : 0);
    const int top = 45 * (y - 1) + 15 * (sy - 1) + (sy == 1 ? 1 : 0);
    const int right = 45 * (x - 1) + 15 * sx - 1 - (sx == 3 ? 1 : 0);
    const int bottom = 45 * (y - 1) + 15 * sy - 1 - (sy == 3 ? 1 : 0);
    return QRect(QPoint(left, top), QPoint(right, bottom));
}

bool uniform(const QImage &picture, const QRect &area, QRgb colour)
{
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (picture.pixel(x, y) != colour)
                return false;
    return true;
}

// The cell's pixels (lines excluded) equal picture k of the list.
bool cellShows(const QImage &board, int x, int y, const PictureList &list, int k)
{
    const QImage &picture = list.picture(k);
    for (int py = 1; py <= 43; ++py)
        for (int px = 1; px <= 43; ++px)
            if (board.pixel(45 * (x - 1) + px, 45 * (y - 1) + py) != picture.pixel(px, py))
                return false;
    return true;
}

QString outputDir()
{
    const QString dir = QDir::current().filePath(QStringLiteral("boards"));
    QDir().mkpath(dir);
    return dir;
}

} // namespace

class TestBoardRenderer : public QObject {
    Q_OBJECT
private slots:
    void freeBoardHasOnlyTheOuterFrameDark()
    {
        Board b(4, 'B');
        b.drawAll();
        const QImage &p = b.canvas.picture;
        QCOMPARE(p.size(), QSize(180, 180));
        for (int i = 0; i < 180; ++i) {
            QCOMPARE(p.pixel(0, i), kDark);
            QCOMPARE(p.pixel(179, i), kDark);
            QCOMPARE(p.pixel(i, 0), kDark);
            QCOMPARE(p.pixel(i, 179), kDark);
        }
        for (int c : {44, 45, 89, 90, 134, 135}) {
            QCOMPARE(p.pixel(c, 100), kThin);
            QCOMPARE(p.pixel(100, c), kThin);
        }
    }

    void classicBoardHasBlockLines()
    {
        Board b(1, 'R');
        b.drawAll();
        const QImage &p = b.canvas.picture;
        QCOMPARE(p.size(), QSize(405, 405));
        for (int c : {0, 134, 135, 269, 270, 404}) {
            QCOMPARE(p.pixel(c, 200), kDark);
            QCOMPARE(p.pixel(200, c), kDark);
        }
        for (int c : {44, 45, 89, 90, 179, 180}) {
            QCOMPARE(p.pixel(c, 200), kThin);
            QCOMPARE(p.pixel(200, c), kThin);
        }
        QCOMPARE(p.pixel(136, 200) == kDark, false);
    }

    void emptyRangeDrawsOnlyLines()
    {
        Board b(3, 'B');
        b.state.eingabe(2, 2) = 1;
        Ausgabe(b.canvas, b.state, b.lists, b.bitmaps, 2, 1, 1, 3);
        const QImage &p = b.canvas.picture;
        QCOMPARE(p.pixel(67, 67), kWhite); // the canvas brush before the first drawing
        QCOMPARE(p.pixel(45, 10), kThin);
        QCOMPARE(b.canvas.brush, kBoardBrushAfterDrawing);
        // The next preparation fills with silver.
        prepareBoard(b.canvas, 3, 3);
        QCOMPARE(p.pixel(67, 67), QColor(192, 192, 192).rgb());
    }

    void cellsComeFromTheirLists_data()
    {
        QTest::addColumn<char>("letter");
        for (char c : {'R', 'B', 'S', 'K', 'C'})
            QTest::addRow("%c", c) << c;
    }
    void cellsComeFromTheirLists()
    {
        QFETCH(char, letter);
        Board b(5, letter);
        b.state.vorgabe(1, 1) = b.state.eingabe(1, 1) = 3; // given
        b.state.eingabe(2, 1) = 3;                          // entered
        for (int v = 1; v <= 9; ++v)
            b.state.markierungen.value(1, 1, v) = 1; // marks of a given cell never show
        b.state.markierungen.value(3, 1, 5) = 1;     // a mark in an empty cell
        b.drawAll();
        const QImage &p = b.canvas.picture;
        QVERIFY(cellShows(p, 1, 1, b.list("fest"), 3));
        QVERIFY(cellShows(p, 2, 1, b.list("normal"), 3));
        QVERIFY(!cellShows(p, 2, 1, b.list("fest"), 3));
        QVERIFY(cellShows(p, 4, 4, b.list("normal"), 0));
        const QRgb markColour = letter == 'K' ? kWhite : kGrey;
        QVERIFY(uniform(p, subSquareInterior(3, 1, 2, 2), markColour));
        QVERIFY(!uniform(p, subSquareInterior(4, 1, 2, 2), markColour)); // unmarked: the miniature shows
    }

    void markUnderAValueShowsAgainWhenEmptied()
    {
        Board b(4, 'B');
        b.state.markierungen.value(2, 3, 1) = 1;
        b.state.eingabe(2, 3) = 4;
        b.drawAll();
        QVERIFY(cellShows(b.canvas.picture, 2, 3, b.list("normal"), 4));
        b.state.eingabe(2, 3) = 0;
        b.drawCell(2, 3);
        QVERIFY(uniform(b.canvas.picture, subSquareInterior(2, 3, 1, 1), kGrey));
        QVERIFY(!uniform(b.canvas.picture, subSquareInterior(2, 3, 2, 1), kGrey));
    }

    void valuesAboveTheSideShowBlankAfterGeneration()
    {
        RandSeed(11);
        Board b(5, 'S');
        QVERIFY(Spiel2Generieren(b.state));
        b.state.aufgedeckt = 6;
        Spiel3Vorbereiten(b.state);
        b.drawAll();
        for (int x = 1; x <= 5; ++x)
            for (int y = 1; y <= 5; ++y) {
                if (b.state.eingabe(x, y) != 0)
                    continue;
                for (int v = 1; v <= 9; ++v) {
                    const QRect square = subSquareInterior(x, y, FlagSet::subX(v), FlagSet::subY(v));
                    QCOMPARE(uniform(b.canvas.picture, square, kGrey), v > 5);
                }
            }
    }

    void deviceLinesHaveOneWidthPerKind_data()
    {
        QTest::addColumn<int>("spielart");
        QTest::addColumn<qreal>("ratio");
        for (qreal ratio : {2.0, 3.0, 1.5, 1.25, 1.75})
            for (int spielart : {1, 4, 6})
                QTest::addRow("%s at %g", spielart == 1 ? "classic" : spielart == 4 ? "free 4x4" : "free 6x6", ratio)
                    << spielart << ratio;
    }
    void deviceLinesHaveOneWidthPerKind()
    {
        QFETCH(int, spielart);
        QFETCH(qreal, ratio);
        Board b(spielart, 'B', ratio);
        b.markEverything();
        b.drawAll();
        const int n = b.state.groesse;
        const QImage &p = b.canvas.devicePicture;
        QCOMPARE(p.devicePixelRatio(), ratio);
        QCOMPARE(p.size(), QSize(qRound(45 * n * ratio), qRound(45 * n * ratio)));
        const auto blockEdge = [&](int k) { return spielart == 1 ? k % 3 == 0 : k == 0 || k == n; };
        for (int y = 1; y <= n; ++y) {
            const int middle = qRound((45 * (y - 1) + 22) * ratio);
            for (bool alongRow : {true, false}) {
                const QString wrong =
                    checkLineRuns(lineRuns(p, middle, alongRow, kGrey), n, ratio, kThin, kDark, p.width(), blockEdge);
                QVERIFY2(wrong.isEmpty(),
                         qPrintable(QStringLiteral("%1 %2: %3").arg(alongRow ? "row" : "column").arg(middle).arg(wrong)));
            }
        }
    }

    void deviceCellsComeFromTheTwiceSizeLists_data() { cellsComeFromTheirLists_data(); }
    void deviceCellsComeFromTheTwiceSizeLists()
    {
        QFETCH(char, letter);
        Board b(5, letter, 2);
        b.play();
        b.drawAll();
        const QImage &p = b.canvas.devicePicture;
        const auto strip = [&](const char *kind) {
            return builtInPicture(QStringLiteral("%1%2@2x.png").arg(QLatin1Char(letter)).arg(QLatin1String(kind)));
        };
        // The cell's pixels inside its lines are the picture of the twice-size strip.
        const auto cellShowsTwice = [&](int x, int y, const QImage &strip, int k) {
            for (int py = 2; py < 88; ++py)
                for (int px = 2; px < 88; ++px)
                    if (p.pixel(90 * (x - 1) + px, 90 * (y - 1) + py) != strip.pixel(90 * k + px, py))
                        return false;
            return true;
        };
        QVERIFY(cellShowsTwice(1, 1, strip("fest"), 3));
        QVERIFY(cellShowsTwice(2, 1, strip("normal"), 7));
        QVERIFY(cellShowsTwice(4, 4, strip("normal"), 0));
        const QRgb markColour = letter == 'K' ? kWhite : kGrey;
        QVERIFY(uniform(p, QRect(90 * 2 + 30, 30, 30, 30), markColour));
        QVERIFY(uniform(p, QRect(90 * 2 + 60, 60, 28, 28), markColour));
        QVERIFY(!uniform(p, QRect(90 * 3 + 30, 30, 30, 30), markColour));
        QVERIFY(!uniform(p, QRect(90 * 2 + 2, 2, 28, 28), markColour)); // value 1 of cell 3 is not marked
    }

    // A board drawn for one screen and then moved to another is drawn as if it had been
    // drawn there from the start; the 1x picture never changes.
    void ratioChangeDrawsTheBoardAgain_data()
    {
        QTest::addColumn<qreal>("from");
        QTest::addColumn<qreal>("to");
        QTest::addColumn<bool>("drawn");
        QTest::newRow("1 to 2") << 1.0 << 2.0 << true;
        QTest::newRow("2 to 1.5") << 2.0 << 1.5 << true;
        QTest::newRow("1.5 to 1") << 1.5 << 1.0 << true;
        QTest::newRow("1 to 2, prepared only") << 1.0 << 2.0 << false;
        QTest::newRow("1 to not a number") << 1.0 << std::numeric_limits<qreal>::quiet_NaN() << true;
        QTest::newRow("2 to 0") << 2.0 << 0.0 << true;
        QTest::newRow("2 to -3") << 2.0 << -3.0 << true;
        QTest::newRow("1 to infinity") << 1.0 << std::numeric_limits<qreal>::infinity() << true;
        QTest::newRow("2 to 40") << 2.0 << 40.0 << true;
    }
    void ratioChangeDrawsTheBoardAgain()
    {
        QFETCH(qreal, from);
        QFETCH(qreal, to);
        QFETCH(bool, drawn);
        const qreal usable = std::isnan(to) || to <= 1 ? 1 : qMin(to, 4.0);
        Board moved(6, 'S', from), direct(6, 'S', usable), plain(6, 'S');
        for (Board *b : {&moved, &direct, &plain}) {
            b->play();
            if (drawn)
                b->drawAll();
        }
        QCOMPARE(setBoardDeviceRatio(moved.canvas, to, moved.state, moved.lists), usable != from);
        QCOMPARE(moved.canvas.deviceRatio, usable);
        QCOMPARE(moved.canvas.devicePicture.isNull(), usable == 1);
        QCOMPARE(moved.canvas.devicePicture, direct.canvas.devicePicture);
        QCOMPARE(moved.canvas.picture, plain.canvas.picture);
        QVERIFY(!setBoardDeviceRatio(moved.canvas, to, moved.state, moved.lists));

        // Clicks after the move draw on the new picture.
        for (Board *b : {&moved, &direct}) {
            b->state.eingabe(3, 3) = 2;
            b->drawCell(3, 3);
        }
        QCOMPARE(moved.canvas.devicePicture, direct.canvas.devicePicture);
    }

    // Boards a player would see, saved for a look: classic and free 6x6 in every set.
    void savesSampleBoards()
    {
        for (int spielart : {1, 6}) {
            for (char letter : {'R', 'B', 'S', 'K', 'C'}) {
                RandSeed(static_cast<std::uint64_t>(spielart * 100 + letter));
                Board b(spielart, letter);
                QVERIFY(Spiel2Generieren(b.state));
                b.state.aufgedeckt = spielart == 1 ? 30 : 14;
                Spiel3Vorbereiten(b.state);
                int entered = 0;
                for (int x = 1; x <= b.state.groesse && entered < 6; ++x)
                    for (int y = 1; y <= b.state.groesse && entered < 6; ++y)
                        if (b.state.eingabe(x, y) == 0 && (x + y) % 3 == 0) {
                            b.state.eingabe(x, y) = b.state.loesung(x, y);
                            ++entered;
                        }
                for (int x = 1; x <= b.state.groesse; x += 2)
                    b.state.markierungen.value(x, b.state.groesse, (x % 3) + 1) = 1;
                b.drawAll();
                const QString name = QStringLiteral("%1/board_%2_%3.png")
                                         .arg(outputDir(), spielart == 1 ? QStringLiteral("classic") : QStringLiteral("free6"))
                                         .arg(QLatin1Char(letter));
                QVERIFY(b.canvas.picture.save(name));
            }
        }
    }
};

QTEST_MAIN(TestBoardRenderer)
#include "test_board_renderer.moc"
