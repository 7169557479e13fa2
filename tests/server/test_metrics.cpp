// The Prometheus registry: what its text holds, the names it refuses, counts from many
// threads, and the service's own set. (metrics_format_test.py checks the same text with
// promtool and Prometheus' Python parser.)
#include "server/metrics.h"

#include <QtTest>

#include <thread>

using namespace vantrell::highscores::metrics;

class TestMetrics : public QObject {
    Q_OBJECT
    QString registryText, serviceText;

private slots:
    void initTestCase()
    {
        Registry registry;
        registry.counter("jobs_total", "Jobs done.\nBy kind \\ state.", {{"kind", "a\"b\\c\nd"}}).add(3);
        registry.counter("jobs_total", "Jobs done.\nBy kind \\ state.", {{"kind", "plain"}}).add();
        registry.counter("jobs_total", "Jobs done.\nBy kind \\ state.", {{"kind", "plain"}}).add(); // the same series
        registry.gauge("temperature_celsius", "Heat.").set(-1.5);
        Histogram &h = registry.histogram("wait_seconds", "Waits.", {0.5, 1, 2}, {{"queue", "q"}});
        for (double v : {0.25, 0.5, 0.75, 3.0})
            h.observe(v);
        registry.callback("things", "Things.", Type::Gauge, [] { return Registry::Samples{{{{"t", "1"}}, 7}, {{{"t", "8"}}, 0}}; });
        registryText = QString::fromStdString(registry.render());

        ServiceMetrics service("1.2.3");
        service.request(Route::ListApi, 404, std::chrono::milliseconds(3));
        service.request(Route::ListApi, 200, std::chrono::microseconds(300));
        service.request(Route::SubmitApi, 101, std::chrono::seconds(20));
        service.request(Route::SubmitApi, 599, std::chrono::seconds(1));
        service.submission(Outcome::BlockedName);
        service.writerCommit(3);
        service.setSources({[] { return std::array<std::int64_t, 3>{10, 0, 2}; }, [] { return std::uint64_t(5); }, {}});
        serviceText = QString::fromStdString(service.render());
    }

    void lines_data()
    {
        QTest::addColumn<bool>("service");
        QTest::addColumn<QString>("line");
        const auto registryLine = [](const char *row, const char *line) { QTest::newRow(row) << false << QString::fromUtf8(line); };
        const auto serviceLine = [](const char *row, const char *line) { QTest::newRow(row) << true << QString::fromUtf8(line); };
        registryLine("help escaped", "# HELP jobs_total Jobs done.\\nBy kind \\\\ state.");
        registryLine("type", "# TYPE jobs_total counter");
        registryLine("label value escaped", "jobs_total{kind=\"a\\\"b\\\\c\\nd\"} 3");
        registryLine("one series for the same labels", "jobs_total{kind=\"plain\"} 2");
        registryLine("gauge", "temperature_celsius -1.5");
        registryLine("first bucket takes its bound", "wait_seconds_bucket{queue=\"q\",le=\"0.5\"} 2");
        registryLine("buckets add up", "wait_seconds_bucket{queue=\"q\",le=\"1\"} 3");
        registryLine("empty bucket still cumulative", "wait_seconds_bucket{queue=\"q\",le=\"2\"} 3");
        registryLine("infinity", "wait_seconds_bucket{queue=\"q\",le=\"+Inf\"} 4");
        registryLine("sum", "wait_seconds_sum{queue=\"q\"} 4.5");
        registryLine("count", "wait_seconds_count{queue=\"q\"} 4");
        registryLine("histogram type", "# TYPE wait_seconds histogram");
        registryLine("callback", "things{t=\"1\"} 7");
        registryLine("callback zero", "things{t=\"8\"} 0");
        serviceLine("status class", "vantrell_highscores_requests_total{route=\"list_api\",code=\"4xx\"} 1");
        serviceLine("made at start", "vantrell_highscores_requests_total{route=\"healthz\",code=\"2xx\"} 0");
        serviceLine("below 200 as 2xx", "vantrell_highscores_requests_total{route=\"submit_api\",code=\"2xx\"} 1");
        serviceLine("599 as 5xx", "vantrell_highscores_requests_total{route=\"submit_api\",code=\"5xx\"} 1");
        serviceLine("fast answer", "vantrell_highscores_request_duration_seconds_bucket{route=\"list_api\",le=\"0.0005\"} 1");
        serviceLine("beyond the last bucket", "vantrell_highscores_request_duration_seconds_bucket{route=\"submit_api\",le=\"10\"} 1");
        serviceLine("outcome", "vantrell_highscores_submissions_total{outcome=\"blocked_name\"} 1");
        serviceLine("outcome made at start", "vantrell_highscores_submissions_total{outcome=\"unavailable\"} 0");
        serviceLine("batch", "vantrell_highscores_writer_batch_size_bucket{le=\"4\"} 1");
        serviceLine("batch below", "vantrell_highscores_writer_batch_size_bucket{le=\"2\"} 0");
        serviceLine("commits", "vantrell_highscores_writer_commits_total 1");
        serviceLine("entries", "vantrell_highscores_entries{type=\"9\"} 2");
        serviceLine("dropped lines", "vantrell_highscores_log_lines_dropped_total 5");
        serviceLine("unset source", "# TYPE vantrell_highscores_open_connections gauge");
        serviceLine("version", "vantrell_highscores_build_info{version=\"1.2.3\"} 1");
    }
    void lines()
    {
        QFETCH(bool, service);
        QFETCH(QString, line);
        const QString &text = service ? serviceText : registryText;
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
