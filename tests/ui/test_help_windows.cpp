#include "site_config.h"
#include "widgets/browse_to.h"
#include "widgets/open_url.h"
#include "ui/template_software_en.h"
#include "ui/u_hilfe.h"
#include "ui/u_hilfe_en.h"
#include "ui/u_info.h"
#include "widgets/window_drag.h"

#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabBar>
#include <QTabWidget>
#include <QToolButton>
#include <QtTest>
#include <memory>

using namespace vantrell;

namespace {

std::unique_ptr<HelpBook> makeBook(bool german)
{
    if (german)
        return std::make_unique<Thilfe>();
    return std::make_unique<Thilfe_en>();
}

QString www(const char *site, const char *rest = "") { return "http://www." + QLatin1String(site) + rest; }

// Clicks every link label and picture button of `root`, in the order they were made.
void clickLinks(QWidget *root)
{
    for (QWidget *w : root->findChildren<QWidget *>()) {
        if (qobject_cast<LinkLabel *>(w) || qobject_cast<QToolButton *>(w))
            QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(3, 3));
    }
}

void wheel(QWidget *target, int notches)
{
    QWheelEvent e(QPointF(5, 5), target->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, notches * 120),
                  Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(target, &e);
}

} // namespace

class TestHelpWindows : public QObject {
    Q_OBJECT

    QStringList opened_;

private slots:
    void init()
    {
        opened_.clear();
        setUrlOpener([this](const QString &address) {
            opened_ << address;
            return true;
        });
    }
    void cleanup()
    {
        setUrlOpener({});
        setDragStartHook({});
    }

    void layout_data()
    {
        QTest::addColumn<bool>("german");
        QTest::addColumn<QStringList>("tabs");
        QTest::newRow("de") << true
                            << QStringList{"Hilfe", "Empfehlungen", "Software", "Wieso spenden?", "Lizenz"};
        QTest::newRow("en") << false << QStringList{"Help", "Regards", "Software", "Why Donate?", "Licence"};
    }
    void layout()
    {
        QFETCH(bool, german);
        QFETCH(QStringList, tabs);
        auto book = makeBook(german);
        QCOMPARE(book->objectName(), german ? "hilfe" : "hilfe_en");
        QCOMPARE(book->size(), QSize(543, 495));
        QCOMPARE(book->windowTitle(), "Sudoku - Vantrell Media");
        QVERIFY(book->windowFlags() & Qt::WindowStaysOnTopHint);
        QCOMPARE(book->findChild<QWidget *>(german ? "Image2" : "Image3")->geometry(), QRect(0, 0, 543, 100));
        QCOMPARE(book->pc()->geometry(), QRect(german ? 8 : 12, 110, 518, 342));
        QCOMPARE(book->findChild<QPushButton *>(german ? "btide1" : "btien1")->geometry(), QRect(370, 464, 75, 25));
        QCOMPARE(book->findChild<QPushButton *>(german ? "btide2" : "btien2")->geometry(), QRect(451, 464, 75, 25));
        const QStringList pages{"pc_hilfe", "pc_empf", "pc_software", "pc_spenden", "pc_lizenz"};
        for (int i = 0; i < 5; ++i) {
            QCOMPARE(book->pc()->widget(i)->objectName(), pages[i]);
            QCOMPARE(book->pc()->tabText(i), tabs[i]);
            QCOMPARE(book->pc()->tabBar()->tabTextColor(i), german ? QColor(44, 88, 0) : QColor(Qt::black));
        }
        // The donation picture is shown whole: its box has no scroll bars to reach the rest.
        book->pc()->setCurrentIndex(3);
        book->show();
        QVERIFY(QTest::qWaitForWindowExposed(book.get()));
        auto *box = book->pc()->widget(3)->findChild<QScrollArea *>("ScrollBox1");
        QVERIFY(box);
        const QRect picture(box->widget()->mapTo(box->viewport(), QPoint(0, 0)), box->widget()->size());
        QVERIFY2(box->viewport()->rect().contains(picture),
                 qPrintable(QStringLiteral("picture %1x%2 in a viewport of %3x%4")
                                .arg(picture.width()).arg(picture.height())
                                .arg(box->viewport()->width()).arg(box->viewport()->height())));
    }

    // Leafing with the buttons: `start` page, optional hidden tab, steps (+1 next, -1 back).
    void leafing_data()
    {
        QTest::addColumn<bool>("german");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("hidden");
        QTest::addColumn<int>("step");
        QTest::addColumn<int>("expected");
        for (bool german : {true, false}) {
            const char *lang = german ? "de " : "en ";
            QTest::addRow("%snext wraps from licence to help", lang) << german << 4 << -1 << 1 << 0;
            QTest::addRow("%sback wraps from help to licence", lang) << german << 0 << -1 << -1 << 4;
            QTest::addRow("%snext", lang) << german << 1 << -1 << 1 << 2;
            QTest::addRow("%sback", lang) << german << 3 << -1 << -1 << 2;
            QTest::addRow("%snext skips hidden", lang) << german << 0 << 1 << 1 << 2;
            QTest::addRow("%sback skips hidden", lang) << german << 4 << 3 << -1 << 2;
            QTest::addRow("%snext wraps past hidden first", lang) << german << 4 << 0 << 1 << 1;
            QTest::addRow("%sback wraps past hidden last", lang) << german << 0 << 4 << -1 << 3;
        }
    }
    void leafing()
    {
        QFETCH(bool, german);
        QFETCH(int, start);
        QFETCH(int, hidden);
        QFETCH(int, step);
        QFETCH(int, expected);
        auto book = makeBook(german);
        book->show();
        book->pc()->setCurrentIndex(start);
        if (hidden >= 0)
            book->pc()->setTabVisible(hidden, false);
        const char *button = step > 0 ? (german ? "btide2" : "btien2") : (german ? "btide1" : "btien1");
        QTest::mouseClick(book->findChild<QPushButton *>(button), Qt::LeftButton);
        QCOMPARE(book->pc()->currentIndex(), expected);
    }

    void opensOnLicenceAndReopensWhereLeft()
    {
        for (bool german : {true, false}) {
            auto book = makeBook(german);
            book->show();
            QCOMPARE(book->pc()->currentWidget()->objectName(), "pc_lizenz");
            book->nextPage();
            book->nextPage();
            QTest::keyClick(book.get(), Qt::Key_Escape); // as its close button
            QVERIFY(book->isHidden());
            book->show();
            QCOMPARE(book->pc()->currentWidget()->objectName(), "pc_empf");
        }
    }

    void referrerRule_data()
    {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("address");
        QTest::newRow("bare .de") << "example.de" << "http://www.example.de/&rf=suh";
        QTest::newRow("bare .com") << "example.com" << "http://www.example.com/&rf=suh";
        QTest::newRow("path") << "example.de/lizenz" << "http://www.example.de/lizenz&rf=suh";
        QTest::newRow("case-sensitive") << "EXAMPLE.DE" << "http://www.EXAMPLE.DE&rf=suh";
        QTest::newRow("other domain") << "example.org" << "http://www.example.org&rf=suh";
        QTest::newRow("path ending in .com") << "example.de/x.com" << "http://www.example.de/x.com/&rf=suh";
    }
    void referrerRule()
    {
        QFETCH(QString, caption);
        QFETCH(QString, address);
        BrowseToCaption(caption);
        BrowseToHint(caption);
        QCOMPARE(opened_, QStringList({address, address}));
    }

    // Every link of every page, clicked top to bottom.
    void helpLinks_data()
    {
        using namespace vantrell::build;
        QTest::addColumn<bool>("german");
        QTest::addColumn<QString>("page");
        QTest::addColumn<QStringList>("addresses");
        QTest::newRow("de help") << true << "pc_hilfe"
                                 << QStringList{www(softwareSiteDe, "/support&rf=suh"),
                                                www(softwareSiteDe, "/sudoku&rf=suh")};
        QTest::newRow("de regards") << true << "pc_empf"
                                    << QStringList{www(homeSiteDe, "/webdesign&rf=suh"),
                                                   www(softwareSiteDe, "/individuell&rf=suh"),
                                                   www(homeSiteDe, "/&rf=suh")};
        QTest::newRow("de software") << true << "pc_software"
                                     << QStringList{www(softwareSiteDe, "/wortsuche&rf=suh"),
                                                    www(softwareSiteDe, "/kalender&rf=suh"),
                                                    www(softwareSiteDe, "/tangram&rf=suh"),
                                                    www(softwareSiteDe, "/solitaer&rf=suh"),
                                                    www(softwareSiteDe, "/software&rf=suh")};
        QTest::newRow("de donate") << true << "pc_spenden" << QStringList{www(softwareSiteDe, "/spenden&rf=suh")};
        QTest::newRow("de licence") << true << "pc_lizenz"
                                    << QStringList{www(softwareSiteDe, "/lizenz&rf=suh"),
                                                   www(softwareSiteDe, "/spenden&rf=suh")};
        QTest::newRow("en help") << false << "pc_hilfe"
                                 << QStringList{www(softwareSiteEn, "/support&rf=suh"),
                                                www(softwareSiteEn, "/sudoku&rf=suh")};
        QTest::newRow("en regards") << false << "pc_empf"
                                    << QStringList{www(homeSiteEn, "/webdesign&rf=suh"),
                                                   www(softwareSiteEn, "/individual&rf=suh"),
                                                   www(homeSiteEn, "/&rf=suh")};
        QTest::newRow("en software") << false << "pc_software"
                                     << QStringList{www(softwareSiteEn, "/wortsuche&rf=suh"),
                                                    www(softwareSiteEn, "/kalender&rf=suh"),
                                                    www(softwareSiteEn, "/tangram&rf=suh"),
                                                    www(softwareSiteEn, "/solitaer&rf=suh"),
                                                    www(softwareSiteEn, "/software&rf=suh")};
        QTest::newRow("en donate") << false << "pc_spenden" << QStringList{www(softwareSiteEn, "/donate&rf=suh")};
        QTest::newRow("en licence") << false << "pc_lizenz"
                                    << QStringList{www(softwareSiteEn, "/licence&rf=suh"),
                                                   www(softwareSiteEn, "/donate&rf=suh")};
    }
    void helpLinks()
    {
        QFETCH(bool, german);
        QFETCH(QString, page);
        QFETCH(QStringList, addresses);
        auto book = makeBook(german);
        book->show();
        QWidget *pageWidget = book->findChild<QWidget *>(page);
        book->pc()->setCurrentWidget(pageWidget);
        clickLinks(pageWidget);
        QCOMPARE(opened_, addresses);
        for (LinkLabel *link : pageWidget->findChildren<LinkLabel *>()) {
            QVERIFY(link->font().bold() && link->font().underline());
            QCOMPARE(link->cursor().shape(), Qt::PointingHandCursor);
        }
    }

    void infoLinks_data()
    {
        using namespace vantrell::build;
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("address");
        QTest::newRow("Label26") << "Label26" << www(softwareSiteDe);
        QTest::newRow("Label27") << "Label27" << www(artSite);
        QTest::newRow("Label28") << "Label28" << www(bookSite);
        QTest::newRow("Label29") << "Label29" << www(homeSiteDe, "/internet");
        QTest::newRow("Label8") << "Label8" << www(softwareSiteDe, "/spenden");
        QTest::newRow("Label7") << "Label7" << www(softwareSiteDe, "/spenden");
        QTest::newRow("Label11") << "Label11" << www(softwareSiteDe, "/sudoku-hilfe");
        QTest::newRow("Label10") << "Label10" << www(softwareSiteDe, "/lizenz");
    }
    void infoLinks()
    {
        QFETCH(QString, label);
        QFETCH(QString, address);
        Tinfo info;
        QCOMPARE(info.blatt()->currentIndex(), 0);
        QCOMPARE(info.blatt()->geometry(), QRect(8, 6, 535, 467));
        auto *link = info.findChild<LinkLabel *>(label);
        QVERIFY(link);
        QTest::mouseClick(link, Qt::LeftButton, {}, QPoint(3, 3));
        QCOMPARE(link->focusPolicy(), Qt::TabFocus);
        QTest::keyClick(link, Qt::Key_Space); // a link answers Space and Enter as a click
        QTest::keyClick(link, Qt::Key_Return);
        QCOMPARE(opened_, QStringList({address, address, address}));
        QCOMPARE(info.findChildren<LinkLabel *>().size(), 8);
    }

    // Wheel notches (positive = up) from a start position, sent to the list or a label on it.
    void wheelSteps_data()
    {
        QTest::addColumn<bool>("german");
        QTest::addColumn<bool>("onLabel");
        QTest::addColumn<int>("start");  // -1: the maximum
        QTest::addColumn<int>("notches");
        QTest::addColumn<int>("expected"); // -1: the maximum
        QTest::newRow("one down") << true << false << 0 << -1 << 10;
        QTest::newRow("three down on a label") << false << true << 0 << -3 << 30;
        QTest::newRow("one up") << true << true << 25 << 1 << 15;
        QTest::newRow("clamped at 0") << false << false << 5 << 1 << 0;
        QTest::newRow("up at 0") << true << false << 0 << 2 << 0;
        QTest::newRow("clamped at maximum") << false << true << -1 << -1 << -1;
    }
    void wheelSteps()
    {
        QFETCH(bool, german);
        QFETCH(bool, onLabel);
        QFETCH(int, start);
        QFETCH(int, notches);
        QFETCH(int, expected);
        std::unique_ptr<SoftwarePanel> panel;
        if (german)
            panel = std::make_unique<TFrame1>();
        else
            panel = std::make_unique<TFrame2>();
        panel->show();
        QScrollArea *box = panel->scrollBox();
        QCOMPARE(box->objectName(), german ? "ScrollBox1" : "ScrollBox2");
        QCOMPARE(box->widget()->size(), QSize(481, 890));
        QScrollBar *bar = box->verticalScrollBar();
        const int maximum = bar->maximum();
        QVERIFY(maximum > 500);
        QCOMPARE(box->horizontalScrollBar()->maximum(), 0);
        bar->setValue(start < 0 ? maximum : start);
        QWidget *target = onLabel ? box->widget()->findChild<QWidget *>("description1") : box->viewport();
        wheel(target, notches);
        QCOMPARE(bar->value(), expected < 0 ? maximum : expected);
    }

    void mouseMoveFocusesList()
    {
        TFrame1 panel;
        panel.show();
        QWidget *label = panel.findChild<QWidget *>("title2");
        QMouseEvent move(QEvent::MouseMove, QPointF(4, 4), label->mapToGlobal(QPointF(4, 4)), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(label, &move);
        QCOMPARE(panel.focusWidget(), panel.scrollBox());
    }

    void dragging()
    {
        int drags = 0;
        setDragStartHook([&](QWidget *) { ++drags; });
        for (bool german : {true, false}) {
            auto book = makeBook(german);
            book->show();
            drags = 0;
            QTest::mouseClick(book->findChild<QWidget *>(german ? "Image2" : "Image3"), Qt::LeftButton);
            QCOMPARE(drags, 1);
            QTest::mouseClick(book->pc()->currentWidget()->findChild<LinkLabel *>(), Qt::LeftButton, {},
                              QPoint(3, 3));
            QCOMPARE(drags, 1);
            QTest::mouseClick(book->findChild<QWidget *>(german ? "Image2" : "Image3"), Qt::RightButton);
            QCOMPARE(drags, 1);
        }

        Tinfo info;
        info.show();
        drags = 0;
        QTest::mouseClick(&info, Qt::LeftButton, {}, QPoint(2, 2));
        QCOMPARE(drags, 1);
        QTest::mouseClick(info.blatt()->currentWidget(), Qt::LeftButton, {}, QPoint(2, 2));
        QCOMPARE(drags, 2);
        QTest::mouseClick(info.findChild<LinkLabel *>("Label11"), Qt::LeftButton, {}, QPoint(3, 3));
        QCOMPARE(drags, 2);
        QCOMPARE(opened_.size(), 3);
    }

    // Pictures of every page for looking at by eye; written to the working directory.
    void screenshots()
    {
        for (bool german : {true, false}) {
            auto book = makeBook(german);
            book->show();
            for (int i = 0; i < book->pc()->count(); ++i) {
                book->pc()->setCurrentIndex(i);
                QCoreApplication::processEvents(); // let the page lay itself out, as on screen
                const QString file = QStringLiteral("help_%1_%2.png")
                                         .arg(german ? "de" : "en", book->pc()->widget(i)->objectName());
                QVERIFY(book->grab().save(file));
            }
        }
        Tinfo info;
        info.show();
        for (int i = 0; i < info.blatt()->count(); ++i) {
            info.blatt()->setCurrentIndex(i);
            QCoreApplication::processEvents();
            QVERIFY(info.grab().save(QStringLiteral("info_%1.png").arg(i + 1)));
        }
    }
};

QTEST_MAIN(TestHelpWindows)
#include "test_help_windows.moc"
