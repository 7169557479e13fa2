// The storage rules, run against every back end (storage_backends.h).
#include "core/highscore_code.h"
#include "server/storage.h"
#include "storage_backends.h"

#include <QTemporaryDir>
#include <QtTest>

#include <fstream>
#include <algorithm>
#include <map>
#include <numeric>
#include <set>
#include <thread>

using namespace vantrell::highscores;

namespace {

struct Result {
    int points;
    int type;
    int givens;
    char set;
};

// Codes of a result differ in their random digits; seed picks them.
std::string codeOf(const Result &r, int seed)
{
    int draw = seed;
    return vantrell::buildHighscoreCode(r.points, r.type, r.givens, std::string(1, r.set),
                                        [&draw](int k) { return (draw = draw * 7 + 3) % k; })
        .value();
}

Submission submission(const std::string &name, const Result &r, int seed)
{
    return {name, codeOf(r, seed), r.points, r.type, r.givens, r.set};
}

} // namespace

class TestStorage : public QObject {
    Q_OBJECT
    QTemporaryDir scratch_;
    std::vector<StorageBackend> backends_;
    std::unique_ptr<Storage> storage_;

private slots:
    void initTestCase_data()
    {
        QVERIFY(scratch_.isValid());
        backends_ = storageBackends(scratch_.path());
        QTest::addColumn<int>("backend");
        for (std::size_t i = 0; i < backends_.size(); ++i)
            QTest::newRow(qPrintable(backends_[i].name)) << int(i);
    }
    void init()
    {
        QFETCH_GLOBAL(int, backend);
        storage_ = backends_[std::size_t(backend)].fresh();
        QVERIFY(storage_->healthy());
    }
    void cleanup() { storage_.reset(); }

    // Each row is a run of submissions: "name:result/seed" with results a and b, and the
    // outcome each one must have. A code is a result and a seed.
    void submissionRules_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QString>("outcomes"); // C created, S standing, T code taken
        QTest::addColumn<int>("rows");
        QTest::newRow("a new entry") << QStringList{"Ann:a/1"} << "C" << 1;
        QTest::newRow("the same code again") << QStringList{"Ann:a/1", "Ann:a/1"} << "CS" << 1;
        QTest::newRow("a new code of the same result") << QStringList{"Ann:a/1", "Ann:a/2"} << "CS" << 1;
        QTest::newRow("the code under another name") << QStringList{"Ann:a/1", "Bob:a/1"} << "CT" << 1;
        QTest::newRow("another name, its own code") << QStringList{"Ann:a/1", "Bob:a/2"} << "CC" << 2;
        QTest::newRow("a code once shown stays the name's")
            << QStringList{"Ann:a/1", "Ann:a/2", "Bob:a/2", "Bob:a/3"} << "CSTC" << 2;
        QTest::newRow("another result of the name") << QStringList{"Ann:a/1", "Ann:b/1"} << "CC" << 2;
        QTest::newRow("names differ by case") << QStringList{"ann:a/1", "Ann:a/2"} << "CC" << 2;
        QTest::newRow("the empty name is a name") << QStringList{":a/1", ":a/2", "Ann:a/1"} << "CST" << 1;
    }
    void submissionRules()
    {
        QFETCH(QStringList, steps);
        QFETCH(QString, outcomes);
        QFETCH(int, rows);
        const std::map<QChar, Result> results = {{'a', {30000, 1, 30, 'K'}}, {'b', {31000, 1, 30, 'K'}}};
        std::map<std::string, std::int64_t> entryOfCode;
        for (int i = 0; i < steps.size(); ++i) {
            const QString name = steps[i].section(':', 0, 0);
            const QString rest = steps[i].section(':', 1);
            const Submission s = submission(name.toStdString(), results.at(rest[0]), rest.section('/', 1).toInt());
            const SubmitResult r = storage_->submit(s);
            const char expected = outcomes[i].toLatin1();
            const char got = r.outcome == SubmitOutcome::Created ? 'C' : r.outcome == SubmitOutcome::Standing ? 'S' : 'T';
            QVERIFY2(got == expected, qPrintable(QString("step %1 (%2): %3").arg(i + 1).arg(steps[i]).arg(got)));
            // The entry answered is the one the code stands under, with the code's values.
            QCOMPARE(r.entry.name, got == 'T' ? r.entry.name : s.name);
            QCOMPARE(std::tie(r.entry.points, r.entry.type, r.entry.givens, r.entry.set),
                     std::tie(s.points, s.type, s.givens, s.set));
            if (entryOfCode.count(s.code))
                QCOMPARE(r.entry.id, entryOfCode[s.code]);
            entryOfCode[s.code] = r.entry.id;
            QCOMPARE(r.rank, storage_->rank(r.entry));
        }
        QCOMPARE(storage_->list(1, 100, 0).total, rows);
    }

    // Points first, then the time of entry; pages, totals and ranks agree; types stay apart.
    void rankingAndPages()
    {
        const std::vector<int> points = {26000, 30000, 26000, 43000, 25541, 30000, 27000};
        std::vector<std::int64_t> ids;
        for (std::size_t i = 0; i < points.size(); ++i)
            ids.push_back(storage_->submit(submission("P" + std::to_string(i), {points[i], 9, 23, 'S'}, int(i))).entry.id);
        storage_->submit(submission("Other", {30000, 8, 20, 'R'}, 1));
        // Best first; among equal points the earlier entry.
        const std::vector<std::size_t> order = {3, 1, 5, 6, 0, 2, 4};
        const ListPage all = storage_->list(9, 100, 0);
        QCOMPARE(all.total, std::int64_t(points.size()));
        QCOMPARE(all.entries.size(), order.size());
        for (std::size_t rank = 0; rank < order.size(); ++rank) {
            QCOMPARE(all.entries[rank].id, ids[order[rank]]);
            QCOMPARE(storage_->rank(all.entries[rank]), std::int64_t(rank + 1));
            QCOMPARE(storage_->entry(ids[order[rank]])->name, "P" + std::to_string(order[rank]));
        }
        const ListPage middle = storage_->list(9, 3, 2);
        QCOMPARE(middle.total, all.total);
        QCOMPARE(middle.offset, 2);
        QCOMPARE(middle.entries.size(), std::size_t(3));
        QCOMPARE(middle.entries[0].id, ids[order[2]]);
        QVERIFY(storage_->list(9, 10, 50).entries.empty());
        QCOMPARE(storage_->list(8, 10, 0).total, 1);
        QCOMPARE(storage_->list(1, 10, 0).total, 0);
        QVERIFY(!storage_->entry(ids.back() + 100));
    }

    // Lists of many ties, loaded through the import with chosen times: every page at every
    // depth, every rank and every total agree with a full sort by points, then time of
    // entry, then id (the order the lines came in).
    void orderAgreesWithAFullSort_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("distinctPoints"); // points values drawn from
        QTest::addColumn<int>("spread");         // points apart
        QTest::addColumn<int>("distinctTimes");  // milliseconds drawn from
        QTest::newRow("every entry tied") << 60 << 1 << 1 << 1;
        QTest::newRow("few values, same millisecond") << 120 << 3 << 1 << 1;
        QTest::newRow("values within one block") << 150 << 40 << 3 << 5;
        QTest::newRow("values across many blocks") << 200 << 60 << 997 << 20;
        QTest::newRow("block edges") << 120 << 6 << 256 << 3;
    }
    void orderAgreesWithAFullSort()
    {
        QFETCH(int, count);
        QFETCH(int, distinctPoints);
        QFETCH(int, spread);
        QFETCH(int, distinctTimes);
        struct Line {
            int points;
            std::int64_t ms;
            std::string name;
        };
        std::vector<Line> lines;
        unsigned draw = 12345;
        const auto next = [&draw](unsigned k) { return (draw = draw * 1103515245u + 12345u) / 65536u % k; };
        for (int i = 0; i < count; ++i)
            lines.push_back({25856 + int(next(unsigned(distinctPoints))) * spread,
                             1'700'000'000'000 + std::int64_t(next(unsigned(distinctTimes))), "L" + std::to_string(i)});
        std::size_t at = 0;
        const ImportSummary summary = storage_->importRecords([&](ImportRecord &r, std::int64_t &line) {
            if (at == lines.size())
                return false;
            const Line &l = lines[at++];
            r = {submission(l.name, {l.points, 9, 20, 'B'}, int(at)), l.ms, false, {}};
            line = std::int64_t(at);
            return true;
        });
        QCOMPARE(summary.entries, count);

        // The same order by brute force: ids follow the lines.
        std::vector<std::size_t> order(lines.size());
        std::iota(order.begin(), order.end(), 0);
        std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
            return std::tie(lines[b].points, lines[a].ms) < std::tie(lines[a].points, lines[b].ms);
        });
        const ListPage all = storage_->list(9, count + 5, 0);
        QCOMPARE(all.total, std::int64_t(count));
        QCOMPARE(all.entries.size(), std::size_t(count));
        for (std::size_t rank = 0; rank < order.size(); ++rank) {
            const Entry &e = all.entries[rank];
            QVERIFY2(e.name == lines[order[rank]].name, qPrintable(QString("rank %1").arg(rank + 1)));
            QCOMPARE(storage_->rank(e), std::int64_t(rank + 1));
        }
        for (const int limit : {1, 7, 20})
            for (std::int64_t offset = 0; offset <= count + 2; offset += 3) {
                const ListPage page = storage_->list(9, limit, offset);
                QCOMPARE(page.total, std::int64_t(count));
                const std::size_t expected = std::size_t(std::clamp<std::int64_t>(count - offset, 0, limit));
                QCOMPARE(page.entries.size(), expected);
                for (std::size_t i = 0; i < page.entries.size(); ++i)
                    QCOMPARE(page.entries[i].id, all.entries[std::size_t(offset) + i].id);
            }
        QVERIFY(storage_->list(9, 20, 1'000'000'000'000).entries.empty());
        QVERIFY(storage_->list(8, 20, 0).entries.empty());
    }

    // A list written before the counts existed: opening it builds them, and ranks, pages and
    // totals are those of its rows.
    void olderListIsCounted()
    {
        QFETCH_GLOBAL(int, backend);
        const StorageBackend &b = backends_[std::size_t(backend)];
        std::string sql = b.migrations.front().sql;
        sql += "CREATE TABLE IF NOT EXISTS schema_version (version INTEGER NOT NULL);"
               "INSERT INTO schema_version (version) VALUES (1);";
        const int points[] = {30000, 26000, 30000, 43000, 26000, 30255, 30256};
        for (int i = 0; i < 7; ++i)
            sql += "INSERT INTO entries (name, points, game_type, givens, element_set, entered_ms) VALUES ('Old "
                   + std::to_string(i) + "', " + std::to_string(points[i]) + ", 9, 20, 'B', "
                   + std::to_string(1'700'000'000'000 + i / 2) + ");";
        sql += "INSERT INTO codes (code, entry_id) VALUES ('01234567890123456789012', 1);";
        storage_ = b.after(sql);
        const ListPage page = storage_->list(9, 10, 0);
        QCOMPARE(page.total, 7);
        std::vector<std::string> names;
        for (const Entry &e : page.entries) {
            names.push_back(e.name);
            QCOMPARE(storage_->rank(e), std::int64_t(names.size()));
        }
        QCOMPARE(names, (std::vector<std::string>{"Old 3", "Old 6", "Old 5", "Old 0", "Old 2", "Old 1", "Old 4"}));
        QCOMPARE(storage_->list(9, 2, 5).entries.front().name, "Old 1");
    }

    // Many threads send the same codes at once: the database, not the program, keeps each
    // code to one entry, and every thread hears the same entry for a code.
    void concurrentSubmissionsOfOneCode()
    {
        constexpr int kCodes = 40, kThreads = 8;
        std::vector<Submission> submissions;
        for (int i = 0; i < kCodes; ++i)
            submissions.push_back(submission("N" + std::to_string(i), {26000 + i, 1, 30, 'K'}, i));
        std::mutex mutex;
        std::map<std::string, std::multiset<int>> outcomes; // code -> outcomes
        std::map<std::string, std::set<std::int64_t>> entries;
        std::vector<std::thread> threads;
        for (int t = 0; t < kThreads; ++t)
            threads.emplace_back([&, t] {
                for (int i = 0; i < kCodes; ++i) {
                    Submission s = submissions[std::size_t((i + t * 5) % kCodes)];
                    if (t % 2)
                        s.name += "-other"; // half the threads send the code under another name
                    const SubmitResult r = storage_->submit(s);
                    std::lock_guard lock(mutex);
                    outcomes[s.code].insert(int(r.outcome));
                    entries[s.code].insert(r.entry.id);
                }
            });
        for (auto &t : threads)
            t.join();
        QCOMPARE(storage_->list(1, 100, 0).total, kCodes);
        for (const auto &[code, seen] : outcomes) {
            QCOMPARE(seen.count(int(SubmitOutcome::Created)), std::size_t(1));
            QCOMPARE(seen.count(int(SubmitOutcome::Standing)) + seen.count(int(SubmitOutcome::CodeTaken)),
                     std::size_t(kThreads - 1));
            QCOMPARE(entries[code].size(), std::size_t(1));
        }
    }
};

QTEST_GUILESS_MAIN(TestStorage)
#include "test_storage.moc"
