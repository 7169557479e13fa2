// The game on screens of a higher device pixel ratio. CTest runs this program with
// QT_SCALE_FACTOR 1, 1.5 and 2; the main window of a game in each element set is saved
// in scaling/ for a look.
#include "core/random.h"
#include "play/board_lines.h"
#include "play/board_renderer.h"
#include "play/board_view.h"
#include "resources/pictures.h"
#include "support/app_fixture.h"
#include "widgets/controls.h"

#include <QDir>
#include <QMouseEvent>
#include <QtTest>

using namespace vantrell;
using namespace vantrell::testing;

namespace {

qreal scaleFactor()
{
    return qEnvironmentVariableIsSet("QT_SCALE_FACTOR") ? qEnvironmentVariable("QT_SCALE_FACTOR").toDouble() : 1.0;
}

const QRgb kDark = QColor(99, 106, 122).rgb();
const QRgb kThin = QColor(185, 189, 198).rgb();

// A seeded custom game: type entry (0 = 3x3 .. 7 = classic) and element entry (R B S K C).
void startGame(AppFixture &f, int typeEntry, int elementEntry)
{
    f.prog->show();
    f.prog->FormActivate();
    f.combo("cbspiel")->setCurrentIndex(7);
    f.combo("cbspielart")->setCurrentIndex(typeEntry);
    f.combo("cbelemente")->setCurrentIndex(elementEntry);
    RandSeed(23); // a classic grid found in the first pass
    f.prog->spielstartenClick();
}

PictureBox *board(AppFixture &f) { return f.find<PictureBox>("spielfeld"); }

QImage grabbed(QWidget *widget)
{
    QCoreApplication::processEvents(); // a queued redraw for the screen's ratio
    return widget->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

void save(const QImage &picture, const QString &name)
{
    QDir().mkpath(QStringLiteral("scaling"));
    picture.save(QStringLiteral("scaling/%1_at_%2.png").arg(name).arg(scaleFactor()));
}

QPoint subSquarePixel(int x, int y, int v)
{
    return {45 * (x - 1) + 15 * ((v - 1) % 3) + 7, 45 * (y - 1) + 15 * ((v - 1) / 3) + 7};
}

// A press and release where the platform puts them; between logical pixels at a
// fractional ratio.
void clickAt(QWidget *widget, Qt::MouseButton button, QPointF at)
{
    if (at == QPointF(at.toPoint()) && !at.isNull()) { // QTest takes (0, 0) for the middle
        QTest::mouseClick(widget, button, {}, at.toPoint());
        return;
    }
    QMouseEvent press(QEvent::MouseButtonPress, at, widget->mapToGlobal(at), button, button, {});
    QCoreApplication::sendEvent(widget, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, widget->mapToGlobal(at), button, {}, {});
    QCoreApplication::sendEvent(widget, &release);
}

// Mean difference of a colour channel (0..255) between two pictures of one size.
double meanDifference(const QImage &a, const QImage &b)
{
    double sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) + std::abs(qBlue(p) - qBlue(q));
        }
    return sum / (3.0 * a.width() * a.height());
}

QWidget *windowNamed(const QString &name)
{
    for (QWidget *window : QApplication::topLevelWidgets())
        if (window->objectName() == name)
            return window;
    return nullptr;
}

} // namespace

class TestScaling : public QObject {
    Q_OBJECT
    const qreal ratio = scaleFactor();

private slots:
    void initTestCase()
    {
        AppFixture f("en");
        f.prog->show();
        QCOMPARE(board(f)->devicePixelRatioF(), ratio);
    }

    // A game with entries and marks in each element set: the board is drawn for the
    // screen, not blown up from the 1x board, which stays as it is.
    void boardIsDrawnForTheScreen_data()
    {
        QTest::addColumn<int>("elements");
        const char *names[] = {"R", "B", "S", "K", "C"};
        for (int e = 0; e < 5; ++e)
            QTest::newRow(names[e]) << e;
    }
    void boardIsDrawnForTheScreen()
    {
        QFETCH(int, elements);
        AppFixture f("en");
        startGame(f, 7, elements);
        GameState &g = f.prog->game();
        int done = 0;
        for (int x = 1; x <= 9 && done < 16; ++x)
            for (int y = 1; y <= 9 && done < 16; ++y)
                if (g.eingabe(x, y) == 0) {
                    if (done % 2 == 0)
                        QTest::mouseClick(board(f), Qt::LeftButton, {}, subSquarePixel(x, y, g.loesung(x, y)));
                    else
                        for (int v : {1, 5, 9})
                            QTest::mouseClick(board(f), Qt::RightButton, {}, subSquarePixel(x, y, v));
                    ++done;
                }
        const QImage shown = grabbed(board(f));
        save(grabbed(f.prog), QStringLiteral("game_%1").arg(QLatin1Char("RBSKC"[elements])));

        const QImage plain = f.prog->boardPicture();
        QCOMPARE(plain.size(), QSize(405, 405));
        QCOMPARE(shown.size(), QSize(qRound(405 * ratio), qRound(405 * ratio)));
        if (ratio == 1) {
            QCOMPARE(shown, plain);
            return;
        }
        // Shown one to one as drawn.
        QCOMPARE(shown, board(f)->devicePicture().convertToFormat(QImage::Format_RGB32));
        // The same board: shrunk to 1x it is close to the 1x board (at a fractional ratio
        // less so, where the lines lie between 1x pixels).
        const bool whole = ratio == qFloor(ratio);
        const double difference =
            meanDifference(shown.scaled(plain.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation), plain);
        QVERIFY2(difference < (whole ? 2 : 12), qPrintable(QStringLiteral("mean difference %1").arg(difference)));
        // But not the 1x board blown up: the edges of elements and miniatures show detail
        // between the 1x pixels.
        const QImage blownUp = plain.scaled(shown.size(), Qt::IgnoreAspectRatio, Qt::FastTransformation);
        int differing = 0;
        for (int y = 0; y < shown.height(); ++y)
            for (int x = 0; x < shown.width(); ++x)
                differing += shown.pixel(x, y) != blownUp.pixel(x, y);
        QVERIFY2(differing > shown.width() * shown.height() / 20, qPrintable(QString::number(differing)));
        if (ratio == 2) {
            int detailed = 0; // 2x2 squares of more than one colour, which a doubling never has
            for (int y = 0; y < shown.height(); y += 2)
                for (int x = 0; x < shown.width(); x += 2)
                    detailed += shown.pixel(x, y) != shown.pixel(x + 1, y) || shown.pixel(x, y) != shown.pixel(x, y + 1)
                        || shown.pixel(x, y) != shown.pixel(x + 1, y + 1);
            QVERIFY2(detailed > 405 * 405 / 20, qPrintable(QString::number(detailed)));
        }
    }

    void linesHaveOneWidthPerKind_data()
    {
        QTest::addColumn<int>("typeEntry");
        QTest::addColumn<int>("elements");
        QTest::newRow("classic") << 7 << 0;
        QTest::newRow("free 6x6") << 3 << 3;
        QTest::newRow("free 4x4") << 1 << 4;
    }
    void linesHaveOneWidthPerKind()
    {
        QFETCH(int, typeEntry);
        QFETCH(int, elements);
        AppFixture f("en");
        startGame(f, typeEntry, elements);
        // Every candidate of every empty cell marked, the last one by a click: the cells
        // show their ground around their elements.
        GameState &g = f.prog->game();
        const int n = g.groesse;
        for (int x = 1; x <= n; ++x)
            for (int y = 1; y <= n; ++y)
                if (g.eingabe(x, y) == 0) {
                    for (int v = 2; v <= 9; ++v)
                        g.markierungen.value(x, y, v) = 1;
                    g.markierungen.value(x, y, 1) = 0;
                    QTest::mouseClick(board(f), Qt::RightButton, {}, subSquarePixel(x, y, 1));
                }
        const QImage shown = grabbed(board(f));
        save(shown, QStringLiteral("lines_%1x%1").arg(n));
        const QRgb ground = elements == 3 ? qRgb(255, 255, 255) : qRgb(204, 204, 204);
        const auto blockEdge = [&](int k) { return g.spielart == 1 ? k % 3 == 0 : k == 0 || k == n; };
        for (int c = 1; c <= n; ++c) {
            // A row (column) in the plain border above (left of) the elements.
            const int at = qRound((45 * (c - 1) + 3) * ratio);
            for (bool alongRow : {true, false}) {
                const QString wrong = checkLineRuns(lineRuns(shown, at, alongRow, ground), n, ratio, kThin, kDark,
                                                    shown.width(), blockEdge);
                QVERIFY2(wrong.isEmpty(),
                         qPrintable(QStringLiteral("%1 %2: %3").arg(alongRow ? "row" : "column").arg(at).arg(wrong)));
            }
        }
    }

    // Focus cues are the only new pixels, and only after a key: the board's outline fills the
    // rim of the focus cell inside its grid lines in the screen's own pixels; Tab puts a
    // frame on a picture button and nowhere else; a click takes both away again.
    void focusCuesOnlyAfterAKey()
    {
        AppFixture f("en");
        startGame(f, 7, 1);
        f.prog->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(f.prog));
        auto *view = f.find<BoardView>("spielfeld");
        auto *information = f.find<PictureBox>("Image2");
        const QImage board0 = grabbed(view), button0 = grabbed(information);
        QTest::mouseClick(view, Qt::MiddleButton, {}, subSquarePixel(3, 2, 5));
        QVERIFY(view->hasFocus());
        QCOMPARE(grabbed(view), board0);

        QTest::keyClick(view, Qt::Key_Right);
        const QImage keyed = grabbed(view);
        save(keyed, QStringLiteral("focus_outline"));
        const QRect inner = cellInterior(9, 4, 2, ratio);
        const int w = focusOutlineWidth(ratio);
        const QRegion rim = QRegion(inner) - QRegion(inner.adjusted(w, w, -w, -w));
        for (int y = 0; y < keyed.height(); ++y)
            for (int x = 0; x < keyed.width(); ++x) {
                const QRgb want = rim.contains(QPoint(x, y)) ? kFocusOutlineColour.rgb() : board0.pixel(x, y);
                QVERIFY2(keyed.pixel(x, y) == want, qPrintable(QStringLiteral("pixel %1,%2").arg(x).arg(y)));
            }

        QTest::keyClick(view, Qt::Key_Tab);
        QVERIFY(information->hasFocus());
        QCOMPARE(grabbed(view), board0);
        const QImage framed = grabbed(information);
        save(grabbed(f.prog), QStringLiteral("focus_frame"));
        int frame = 0;
        for (int y = 0; y < framed.height(); ++y)
            for (int x = 0; x < framed.width(); ++x)
                if (framed.pixel(x, y) != button0.pixel(x, y)) {
                    ++frame;
                    QCOMPARE(framed.pixel(x, y), qRgb(0, 0, 0));
                }
        QVERIFY2(frame > framed.width(), qPrintable(QString::number(frame))); // a dotted line around the caption

        QTest::mouseClick(f.find<PictureBox>("Image1"), Qt::LeftButton); // the title: no focus
        QVERIFY(information->hasFocus());
        QCOMPARE(grabbed(information), button0);
    }

    // The mouse hits the logical pixel it is on, however the screen's pixels divide it.
    void clicksHitTheSubSquareUnderThem_data()
    {
        QTest::addColumn<QPointF>("at");
        QTest::addColumn<QPoint>("cell");
        QTest::addColumn<QPoint>("subSquare");
        QTest::newRow("first pixel of the board") << QPointF(0, 0) << QPoint(1, 1) << QPoint(1, 1);
        QTest::newRow("last pixel of a sub-square") << QPointF(14, 14) << QPoint(1, 1) << QPoint(1, 1);
        QTest::newRow("within that last pixel") << QPointF(14 + 2 / 3.0, 14.5) << QPoint(1, 1) << QPoint(1, 1);
        QTest::newRow("first pixel of the next") << QPointF(15, 15) << QPoint(1, 1) << QPoint(2, 2);
        QTest::newRow("last pixel of the middle one") << QPointF(29, 29) << QPoint(1, 1) << QPoint(2, 2);
        QTest::newRow("first pixel of a cell") << QPointF(180, 225) << QPoint(5, 6) << QPoint(1, 1);
        QTest::newRow("last pixel of a cell") << QPointF(224, 269) << QPoint(5, 6) << QPoint(3, 3);
        QTest::newRow("within that last pixel too") << QPointF(224.5, 269 + 2 / 3.0) << QPoint(5, 6) << QPoint(3, 3);
        QTest::newRow("last pixel of the board") << QPointF(404, 404) << QPoint(9, 9) << QPoint(3, 3);
        QTest::newRow("within the board's last pixel") << QPointF(404 + 2 / 3.0, 404.5) << QPoint(9, 9) << QPoint(3, 3);
    }
    void clicksHitTheSubSquareUnderThem()
    {
        QFETCH(QPointF, at);
        QFETCH(QPoint, cell);
        QFETCH(QPoint, subSquare);
        AppFixture f("en");
        startGame(f, 7, 1);
        GameState &g = f.prog->game();
        g.vorgabe(cell.x(), cell.y()) = g.eingabe(cell.x(), cell.y()) = 0;
        const FlagSet before = g.markierungen;
        clickAt(board(f), Qt::RightButton, at);
        for (int x = 1; x <= 9; ++x)
            for (int y = 1; y <= 9; ++y)
                for (int v = 1; v <= 9; ++v) {
                    const bool hit = QPoint(x, y) == cell && v == subSquare.x() + 3 * (subSquare.y() - 1);
                    QVERIFY2((g.markierungen.value(x, y, v) != before.value(x, y, v)) == hit,
                             qPrintable(QStringLiteral("cell %1,%2 value %3").arg(x).arg(y).arg(v)));
                }
    }

    // The window pictures come at twice the size where the screen is denser, so their
    // lettering is as sharp as the windows' own.
    void windowPicturesAreSharp_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("file");
        QTest::newRow("title") << "prog" << "Image1" << "title.jpg";
        QTest::newRow("splash") << "start" << "Image2" << "splash_en.jpg";
        QTest::newRow("without highscore") << "gew_kein" << "Image3" << "gew_kein_en.jpg";
        QTest::newRow("with highscore") << "gew_high" << "Image1" << "gew_high_de.jpg";
        QTest::newRow("print dialog") << "druckfenster" << "Image4" << "druck_en.jpg";
        QTest::newRow("help header") << "hilfe" << "Image2" << "help_header_de.jpg";
        QTest::newRow("donation") << "hilfe_en" << "Image1" << "donate.jpg";
    }
    void windowPicturesAreSharp()
    {
        QFETCH(QString, window);
        QFETCH(QString, box);
        QFETCH(QString, file);
        AppFixture f("en");
        QWidget *owner = windowNamed(window);
        QVERIFY(owner);
        auto *picture = owner->findChild<PictureBox *>(box);
        QVERIFY(picture);
        const QImage shown = grabbed(picture);
        const QImage plain = builtInPicture(file);
        QCOMPARE(shown.size(), QSize(qRound(plain.width() * ratio), qRound(plain.height() * ratio)));
        if (ratio == 1) {
            QCOMPARE(shown, plain);
            QVERIFY(picture->devicePicture().isNull()); // nothing more is read
            return;
        }
        const QImage twice = builtInPicture(file, ratio);
        QCOMPARE(twice.devicePixelRatio(), 2.0);
        if (ratio == 2) {
            QCOMPARE(shown, twice);
            return;
        }
        // Scaled down smoothly from twice the size, not blown up from the plain picture.
        const double fromTwice =
            meanDifference(shown, twice.scaled(shown.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
        const double fromPlain =
            meanDifference(shown, plain.scaled(shown.size(), Qt::IgnoreAspectRatio, Qt::FastTransformation));
        QVERIFY2(fromPlain > 2 * fromTwice,
                 qPrintable(QStringLiteral("%1 from twice the size, %2 from the plain picture").arg(fromTwice).arg(fromPlain)));
    }
};

QTEST_MAIN(TestScaling)
#include "test_scaling.moc"
