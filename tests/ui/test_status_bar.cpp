// The status bar as the screen shows it after a panel's text changed: only that panel is
// drawn again, and what the window then holds is, pixel for pixel, the bar drawn whole over
// the window's background.
#include "widgets/status_bar.h"

#include <QBackingStore>
#include <QPainter>
#include <QtTest>

using namespace vantrell;

namespace {

// A window like the main one: its own background colour, the bar along its bottom.
struct BarWindow {
    QWidget window;
    StatusBar *bar;

    BarWindow()
    {
        QPalette pal = window.palette();
        pal.setColor(QPalette::Window, QColor(236, 233, 216));
        window.setPalette(pal);
        window.setAutoFillBackground(true);
        window.resize(500, 60);
        bar = new StatusBar({150, 50, 120, 50}, &window);
        bar->setGeometry(0, 40, 500, 19);
        bar->setPanelText(0, QStringLiteral("Ready"));
        bar->setPanelText(1, QStringLiteral("3"));
        bar->setPanelText(2, QStringLiteral("27240 Points"));
        bar->setPanelText(3, QStringLiteral("example.org/donate - Thank you very much!"));
    }
};

// What the window's backing store holds, as it went to the screen.
QImage onScreen(QWidget *window)
{
    QCoreApplication::processEvents();
    QPaintDevice *store = window->backingStore()->paintDevice();
    if (store->devType() != QInternal::Image)
        return {};
    return static_cast<QImage *>(store)->convertToFormat(QImage::Format_RGB32);
}

// The window drawn afresh with the same texts, the window's background painted beneath the
// bar first: what the screen must show.
QImage drawnWhole(const BarWindow &shown)
{
    BarWindow fresh;
    for (int i = 0; i < shown.bar->panelCount(); ++i)
        fresh.bar->setPanelText(i, shown.bar->panelText(i));
    fresh.bar->setAttribute(Qt::WA_OpaquePaintEvent, false);
    return fresh.window.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

class StatusBarPaintCounter : public QObject {
public:
    explicit StatusBarPaintCounter(StatusBar *bar) { bar->installEventFilter(this); }
    QList<QRect> rects;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            rects << static_cast<QPaintEvent *>(event)->rect();
        return false;
    }
};

} // namespace

class TestStatusBar : public QObject {
    Q_OBJECT

private slots:
    void aChangedPanelLooksAsTheWholeBarDrawnAfresh_data()
    {
        QTest::addColumn<int>("panel");
        QTest::addColumn<QStringList>("texts");
        QTest::newRow("points falling") << 2 << QStringList{"27239 Points", "27238 Points", "27237 Points"};
        QTest::newRow("points shorter") << 2 << QStringList{"10000 Points", "9999 Points", "0 Points"};
        QTest::newRow("points longer") << 2 << QStringList{"9 Points", "123456789 Points"};
        QTest::newRow("first panel") << 0 << QStringList{"Building the puzzle...", "Ready"};
        QTest::newRow("pass panel emptied") << 1 << QStringList{"12", ""};
        QTest::newRow("last panel, to the right end") << 3 << QStringList{"Welcome", "example.org - Thanks!"};
    }

    void aChangedPanelLooksAsTheWholeBarDrawnAfresh()
    {
        QFETCH(int, panel);
        QFETCH(QStringList, texts);
        BarWindow w;
        w.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w.window));
        QCoreApplication::processEvents();

        for (const QString &text : texts) {
            StatusBarPaintCounter counter(w.bar);
            w.bar->setPanelText(panel, text);
            const QImage shown = onScreen(&w.window);
            QCOMPARE(counter.rects, QList<QRect>{w.bar->panelRect(panel)});
            QCOMPARE(w.bar->panelText(panel), text);
            const QImage whole = drawnWhole(w);
            QCOMPARE(shown.size(), whole.size());
            QVERIFY2(shown == whole, qPrintable(QStringLiteral("panel %1 showing \"%2\" differs").arg(panel).arg(text)));
        }
    }

    // Each panel's text stands where a line of text centred in the panel by QPainter's own
    // drawText stands, pixel for pixel (one device pixel a pixel, as CTest runs it): a
    // cheaper way of drawing the text must not move it.
    void theTextsStandWhereDrawTextPutsThem()
    {
        BarWindow w;
        w.bar->setPanelText(0, QStringLiteral("Building... gjpqy"));
        w.bar->setPanelText(2, QStringLiteral("0 Points"));
        w.bar->setPanelText(3, QStringLiteral("Thank you very much!")); // a text that fits
        const QImage shown = drawnWhole(w);
        const QPoint origin = w.bar->geometry().topLeft();
        for (int i = 0; i < w.bar->panelCount(); ++i) {
            const QRect panel = w.bar->panelRect(i);
            // Inside the panel's sunken frame: the frame's lines are one pixel wide.
            const QRect inside(panel.left() + 1, 2, panel.width() - 4, w.bar->height() - 4);
            const QRect text(panel.left() + 3, 1, panel.width() - 5, w.bar->height() - 2);
            QPixmap drawn(w.bar->size()); // as the window is grabbed
            drawn.fill(w.bar->palette().color(QPalette::Window));
            {
                QPainter p(&drawn);
                p.setFont(w.bar->font());
                p.setPen(w.bar->palette().color(QPalette::WindowText));
                p.drawText(text, Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine, w.bar->panelText(i));
            }
            const QImage expected = drawn.toImage().convertToFormat(QImage::Format_RGB32);
            QVERIFY2(shown.copy(inside.translated(origin)) == expected.copy(inside),
                     qPrintable(QStringLiteral("panel %1: \"%2\"").arg(i).arg(w.bar->panelText(i))));
        }
    }

    // The same text again draws nothing.
    void anUnchangedTextIsNotDrawnAgain()
    {
        BarWindow w;
        w.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w.window));
        QCoreApplication::processEvents();
        StatusBarPaintCounter counter(w.bar);
        w.bar->setPanelText(2, QStringLiteral("27240 Points"));
        w.bar->setPanelText(7, QStringLiteral("no such panel"));
        QCoreApplication::processEvents();
        QVERIFY(counter.rects.isEmpty());
    }

    // Twenty changes in a row, as the clock makes them in a second: each is drawn, the
    // screen ends on the last.
    void everyChangeIsDrawn()
    {
        BarWindow w;
        w.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w.window));
        QCoreApplication::processEvents();
        StatusBarPaintCounter counter(w.bar);
        for (int points = 500; points > 480; --points) {
            w.bar->setPanelText(2, QString::number(points) + QStringLiteral(" Points"));
            QCoreApplication::processEvents();
        }
        QCOMPARE(counter.rects.size(), 20);
        for (const QRect &r : counter.rects)
            QCOMPARE(r, w.bar->panelRect(2));
        QCOMPARE(onScreen(&w.window), drawnWhole(w));
    }
};

QTEST_MAIN(TestStatusBar)
#include "test_status_bar.moc"
