// What only PostgreSQL brings: opening it, instances that start together, and a database
// that ends the service's sessions, refuses it for a while or stops answering.
#include "core/highscore_code.h"
#include "server/postgres_storage.h"
#include "server/storage.h"
#include "storage_backends.h"

#include <signal.h>

#include <QElapsedTimer>
#include <QtTest>

#include <thread>

using namespace vantrell::highscores;

namespace {

Submission someSubmission(int points)
{
    int draw = points;
    return {"Ann", vantrell::buildHighscoreCode(points, 1, 30, "K", [&draw](int k) { return ++draw % k; }).value(),
            points, 1, 30, 'K'};
}

// The same cluster's maintenance database, for what the list's own database cannot do.
std::string maintenance(const std::string &uri)
{
    std::string other = uri;
    other.replace(other.find("/highscores?"), 12, "/postgres?");
    return other;
}

} // namespace

class TestPostgresStorage : public QObject {
    Q_OBJECT
    std::string uri_;

    void emptyDatabase() { runPostgresSql(uri_, "DROP SCHEMA public CASCADE; CREATE SCHEMA public"); }

private slots:
    void initTestCase()
    {
        const char *uri = std::getenv("VANTRELL_TEST_POSTGRES");
        if (!uri)
            QSKIP("no private PostgreSQL: run through tests/support/postgres/private_postgres.py");
        uri_ = uri;
    }

    void openingFails_data()
    {
        QTest::addColumn<QString>("address"); // "LIST" stands for the list's database
        QTest::addColumn<QString>("setUp");
        QTest::addColumn<QString>("reason");
        QTest::newRow("nothing at the socket") << "postgresql://vantrell:secret@/highscores?host=/nonexistent" << ""
                                               << "cannot open database postgresql://vantrell@/highscores: cannot connect";
        QTest::newRow("no such database") << "postgresql://vantrell:secret@/nosuch?host=HOST" << ""
                                          << "database \"nosuch\" does not exist";
        QTest::newRow("another program's tables")
            << "LIST" << "CREATE TABLE accounts (id integer)" << "holds tables of another program";
        QTest::newRow("a newer schema")
            << "LIST" << "CREATE TABLE schema_version (version integer NOT NULL); INSERT INTO schema_version VALUES (99)"
            << "schema version 99, newer than this program's 2";
    }
    void openingFails()
    {
        QFETCH(QString, address);
        QFETCH(QString, setUp);
        QFETCH(QString, reason);
        emptyDatabase();
        if (!setUp.isEmpty())
            runPostgresSql(uri_, setUp.toUtf8().constData());
        std::string target = address == "LIST" ? uri_ : address.toStdString();
        if (const std::size_t host = target.find("host=HOST"); host != std::string::npos)
            target.replace(host + 5, 4, uri_.substr(uri_.find("host=") + 5));
        try {
            openStorage(target);
            QFAIL("the storage opened");
        } catch (const StorageOpenError &e) {
            const QString message = QString::fromUtf8(e.what());
            QVERIFY2(message.contains(reason), qPrintable(message));
            QVERIFY2(!message.contains('\n') && !message.contains("secret"), qPrintable(message));
        }
    }

    // Instances that start at once on an empty database set its tables up once, not race.
    void instancesStartTogether()
    {
        emptyDatabase();
        std::vector<std::unique_ptr<Storage>> storages(6);
        std::vector<std::string> errors(storages.size());
        std::vector<std::thread> threads;
        for (std::size_t i = 0; i < storages.size(); ++i)
            threads.emplace_back([&, i] {
                try {
                    storages[i] = openStorage(uri_, 1);
                } catch (const std::exception &e) {
                    errors[i] = e.what();
                }
            });
        for (auto &t : threads)
            t.join();
        for (std::size_t i = 0; i < storages.size(); ++i) {
            QVERIFY2(storages[i], errors[i].c_str());
            QVERIFY(storages[i]->healthy());
        }
        QCOMPARE(storages[0]->submit(someSubmission(30000)).outcome, SubmitOutcome::Created);
        QCOMPARE(storages[5]->submit(someSubmission(30000)).outcome, SubmitOutcome::Standing);
    }

    // The database ends the service's sessions (a restart, an administrator), or refuses
    // connections for a while: the storage says so and refuses, and is whole again by itself,
    // without a 503 for the first request after a restart and within 2 s of the return.
    void databaseGoneAndBack()
    {
        emptyDatabase();
        const auto storage = openStorage(uri_, 2);
        QCOMPARE(storage->submit(someSubmission(30000)).outcome, SubmitOutcome::Created);
        const std::string ours = "SELECT pg_terminate_backend(pid) FROM pg_stat_activity"
                                 " WHERE application_name = 'vantrell-highscores' AND datname = 'highscores'";
        const std::string maintenanceUri = maintenance(uri_);
        auto sql = [&](const std::string &statement) { runPostgresSql(maintenanceUri, statement.c_str()); };

        sql(ours);
        QCOMPARE(storage->submit(someSubmission(31000)).outcome, SubmitOutcome::Created);
        sql(ours);
        QCOMPARE(storage->list(1, 10, 0).total, 2);

        sql("ALTER DATABASE highscores ALLOW_CONNECTIONS false");
        sql(ours);
        QVERIFY(!storage->healthy());
        QVERIFY_THROWS_EXCEPTION(StorageUnavailable, storage->submit(someSubmission(32000)));
        QVERIFY_THROWS_EXCEPTION(StorageUnavailable, storage->list(1, 10, 0));
        sql("ALTER DATABASE highscores ALLOW_CONNECTIONS true");
        QElapsedTimer back;
        back.start();
        while (!storage->healthy() && back.elapsed() < 5000)
            QTest::qWait(10);
        QVERIFY2(back.elapsed() < 2000, qPrintable(QString("healthy again after %1 ms").arg(back.elapsed())));
        QCOMPARE(storage->submit(someSubmission(32000)).outcome, SubmitOutcome::Created);
        QCOMPARE(storage->list(1, 10, 0).total, 3);
    }

    // A database that hangs (its session stopped) costs a request the answer time-out, not
    // a worker for ever; the next request takes a new session.
    void databaseHangs()
    {
        emptyDatabase();
        const auto storage = openPostgresStorage(uri_, 1, std::chrono::milliseconds(500));
        QVERIFY(storage->healthy());
        const int session = std::stoi(runPostgresSql(
            maintenance(uri_), "SELECT pid FROM pg_stat_activity WHERE application_name = 'vantrell-highscores'"));
        QCOMPARE(::kill(session, SIGSTOP), 0);
        QElapsedTimer waited;
        waited.start();
        QVERIFY_THROWS_EXCEPTION(StorageUnavailable, storage->list(1, 10, 0));
        const qint64 took = waited.elapsed();
        ::kill(session, SIGCONT);
        QVERIFY2(took >= 400 && took < 2000, qPrintable(QString("gave up after %1 ms").arg(took)));
        QCOMPARE(storage->submit(someSubmission(30000)).outcome, SubmitOutcome::Created);
    }
};

QTEST_GUILESS_MAIN(TestPostgresStorage)
#include "test_postgres_storage.moc"
