// The game on screens of a higher device pixel ratio. CTest runs this program with
// QT_SCALE_FACTOR 1, 1.5 and 2; the main window of a game in each element set is saved
// in scaling/ for a look.
#include "core/random.h"
#include "play/board_lines.h"
#include "play/board_renderer.h"
#include "play/board_view.h"
#include "print/u_druckfenster.h"
#include "resources/pictures.h"
#include "results/result_controls.h"
#include "support/app_fixture.h"
#include "widgets/controls.h"
#include "widgets/page_control.h"
#include "widgets/status_bar.h"

#include <QDir>
#include <QGroupBox>
#include <QMouseEvent>
#include <QPainter>
#include <QToolButton>
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

// Every candidate of every empty cell marked, the last one by a click: the cells show
// their ground around their elements.
void showGroundOnly(AppFixture &f)
{
    GameState &g = f.prog->game();
    for (int x = 1; x <= g.groesse; ++x)
        for (int y = 1; y <= g.groesse; ++y)
            if (g.eingabe(x, y) == 0) {
                for (int v = 2; v <= 9; ++v)
                    g.markierungen.value(x, y, v) = 1;
                g.markierungen.value(x, y, 1) = 0;
                QTest::mouseClick(board(f), Qt::RightButton, {}, subSquarePixel(x, y, 1));
            }
}

// The screen pixels a control covers in the picture of its window: from its left edge to
// its right edge, each rounded to the nearest pixel (as Qt clips it).
QRect pixelsOf(const QWidget *widget)
{
    const qreal r = widget->devicePixelRatioF();
    const QPoint at = widget->mapTo(widget->window(), QPoint(0, 0));
    const int left = qRound(at.x() * r), top = qRound(at.y() * r);
    return {left, top, qRound((at.x() + widget->width()) * r) - left, qRound((at.y() + widget->height()) * r) - top};
}

// Whether a pixel is ink of text or lines on the windows' light grounds.
bool ink(QRgb pixel) { return qGray(pixel) < 170; }

// For each column (alongRows) or row of area: whether it holds ink.
std::vector<bool> inked(const QImage &picture, const QRect &area, bool columns)
{
    std::vector<bool> any(std::size_t(columns ? area.width() : area.height()), false);
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (ink(picture.pixel(x, y)))
                any[std::size_t(columns ? x - area.left() : y - area.top())] = true;
    return any;
}

// The widest run of empty columns between the first and the last inked one.
int widestGap(const std::vector<bool> &inkedColumns)
{
    int widest = 0, run = 0;
    bool begun = false;
    for (bool inked : inkedColumns) {
        if (inked) {
            widest = begun ? std::max(widest, run) : widest;
            begun = true;
            run = 0;
        } else {
            ++run;
        }
    }
    return widest;
}

// The ink-weighted middle row of area.
double inkMiddle(const QImage &picture, const QRect &area)
{
    double sum = 0, weight = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const double darkness = 255 - qGray(picture.pixel(x, y));
            sum += y * darkness * (darkness > 60);
            weight += darkness * (darkness > 60);
        }
    return weight > 0 ? sum / weight : -1;
}

// 2 x 2 squares of more than one colour, which a picture blown up to twice its size never has.
int detailedSquares(const QImage &picture)
{
    int detailed = 0;
    for (int y = 0; y + 1 < picture.height(); y += 2)
        for (int x = 0; x + 1 < picture.width(); x += 2)
            detailed += picture.pixel(x, y) != picture.pixel(x + 1, y) || picture.pixel(x, y) != picture.pixel(x, y + 1)
                || picture.pixel(x, y) != picture.pixel(x + 1, y + 1);
    return detailed;
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
        if (ratio == 2)
            QVERIFY2(detailedSquares(shown) > 405 * 405 / 20, qPrintable(QString::number(detailedSquares(shown))));
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
        showGroundOnly(f);
        GameState &g = f.prog->game();
        const int n = g.groesse;
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
        const QRect inner = cellInterior(9, 4, 2, ratio, view->deviceSize());
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
        // How much closer the picture at 1.5 is to its copy at twice the size than to the
        // plain one: a flat button face differs little either way, only its arrow does.
        QTest::addColumn<double>("closer");
        QTest::newRow("title") << "prog" << "Image1" << "title.jpg" << 2.0;
        QTest::newRow("splash") << "start" << "Image2" << "splash_en.jpg" << 2.0;
        QTest::newRow("without highscore") << "gew_kein" << "Image3" << "gew_kein_en.jpg" << 2.0;
        QTest::newRow("with highscore") << "gew_high" << "Image1" << "gew_high_de.jpg" << 2.0;
        QTest::newRow("print dialog") << "druckfenster" << "Image4" << "druck_en.jpg" << 2.0;
        QTest::newRow("help header") << "hilfe" << "Image2" << "help_header_de.jpg" << 2.0;
        QTest::newRow("donation") << "hilfe_en" << "Image1" << "donate.jpg" << 2.0;
        QTest::newRow("main window button") << "prog" << "Image4" << "button_wide.png" << 1.0;
        QTest::newRow("print dialog button") << "druckfenster" << "Image2" << "button_small.png" << 1.0;
    }
    void windowPicturesAreSharp()
    {
        QFETCH(QString, window);
        QFETCH(QString, box);
        QFETCH(QString, file);
        QFETCH(double, closer);
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
        QVERIFY2(fromPlain > closer * fromTwice,
                 qPrintable(QStringLiteral("%1 from twice the size, %2 from the plain picture").arg(fromTwice).arg(fromPlain)));
    }

    // So are the icons of the maker's other programs in the help book.
    void programIconsAreSharp()
    {
        AppFixture f("en");
        const char *icons[] = {"software_wortsuche.png", "software_kalender.png", "software_tangram.png",
                               "software_solitaer.png"};
        for (int i = 0; i < 4; ++i) {
            auto *button = windowNamed("hilfe_en")->findChild<QToolButton *>(QStringLiteral("SpeedButton%1").arg(i + 1));
            const QImage grab = grabbed(button);
            const int inset = qRound((button->width() - 48) / 2 * ratio), side = qRound(48 * ratio);
            const QImage shown = grab.copy(inset, inset, side, side);
            const QRgb ground = grab.pixel(0, 0);
            // The icon as the button would show it, drawn from a picture scaled to its place.
            const auto onGround = [&](const QImage &picture, Qt::TransformationMode mode) {
                QImage out(side, side, QImage::Format_RGB32);
                out.fill(ground);
                QImage scaled = picture.scaled(side, side, Qt::IgnoreAspectRatio, mode);
                scaled.setDevicePixelRatio(1);
                QPainter(&out).drawImage(0, 0, scaled);
                return out;
            };
            QCOMPARE(builtInPicture(icons[i], 2).devicePixelRatio(), 2.0);
            const double fromTwice = std::min(meanDifference(shown, onGround(builtInPicture(icons[i], 2), Qt::SmoothTransformation)),
                                              meanDifference(shown, onGround(builtInPicture(icons[i], 2), Qt::FastTransformation)));
            const double fromPlain = meanDifference(shown, onGround(builtInPicture(icons[i]), Qt::FastTransformation));
            const QString figures = QStringLiteral("%1: %2 from twice the size, %3 from the plain picture")
                                        .arg(icons[i]).arg(fromTwice).arg(fromPlain);
            if (ratio == 1)
                QVERIFY2(fromPlain < 1, qPrintable(figures));
            else if (ratio == 2)
                QVERIFY2(fromTwice < 1, qPrintable(figures));
            else
                QVERIFY2(fromPlain > 2 * fromTwice, qPrintable(figures));
        }
    }

    // Every board shows its whole frame, equally thick on all four sides, wherever its
    // place falls between the screen's pixels.
    void everyBoardShowsItsWholeFrame_data()
    {
        QTest::addColumn<int>("typeEntry");
        for (int t = 0; t <= 7; ++t)
            QTest::newRow(t == 7 ? "classic" : qPrintable(QStringLiteral("%1x%1").arg(t + 3))) << t;
    }
    void everyBoardShowsItsWholeFrame()
    {
        QFETCH(int, typeEntry);
        AppFixture f("en");
        startGame(f, typeEntry, 3); // classic digits on white
        showGroundOnly(f);
        const GameState &g = f.prog->game();
        const int n = g.groesse;
        const auto blockEdge = [&](int k) { return g.spielart == 1 ? k % 3 == 0 : k == 0 || k == n; };
        const int frame = (qRound(2 * ratio) + 1) / 2; // the inner half of a line, rounded up
        // Where the game put it, then moved half a pixel by a window a pixel larger.
        for (int grown : {0, 1}) {
            f.prog->resize(f.prog->size() + QSize(grown, grown));
            const QImage shown = grabbed(f.prog).copy(pixelsOf(board(f)));
            for (int c = 1; c <= n; ++c) {
                const int at = qRound((45 * (c - 1) + 3) * ratio);
                for (bool alongRow : {true, false}) {
                    const std::vector<LineRun> runs = lineRuns(shown, at, alongRow, qRgb(255, 255, 255));
                    const QString wrong = checkLineRuns(runs, n, ratio, kThin, kDark,
                                                        alongRow ? shown.width() : shown.height(), blockEdge);
                    QVERIFY2(wrong.isEmpty(), qPrintable(QStringLiteral("grown %1, %2 %3: %4")
                                                             .arg(grown).arg(alongRow ? "row" : "column").arg(at).arg(wrong)));
                    QCOMPARE(runs.front().width, frame);
                }
            }
        }
    }

    // The print preview is drawn for the screen as the board is: each kind of line one
    // width in whole screen pixels, the digits as sharp as the screen shows them.
    void previewIsDrawnForTheScreen_data()
    {
        QTest::addColumn<int>("typeEntry");
        QTest::newRow("3x3") << 0;
        QTest::newRow("7x7") << 4;
        QTest::newRow("classic") << 7;
    }
    void previewIsDrawnForTheScreen()
    {
        QFETCH(int, typeEntry);
        AppFixture f("en");
        f.prog->show();
        f.prog->FormActivate();
        f.prog->pc()->setCurrentIndex(1);
        f.prog->pcChange();
        f.combo("cbspiel")->setCurrentIndex(7);
        f.combo("cbspielart")->setCurrentIndex(typeEntry);
        f.combo("cbdruck")->setCurrentIndex(0); // one puzzle a page
        RandSeed(23);
        f.prog->vorschaudruckClick();
        const QImage shown = grabbed(f.prog).copy(pixelsOf(f.find<PictureBox>("druckseite")));
        appWindows().druckfenster->Image2Click();
        save(shown, QStringLiteral("preview_%1").arg(typeEntry));
        const int n = f.prog->game().groesse;
        const int thin = qMax(1, qRound(ratio)), thick = qRound(3 * ratio);
        // Across the first row (column) of cells, above its digits, down to the footer.
        const int at = qRound(8 * ratio);
        const int grid = qRound((45 * n + (typeEntry == 7 ? 7 : 6)) * ratio);
        for (bool alongRow : {true, false}) {
            const std::vector<LineRun> runs = lineRuns(shown.copy(0, 0, grid, grid), at, alongRow, qRgb(255, 255, 255));
            QCOMPARE(int(runs.size()), n + 1);
            for (int k = 0; k <= n; ++k)
                QVERIFY2(runs[std::size_t(k)].width == (typeEntry == 7 && k % 3 == 0 ? thick : thin),
                         qPrintable(QStringLiteral("line %1 is %2 pixels wide").arg(k).arg(runs[std::size_t(k)].width)));
        }
        if (ratio == 2)
            QVERIFY2(detailedSquares(shown) > 40, qPrintable(QString::number(detailedSquares(shown))));
    }

    // The group boxes' frames and titles show whole: no control of a box lies on them.
    void groupBoxFramesStayClear_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("box");
        for (const char *language : {"en", "de"})
            for (const char *box : {"gbtitel", "gb1", "gb2", "gb3"})
                QTest::addRow("%s %s", box, language) << language << box;
    }
    void groupBoxFramesStayClear()
    {
        QFETCH(QString, language);
        QFETCH(QString, box);
        AppFixture f(language);
        f.prog->show();
        f.prog->FormActivate();
        if (box == QLatin1String("gb2")) {
            f.prog->pc()->setCurrentIndex(1);
            f.prog->pcChange();
        }
        auto *group = f.find<QGroupBox>(qPrintable(box));
        const QImage shown = grabbed(group);
        QList<QWidget *> hidden;
        for (QWidget *child : group->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
            if (!child->isHidden()) {
                child->hide();
                hidden << child;
            }
        const QImage bare = grabbed(group); // the frame and the title alone
        for (QWidget *child : hidden)
            child->show();
        const QRgb ground = bare.pixel(bare.width() / 2, bare.height() / 2);
        int covered = 0;
        QPoint first;
        for (int y = 0; y < bare.height(); ++y)
            for (int x = 0; x < bare.width(); ++x)
                if (bare.pixel(x, y) != ground && shown.pixel(x, y) != bare.pixel(x, y) && covered++ == 0)
                    first = {x, y};
        QVERIFY2(covered == 0, qPrintable(QStringLiteral("%1 pixels of the frame or the title covered, the first at %2, %3")
                                              .arg(covered).arg(first.x()).arg(first.y())));
    }

    // The print dialog's lower half: the captions in the maroon of every other caption (the
    // German hyphen in its dark red), nothing of the background's own buttons beside the
    // dialog's, and the German hyphen mid-way up the letters it follows, after a line of
    // normal word gaps.
    void printDialogLowerHalf_data()
    {
        QTest::addColumn<QString>("language");
        QTest::newRow("en") << "en";
        QTest::newRow("de") << "de";
    }
    void printDialogLowerHalf()
    {
        QFETCH(QString, language);
        AppFixture f(language);
        Tdruckfenster *dialog = appWindows().druckfenster;
        dialog->show();
        dialog->uncover();
        const QImage shown = grabbed(dialog);
        save(shown, QStringLiteral("print_dialog_%1").arg(language));
        QStringList wrong;
        for (const char *name : {"Label3", "Label4", "Label1"}) {
            auto *label = dialog->findChild<QLabel *>(name);
            if (label->isHidden())
                continue;
            const QRect area = pixelsOf(label);
            QRgb darkest = qRgb(255, 255, 255);
            for (int y = area.top(); y <= area.bottom(); ++y)
                for (int x = area.left(); x <= area.right(); ++x)
                    if (qGray(shown.pixel(x, y)) < qGray(darkest))
                        darkest = shown.pixel(x, y);
            if (qRed(darkest) - qGreen(darkest) < 50 || qAbs(qGreen(darkest) - qBlue(darkest)) > 30)
                wrong << QStringLiteral("%1 is written in %2").arg(name, QColor(darkest).name());
        }
        const QColor cream(255, 253, 240);
        for (const char *name : {"Image1", "Image2"}) {
            const QRect button = pixelsOf(dialog->findChild<QWidget *>(name));
            for (int x = button.left(); x <= button.right(); ++x) {
                const QColor above = shown.pixelColor(x, button.top() - 1);
                if (qAbs(above.red() - cream.red()) > 8 || qAbs(above.green() - cream.green()) > 8
                    || qAbs(above.blue() - cream.blue()) > 8) {
                    wrong << QStringLiteral("%1 at %2 above %3").arg(above.name()).arg(x).arg(name);
                    break;
                }
            }
        }
        if (language == QLatin1String("de")) {
            const QRect dash = pixelsOf(dialog->findChild<QLabel *>("Label1"));
            const QRect letters(dash.left() - qRound(14 * ratio), dash.top(), qRound(13 * ratio), dash.height());
            const double offset = inkMiddle(shown, dash) - inkMiddle(shown, letters);
            if (qAbs(offset) > ratio)
                wrong << QStringLiteral("the hyphen stands %1 pixels off the middle of the letters").arg(offset);
            const QRect line(qRound(79 * ratio), dash.top(), dash.left() - qRound(79 * ratio), dash.height());
            if (const int gap = widestGap(inked(shown, line, true)); gap > qRound(6 * ratio))
                wrong << QStringLiteral("word gaps up to %1 pixels before the hyphen").arg(gap);
        }
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join(QStringLiteral("; "))));
    }

    // The points continue the result windows' sentence after a gap as wide as the
    // sentence's own word gaps.
    void pointsFollowAfterAWordGap_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("language");
        for (const char *window : {"gew_kein", "gew_high"})
            for (const char *language : {"de", "en"})
                QTest::addRow("%s %s", window, language) << window << language;
    }
    void pointsFollowAfterAWordGap()
    {
        QFETCH(QString, window);
        QFETCH(QString, language);
        AppFixture f(language);
        f.prog->stat()->setPanelText(2, QStringLiteral("529") + f.prog->texts().pointsSuffix);
        auto *result = static_cast<ResultWindow *>(windowNamed(window));
        result->show();
        result->FormActivate();
        const QImage shown = grabbed(result);
        const QRect label = pixelsOf(result->findChild<QLabel *>("Label1"));
        // From inside the window's frame to the end of the points.
        const int left = qRound(12 * ratio);
        const QRect row(left, label.top(), label.right() + 1 - left, label.height());
        const std::vector<bool> columns = inked(shown, row, true);
        int points = label.left() - left;
        while (points < row.width() && !columns[std::size_t(points)])
            ++points;
        int before = label.left() - left - 1;
        while (before > 0 && !columns[std::size_t(before)])
            --before;
        const int gap = points - before - 1;
        const int wordGap = widestGap(std::vector<bool>(columns.begin(), columns.begin() + before + 1));
        QVERIFY2(gap >= qRound(2 * ratio) && gap <= wordGap,
                 qPrintable(QStringLiteral("%1 pixels before the points, word gaps up to %2").arg(gap).arg(wordGap)));
        result->hide();
    }
};

QTEST_MAIN(TestScaling)
#include "test_scaling.moc"
