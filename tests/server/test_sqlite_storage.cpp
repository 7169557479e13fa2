// What only the SQLite file brings: opening it, its schema version, and the file itself
// going away under a running service.
#include "core/highscore_code.h"
#include "server/storage.h"

#include <sqlite3.h>

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace vantrell::highscores;

namespace {

void runSql(const QString &file, const char *sql)
{
    sqlite3 *db = nullptr;
    QCOMPARE(sqlite3_open(file.toUtf8().constData(), &db), SQLITE_OK);
    QCOMPARE(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
}

Submission someSubmission(int points)
{
    int draw = points;
    return {"Ann", vantrell::buildHighscoreCode(points, 1, 30, "K", [&draw](int k) { return ++draw % k; }).value(),
            points, 1, 30, 'K'};
}

} // namespace

class TestSqliteStorage : public QObject {
    Q_OBJECT
    QTemporaryDir scratch_;

private slots:
    void openingFails_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QByteArray>("setUp"); // SQL run on the file first, or "text:" and the file's bytes
        QTest::addColumn<QString>("reason");
        const QString dir = scratch_.path();
        QTest::newRow("missing folder") << "sqlite:" + dir + "/no/such/folder/h.db" << QByteArray() << "cannot open database";
        QTest::newRow("a folder") << "sqlite:" + dir << QByteArray() << "cannot open database";
        QTest::newRow("not a database") << "sqlite:" + dir + "/text.db" << QByteArray("text:hello, world\n")
                                        << "file is not a database";
        QTest::newRow("another program's tables")
            << "sqlite:" + dir + "/other.db" << QByteArray("CREATE TABLE accounts (id INTEGER)")
            << "holds tables of another program";
        QTest::newRow("a newer schema")
            << "sqlite:" + dir + "/newer.db"
            << QByteArray("CREATE TABLE schema_version (version INTEGER NOT NULL); INSERT INTO schema_version VALUES (99)")
            << "schema version 99, newer than this program's 2";
        QTest::newRow("no file named") << "sqlite:" << QByteArray() << "names no file";
        QTest::newRow("unknown engine") << "mysql://localhost/list" << QByteArray() << "unknown database address";
    }
    void openingFails()
    {
        QFETCH(QString, address);
        QFETCH(QByteArray, setUp);
        QFETCH(QString, reason);
        const QString file = address.mid(7);
        if (setUp.startsWith("text:")) {
            QFile f(file);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(setUp.mid(5));
        } else if (!setUp.isEmpty()) {
            runSql(file, setUp.constData());
        }
        try {
            openStorage(address.toStdString());
            QFAIL("the storage opened");
        } catch (const StorageOpenError &e) {
            const QString message = QString::fromUtf8(e.what());
            QVERIFY2(message.contains(reason), qPrintable(message));
            QVERIFY2(!message.contains('\n'), qPrintable(message));
        }
    }

    // The list and its schema version survive a restart; a second start adds nothing.
    void reopenedListKeepsItsEntries()
    {
        const std::string address = "sqlite:" + scratch_.filePath("kept.db").toStdString();
        std::int64_t id = 0;
        {
            const auto storage = openStorage(address);
            id = storage->submit(someSubmission(30000)).entry.id;
        }
        const auto storage = openStorage(address);
        QCOMPARE(storage->list(1, 10, 0).total, 1);
        QCOMPARE(storage->entry(id)->points, 30000);
        QCOMPARE(storage->submit(someSubmission(30000)).outcome, SubmitOutcome::Standing);
    }

    // A file deleted or replaced under the running service would swallow every later entry:
    // the storage says it is unwell and refuses, rather than answer 201 for it.
    void fileGoneUnderTheService_data()
    {
        QTest::addColumn<bool>("replaced");
        QTest::newRow("deleted") << false;
        QTest::newRow("replaced") << true;
    }
    void fileGoneUnderTheService()
    {
        QFETCH(bool, replaced);
        const QString file = scratch_.filePath(replaced ? "replaced.db" : "deleted.db");
        const auto storage = openStorage("sqlite:" + file.toStdString());
        storage->submit(someSubmission(30000));
        QVERIFY(QFile::remove(file));
        if (replaced)
            QVERIFY(QFile::copy(scratch_.filePath("kept.db"), file));
        QVERIFY(!storage->healthy());
        QVERIFY_THROWS_EXCEPTION(StorageUnavailable, storage->submit(someSubmission(31000)));
    }
};

QTEST_GUILESS_MAIN(TestSqliteStorage)
#include "test_sqlite_storage.moc"
