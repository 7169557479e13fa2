// Printing while no scheduler answers: CUPS_SERVER points at a socket nobody listens on.
#include "print/printer_output.h"

#include <QElapsedTimer>
#include <QtTest>

using namespace vantrell;

Q_DECLARE_METATYPE(vantrell::PrintFailure)

class TestPrinterUnreachable : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        const QString server = qEnvironmentVariable("CUPS_SERVER");
        if (!server.endsWith(QStringLiteral("/no-scheduler/cups.sock")))
            QSKIP("needs CUPS_SERVER pointing at a socket where nothing listens (set by CTest)");
        QVERIFY(!QFile::exists(server));
    }

    void printFailsWithAReason_data()
    {
        QTest::addColumn<QString>("choice"); // empty: the selected printer
        QTest::addColumn<PrintFailure>("failure");
#ifdef VANTRELL_HAVE_CUPS
        // The game talks to the scheduler itself and can tell that nobody is there.
        QTest::newRow("standard") << QString() << PrintFailure::ServiceUnreachable;
        QTest::newRow("a printer by name") << QStringLiteral("vantrell-test") << PrintFailure::ServiceUnreachable;
#else
        QTest::newRow("standard") << QString() << PrintFailure::NoPrinter;
        QTest::newRow("a printer by name") << QStringLiteral("vantrell-test") << PrintFailure::PrinterGone;
#endif
    }
    void printFailsWithAReason()
    {
        QFETCH(QString, choice);
        QFETCH(PrintFailure, failure);
        QElapsedTimer timer;
        timer.start();
        PrinterService service;
        QVERIFY(service.printerNames().isEmpty());
        QImage field(425, 425, QImage::Format_RGB32);
        field.fill(Qt::white);
        const PrintOutcome outcome = service.print(choice.isEmpty() ? PrinterChoice() : choice, {field}, 1);
        QVERIFY(!outcome.ok);
        QCOMPARE(outcome.failure, std::optional(failure));
        QVERIFY(!outcome.reason.isEmpty());
#ifdef VANTRELL_HAVE_CUPS
        QVERIFY2(outcome.reason.contains(qEnvironmentVariable("CUPS_SERVER") + QStringLiteral(": No such file")),
                 qPrintable(outcome.reason));
#endif
        QVERIFY2(timer.elapsed() < 15000, "giving up on an absent scheduler took too long");
    }
};

QTEST_MAIN(TestPrinterUnreachable)
#include "test_printer_unreachable.moc"
