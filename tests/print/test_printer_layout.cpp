#include "print/printer_layout.h"

#include <QtTest>

using namespace vantrell;

using Squares = std::vector<PageSquare>;
Q_DECLARE_METATYPE(Squares)

namespace {

PageSquare sq(int left, int top, int side) { return {left, top, left + side, top + side}; }

} // namespace

class TestPrinterLayout : public QObject {
    Q_OBJECT
private slots:
    void squares_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<Squares>("expected");

        // A4 portrait at 600 dpi, printable area.
        QTest::newRow("portrait 1") << 1 << 4760 << 6814 << Squares{{250, 250, 4510, 4510}};
        QTest::newRow("portrait 2") << 2 << 4760 << 6814
                                    << Squares{sq(789, 200, 3182), sq(789, 3432, 3182)};
        QTest::newRow("portrait 6") << 6 << 4760 << 6814
                                    << Squares{sq(217, 150, 2138), sq(217, 2338, 2138), sq(217, 4526, 2138),
                                               sq(2405, 150, 2138), sq(2405, 2338, 2138), sq(2405, 4526, 2138)};
        // Landscape: one square takes its side from the height, so it stays on the page.
        QTest::newRow("landscape 1") << 1 << 6814 << 4760 << Squares{{250, 250, 4510, 4510}};
        QTest::newRow("landscape 2") << 2 << 6814 << 4760
                                     << Squares{sq(2329, 200, 2155), sq(2329, 2405, 2155)};
        QTest::newRow("landscape 6") << 6 << 6814 << 4760
                                     << Squares{sq(1929, 150, 1453), sq(1929, 1653, 1453), sq(1929, 3156, 1453),
                                                sq(3432, 150, 1453), sq(3432, 1653, 1453), sq(3432, 3156, 1453)};
        // Odd sizes: every division rounds towards zero.
        QTest::newRow("odd 2") << 2 << 1001 << 1453 << Squares{sq(250, 200, 501), sq(250, 751, 501)};
        QTest::newRow("odd 6") << 6 << 1001 << 1401 << Squares{sq(142, 150, 333), sq(142, 533, 333), sq(142, 916, 333),
                                                               sq(525, 150, 333), sq(525, 533, 333), sq(525, 916, 333)};
        QTest::newRow("narrow 2, towards zero") << 2 << 100 << 1453
                                                << Squares{sq(-200, 200, 501), sq(-200, 751, 501)};

        for (int count : {0, 3, 4, 5, 7, -1})
            QTest::addRow("count %d", count) << count << 4760 << 6814 << Squares{};
        QTest::newRow("1 on a tiny page") << 1 << 500 << 6814 << Squares{};
        QTest::newRow("2 on a tiny page") << 2 << 4760 << 451 << Squares{};
        QTest::newRow("6 on a tiny page") << 6 << 4760 << 402 << Squares{};
        QTest::newRow("6 on no page") << 6 << 0 << 0 << Squares{};
    }
    void squares()
    {
        QFETCH(int, count);
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(Squares, expected);
        const Squares actual = printerSquares(count, width, height);
        QCOMPARE(actual.size(), expected.size());
        for (std::size_t i = 0; i < actual.size(); ++i) {
            const PageSquare &a = actual[i];
            const PageSquare &e = expected[i];
            QVERIFY2(a == e, qPrintable(QStringLiteral("square %1: (%2, %3, %4, %5), expected (%6, %7, %8, %9)")
                                            .arg(i + 1).arg(a.left).arg(a.top).arg(a.right).arg(a.bottom)
                                            .arg(e.left).arg(e.top).arg(e.right).arg(e.bottom)));
        }
    }

    // On real pages, whatever their orientation, every square lies on the page and none
    // overlaps another.
    void squaresStayOnRealPages_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        const QList<QSize> pages = {{4760, 6814}, {4900, 6400}, {2380, 3407}, {9520, 13628}, {4860, 6400}};
        for (const QSize &page : pages) {
            QTest::addRow("%dx%d", page.width(), page.height()) << page.width() << page.height();
            QTest::addRow("%dx%d", page.height(), page.width()) << page.height() << page.width();
        }
    }
    void squaresStayOnRealPages()
    {
        QFETCH(int, width);
        QFETCH(int, height);
        const QRect page(0, 0, width, height);
        for (int count : {1, 2, 6}) {
            const Squares squares = printerSquares(count, width, height);
            QCOMPARE(int(squares.size()), count);
            for (std::size_t i = 0; i < squares.size(); ++i) {
                const QRect r = squares[i].toRect();
                QCOMPARE(r.width(), r.height());
                QVERIFY2(page.contains(r), qPrintable(QStringLiteral("count %1, square %2 leaves the page").arg(count).arg(i + 1)));
                for (std::size_t j = 0; j < i; ++j)
                    QVERIFY(!r.intersects(squares[j].toRect()));
            }
        }
    }

    void rectExcludesRightAndBottom()
    {
        const QRect r = PageSquare{250, 250, 4510, 4510}.toRect();
        QCOMPARE(r, QRect(250, 250, 4260, 4260));
        QCOMPARE(r.right(), 4509);
        QCOMPARE(r.bottom(), 4509);
    }
};

QTEST_GUILESS_MAIN(TestPrinterLayout)
#include "test_printer_layout.moc"
