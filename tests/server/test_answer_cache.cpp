// The list answers the service remembers: made once however many ask at the same moment,
// kept for a second while the list stands, and not pushed out by a stream of new addresses.
#include "server/answer_cache.h"

#include <QtTest>

#include <chrono>

using namespace vantrell::highscores;
using namespace std::chrono_literals;

class TestAnswerCache : public QObject {
    Q_OBJECT

    static Response answer(const std::string &body) { return {200, "text/plain", body, {}}; }

private slots:
    // Each step asks for a key at a time (ms) and list version, and says what it must get:
    // F make it, J wait for the one making it, H a remembered answer; "=" completes the key.
    void lookups_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::newRow("asked twice at once: made once") << QStringList{"a@0v1 F", "a@0v1 J", "a@0v1 J", "=a", "a@5v1 H"};
        QTest::newRow("a second later it is made again") << QStringList{"a@0v1 F", "=a", "a@999v1 H", "a@1000v1 F"};
        QTest::newRow("a new entry makes it again") << QStringList{"a@0v1 F", "=a", "a@10v2 F"};
        QTest::newRow("keys apart") << QStringList{"a@0v1 F", "b@0v1 F", "=b", "b@1v1 H", "a@1v1 J", "=a"};
        QTest::newRow("a failed answer is not kept") << QStringList{"a@0v1 F", "=a!", "a@1v1 F"};
    }
    void lookups()
    {
        QFETCH(QStringList, steps);
        AnswerCache cache;
        const AnswerCache::Clock::time_point start{};
        int joinedReplies = 0, expectedJoined = 0;
        for (const QString &step : steps) {
            if (step.startsWith('=')) {
                const std::string key = step.mid(1, 1).toStdString();
                const bool keep = !step.endsWith('!');
                const auto waiting = cache.complete(key, 1, start, answer(key), keep);
                for (const Reply &r : waiting)
                    r(answer(key));
                continue;
            }
            const std::string key = step.left(1).toStdString();
            const int ms = step.section('@', 1).section('v', 0, 0).toInt();
            const std::uint64_t version = step.section('v', 1).section(' ', 0, 0).toULongLong();
            Reply reply = [&joinedReplies](Response) { ++joinedReplies; };
            const auto found = cache.lookup(key, version, start + std::chrono::milliseconds(ms), reply);
            const char expected = step.back().toLatin1();
            const char got = std::holds_alternative<AnswerCache::Hit>(found)      ? 'H'
                             : std::holds_alternative<AnswerCache::Joined>(found) ? 'J'
                                                                                  : 'F';
            QVERIFY2(got == expected, qPrintable(step + " gave " + got));
            expectedJoined += got == 'J';
        }
        QCOMPARE(joinedReplies, expectedJoined);
    }

    // A crawler's stream of distinct addresses passes through probation; what was asked for
    // twice stays.
    void streamOfNewAddressesKeepsTheReadOnes()
    {
        AnswerCache cache(8, 8, 1h);
        const AnswerCache::Clock::time_point now{};
        Reply none = [](Response) {};
        for (const std::string key : {"front", "top"}) {
            cache.lookup(key, 1, now, none);
            cache.complete(key, 1, now, answer(key), true);
            QVERIFY(std::holds_alternative<AnswerCache::Hit>(cache.lookup(key, 1, now, none)));
        }
        for (int i = 0; i < 1000; ++i) {
            const std::string key = "page" + std::to_string(i);
            cache.lookup(key, 1, now, none);
            cache.complete(key, 1, now, answer(key), true);
        }
        QVERIFY(cache.size() <= 16);
        for (const std::string key : {"front", "top"})
            QVERIFY(std::holds_alternative<AnswerCache::Hit>(cache.lookup(key, 1, now, none)));
        QVERIFY(std::holds_alternative<AnswerCache::First>(cache.lookup("page0", 1, now, none)));
    }
};

QTEST_GUILESS_MAIN(TestAnswerCache)
#include "test_answer_cache.moc"
