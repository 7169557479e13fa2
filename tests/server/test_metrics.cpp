// The Prometheus registry: what its text holds, the names it refuses, and counts from many
// threads. The service's own set is checked by metrics_format_test.py, with promtool and
// Prometheus' Python parser.
#include "server/metrics.h"

#include <QtTest>

#include <thread>

using namespace vantrell::highscores::metrics;

class TestMetrics : public QObject {
    Q_OBJECT
    QString text;

private slots:
    void initTestCase()
    {
        Registry registry;
        registry.counter("jobs_total", "Jobs done.\nBy kind \\ state.", {{"kind", "a\"b\\c\nd"}}).add(3);
        registry.counter("jobs_total", "Jobs done.\nBy kind \\ state.", {{"kind", "plain"}}).add();
        registry.counter("jobs_total", "Jobs done.\nBy kind \\ state.", {{"kind", "plain"}}).add(); // the same series
        registry.gauge("temperature_celsius", "Heat.").set(-1.5);
        registry.gauge("delay_seconds", "Delay.").set(0.0005); // as bucket bounds are written
        Histogram &h = registry.histogram("wait_seconds", "Waits.", {0.5, 1, 2}, {{"queue", "q"}});
        for (double v : {0.25, 0.5, 0.75, 3.0})
            h.observe(v);
        registry.callback("things", "Things.", Type::Gauge, [] { return Registry::Samples{{{{"t", "1"}}, 7}, {{{"t", "8"}}, 0}}; });
        text = QString::fromStdString(registry.render());
    }

    void lines_data()
    {
        QTest::addColumn<QString>("line");
        const auto line = [](const char *row, const char *text) { QTest::newRow(row) << QString::fromUtf8(text); };
        line("help escaped", "# HELP jobs_total Jobs done.\\nBy kind \\\\ state.");
        line("type", "# TYPE jobs_total counter");
        line("label value escaped", "jobs_total{kind=\"a\\\"b\\\\c\\nd\"} 3");
        line("one series for the same labels", "jobs_total{kind=\"plain\"} 2");
        line("gauge", "temperature_celsius -1.5");
        line("small number in fixed notation", "delay_seconds 0.0005");
        line("first bucket takes its bound", "wait_seconds_bucket{queue=\"q\",le=\"0.5\"} 2");
        line("buckets add up", "wait_seconds_bucket{queue=\"q\",le=\"1\"} 3");
        line("empty bucket still cumulative", "wait_seconds_bucket{queue=\"q\",le=\"2\"} 3");
        line("infinity", "wait_seconds_bucket{queue=\"q\",le=\"+Inf\"} 4");
        line("sum", "wait_seconds_sum{queue=\"q\"} 4.5");
        line("count", "wait_seconds_count{queue=\"q\"} 4");
        line("histogram type", "# TYPE wait_seconds histogram");
        line("callback", "things{t=\"1\"} 7");
        line("callback zero", "things{t=\"8\"} 0");
    }
    void lines()
    {
        QFETCH(QString, line);
        QVERIFY2(text.split('\n').contains(line), qPrintable(line + "\nnot in\n" + text));
    }

    void refusedNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("label");
        const int counter = int(Type::Counter), gauge = int(Type::Gauge), histogram = int(Type::Histogram);
        QTest::newRow("counter without _total") << "jobs" << counter << "";
        QTest::newRow("dash") << "my-gauge" << gauge << "";
        QTest::newRow("leading digit") << "1gauge" << gauge << "";
        QTest::newRow("empty") << "" << gauge << "";
        QTest::newRow("label with a dot") << "ok" << gauge << "a.b";
        QTest::newRow("reserved label") << "ok" << gauge << "__name";
        QTest::newRow("le on a histogram") << "ok" << histogram << "le";
        QTest::newRow("same name, other type") << "taken" << counter << "";
        QTest::newRow("same name, other labels") << "taken" << gauge << "other";
    }
    void refusedNames()
    {
        QFETCH(QString, name);
        QFETCH(int, type);
        QFETCH(QString, label);
        Registry registry;
        registry.gauge("taken", "Help.", {{"l", "x"}});
        const Labels labels = label.isEmpty() ? Labels{} : Labels{{label.toStdString(), "v"}};
        const std::string n = name.toStdString();
        QVERIFY_THROWS_EXCEPTION(std::logic_error, [&] {
            switch (Type(type)) {
            case Type::Counter: registry.counter(n, "Help.", labels); break;
            case Type::Gauge: registry.gauge(n, "Help.", labels); break;
            case Type::Histogram: registry.histogram(n, "Help.", {1}, labels); break;
            }
        }());
    }

    void countsFromManyThreads()
    {
        Counter counter;
        Histogram histogram({1});
        std::vector<std::thread> threads;
        for (int t = 0; t < 4; ++t)
            threads.emplace_back([&] {
                for (int i = 0; i < 100000; ++i) {
                    counter.add();
                    histogram.observe(0.5);
                }
            });
        for (auto &t : threads)
            t.join();
        QCOMPARE(counter.value(), std::uint64_t(400000));
        QCOMPARE(histogram.snapshot().cumulative.back(), std::uint64_t(400000));
        QCOMPARE(histogram.snapshot().sum, 200000.0);
    }
};

QTEST_GUILESS_MAIN(TestMetrics)
#include "test_metrics.moc"
