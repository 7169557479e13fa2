#include "server/postgres_storage.h"

#include <libpq-fe.h>

#include <poll.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <initializer_list>
#include <mutex>
#include <string_view>
#include <utility>
#include <vector>

namespace vantrell::highscores {
namespace {

using Clock = std::chrono::steady_clock;

// libpq takes zero-terminated values.
std::vector<const char *> valuePointers(const std::vector<std::string> &values)
{
    std::vector<const char *> pointers;
    for (const std::string &v : values)
        pointers.push_back(v.c_str());
    return pointers;
}

// Each schema change is a new entry at the end, as in the SQLite file. Entries take the
// database's clock, so that instances on machines whose clocks differ rank alike.
constexpr Migration kMigrations[] = {
    {1, R"sql(
CREATE TABLE entries (
  id bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY,
  name text NOT NULL,
  points integer NOT NULL,
  game_type integer NOT NULL,
  givens integer NOT NULL,
  element_set text NOT NULL,
  entered_ms bigint NOT NULL DEFAULT (extract(epoch FROM now()) * 1000)::bigint,
  UNIQUE (name, points, game_type, givens, element_set)
);
CREATE INDEX entries_by_rank ON entries (game_type, points DESC, entered_ms, id);
CREATE TABLE codes (
  code text PRIMARY KEY,
  entry_id bigint NOT NULL REFERENCES entries (id)
);
-- One submission in one round trip. The rules are the unique constraints: in READ COMMITTED
-- an insert that meets a row another session is writing waits for its commit, and each
-- statement here sees what was committed before it, so two instances that take the same
-- code at the same moment make one entry.
CREATE FUNCTION submit_entry(p_name text, p_points integer, p_type integer, p_givens integer, p_set text,
                             p_code text)
RETURNS TABLE (outcome text, id bigint, name text, points integer, game_type integer, givens integer,
               element_set text, entered_ms bigint, rank bigint)
LANGUAGE plpgsql VOLATILE AS $$
DECLARE
  made entries%ROWTYPE;
  mine entries%ROWTYPE;
  holder entries%ROWTYPE;
BEGIN
  FOR attempt IN 1..3 LOOP
    INSERT INTO entries AS e (name, points, game_type, givens, element_set)
      VALUES (p_name, p_points, p_type, p_givens, p_set)
      ON CONFLICT DO NOTHING RETURNING e.* INTO made;
    IF made.id IS NOT NULL THEN
      mine := made;
    ELSE
      SELECT e.* INTO mine FROM entries e WHERE e.name = p_name AND e.points = p_points
        AND e.game_type = p_type AND e.givens = p_givens AND e.element_set = p_set;
    END IF;
    EXIT WHEN mine.id IS NOT NULL; -- else the row that stood in the way is gone again
  END LOOP;
  IF mine.id IS NULL THEN
    RAISE EXCEPTION 'an entry that blocked an insert cannot be read' USING ERRCODE = '40001';
  END IF;
  INSERT INTO codes AS c (code, entry_id) VALUES (p_code, mine.id) ON CONFLICT DO NOTHING;
  IF FOUND THEN
    holder := mine;
  ELSE
    SELECT e.* INTO holder FROM entries e WHERE e.id = (SELECT c.entry_id FROM codes c WHERE c.code = p_code);
  END IF;
  IF holder.id <> mine.id AND made.id IS NOT NULL THEN
    -- The code is another name's: the entry made for this name must not stay.
    DELETE FROM entries e WHERE e.id = made.id;
  END IF;
  RETURN QUERY SELECT
    CASE WHEN holder.id <> mine.id THEN 'taken' WHEN made.id IS NOT NULL THEN 'created' ELSE 'standing' END,
    holder.id, holder.name, holder.points, holder.game_type, holder.givens, holder.element_set, holder.entered_ms,
    (SELECT count(*) FROM entries e WHERE e.game_type = holder.game_type AND e.points > holder.points)
      + (SELECT count(*) FROM entries e WHERE e.game_type = holder.game_type AND e.points = holder.points
         AND (e.entered_ms, e.id) < (holder.entered_ms, holder.id)) + 1;
END
$$;
)sql"},
};
constexpr int kSchemaVersion = kMigrations[std::size(kMigrations) - 1].version;

// Instances that start together take turns at the schema.
constexpr const char *kMigrationLock = "SELECT pg_advisory_xact_lock(7237381602545316915)";

// A request waits this long for a free connection before it is answered 503.
constexpr auto kWaitForConnection = std::chrono::seconds(5);
// After a failed connect, requests are refused at once for this long rather than each
// trying again: a database that is down costs nothing, and one that returns is used within it.
constexpr auto kReconnectPause = std::chrono::milliseconds(200);
// Deadlocks and serialization failures are the database's way of saying "once more".
constexpr int kAttempts = 3;

#define ENTRY_COLUMNS "id, name, points, game_type, givens, element_set, entered_ms"

enum Statement {
    Submit,
    EntryById,
    RankOf,
    Page,
    SchemaVersion,
    kStatementCount
};

constexpr const char *kStatements[kStatementCount] = {
    "SELECT outcome, " ENTRY_COLUMNS ", rank FROM submit_entry($1, $2, $3, $4, $5, $6)",
    "SELECT " ENTRY_COLUMNS " FROM entries WHERE id = $1",
    // Entries ahead of this one: more points, or as many and entered earlier.
    "SELECT (SELECT count(*) FROM entries WHERE game_type = $1 AND points > $2)"
    " + (SELECT count(*) FROM entries WHERE game_type = $1 AND points = $2 AND (entered_ms, id) < ($3, $4)) + 1",
    // One statement, one snapshot: the page and its total agree, and an empty page still
    // has its total.
    "SELECT t.total, e.* FROM (SELECT count(*) AS total FROM entries WHERE game_type = $1) t"
    " LEFT JOIN LATERAL (SELECT " ENTRY_COLUMNS " FROM entries WHERE game_type = $1"
    " ORDER BY points DESC, entered_ms, id LIMIT $2 OFFSET $3) e ON true",
    "SELECT version FROM schema_version",
};

#undef ENTRY_COLUMNS

// libpq's messages run over several lines; the log wants one.
std::string oneLine(const char *text)
{
    std::string line;
    for (const char *p = text ? text : ""; *p; ++p) {
        const char c = *p == '\n' || *p == '\t' ? ' ' : *p;
        if (c != ' ' || (!line.empty() && line.back() != ' '))
            line += c;
    }
    while (!line.empty() && line.back() == ' ')
        line.pop_back();
    return line;
}

// A statement or a connect that failed. lost: the connection is gone (it is dropped, and a
// request that had not committed anything may try again on a fresh one).
class DatabaseError : public StorageUnavailable {
public:
    DatabaseError(const std::string &what, std::string state, bool lost, bool timedOut = false)
        : StorageUnavailable(what), sqlState(std::move(state)), connectionLost(lost), timedOut(timedOut)
    {
    }
    bool worthRepeating() const { return sqlState == "40001" || sqlState == "40P01"; }

    std::string sqlState;
    bool connectionLost;
    bool timedOut; // not worth another try: the database hangs rather than having left
};

class Result {
public:
    explicit Result(PGresult *r) : r_(r) {}
    ~Result() { PQclear(r_); }
    Result(Result &&other) noexcept : r_(std::exchange(other.r_, nullptr)) {}
    Result(const Result &) = delete;
    Result &operator=(const Result &) = delete;

    int rows() const { return PQntuples(r_); }
    bool null(int row, int column) const { return PQgetisnull(r_, row, column); }
    std::string_view text(int row, int column) const
    {
        return {PQgetvalue(r_, row, column), std::size_t(PQgetlength(r_, row, column))};
    }
    std::int64_t integer(int row, int column) const
    {
        const std::string_view t = text(row, column);
        std::int64_t value = 0;
        std::from_chars(t.data(), t.data() + t.size(), value);
        return value;
    }
    // Rows an INSERT wrote.
    std::int64_t affected() const
    {
        const char *n = PQcmdTuples(r_);
        return n && *n ? std::strtoll(n, nullptr, 10) : 0;
    }

    // The entry whose columns start at column.
    Entry entry(int row, int column) const
    {
        Entry e;
        e.id = integer(row, column);
        e.name = std::string(text(row, column + 1));
        e.points = int(integer(row, column + 2));
        e.type = int(integer(row, column + 3));
        e.givens = int(integer(row, column + 4));
        const std::string_view set = text(row, column + 5);
        e.set = set.empty() ? '?' : set[0];
        e.enteredMs = integer(row, column + 6);
        return e;
    }

private:
    PGresult *r_;
};

// One connection, used by one thread at a time, with the statements it has prepared.
class Connection {
public:
    Connection(const std::string &address, std::chrono::milliseconds answerTimeout) : answerTimeout_(answerTimeout)
    {
        // Defaults first: what the address itself says wins. The keepalives and the user
        // time-out make a database host that vanished from the network an error within
        // seconds rather than a request that hangs (they do nothing on a Unix socket).
        const char *keywords[] = {"connect_timeout", "fallback_application_name", "keepalives_idle",
                                  "keepalives_interval", "keepalives_count", "tcp_user_timeout",
                                  "client_encoding", "dbname", nullptr};
        const char *values[] = {"5", "vantrell-highscores", "10", "3", "3", "10000", "UTF8", address.c_str(), nullptr};
        conn_ = PQconnectdbParams(keywords, values, 1);
        if (!conn_)
            throw DatabaseError("cannot connect: out of memory", {}, true);
        if (PQstatus(conn_) != CONNECTION_OK) {
            const std::string why = oneLine(PQerrorMessage(conn_));
            PQfinish(conn_);
            throw DatabaseError("cannot connect: " + why, {}, true);
        }
        PQsetNoticeProcessor(conn_, [](void *, const char *) {}, nullptr);
    }
    ~Connection() { PQfinish(conn_); }
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    // A simple statement (or several) without parameters.
    Result exec(const char *sql) { return answer(PQsendQuery(conn_, sql), sql); }

    // One statement with its values as parameters.
    Result exec(const char *sql, std::initializer_list<std::string_view> parameters)
    {
        const std::vector<std::string> owned(parameters.begin(), parameters.end());
        const std::vector<const char *> values = valuePointers(owned);
        return answer(PQsendQueryParams(conn_, sql, int(values.size()), nullptr, values.data(), nullptr, nullptr, 0), sql);
    }

    Result run(Statement s, std::initializer_list<std::string_view> parameters)
    {
        if (!prepared_[s]) {
            answer(PQsendPrepare(conn_, name(s), kStatements[s], 0, nullptr), kStatements[s]);
            prepared_[s] = true;
        }
        const std::vector<std::string> owned(parameters.begin(), parameters.end());
        const std::vector<const char *> values = valuePointers(owned);
        return answer(PQsendQueryPrepared(conn_, name(s), int(values.size()), values.data(), nullptr, nullptr, 0),
                      kStatements[s]);
    }

    // Ends a transaction that an error left open; a connection that cannot is dropped.
    void rollback() noexcept
    {
        const PGTransactionStatusType state = PQtransactionStatus(conn_);
        if (PQstatus(conn_) == CONNECTION_OK && (state == PQTRANS_INTRANS || state == PQTRANS_INERROR)) {
            try {
                exec("ROLLBACK");
            } catch (const DatabaseError &) {
            }
        }
    }

    // Whether it can take the next request: still connected (a database that stopped or
    // ended the session has left word on the socket), outside any transaction.
    bool usable()
    {
        if (PQstatus(conn_) != CONNECTION_OK || !PQconsumeInput(conn_))
            return false;
        return PQstatus(conn_) == CONNECTION_OK && PQtransactionStatus(conn_) == PQTRANS_IDLE;
    }

private:
    static const char *name(Statement s)
    {
        static constexpr const char *kNames[kStatementCount] = {"s0", "s1", "s2", "s3", "s4"};
        return kNames[s];
    }

    // The answer to what was just sent, waited for at most answerTimeout_: a database that
    // hangs (stopped by a signal, its machine frozen) must not hold a worker for ever. The
    // connection is given up then. Of several results, the first error or else the last.
    Result answer(int sent, std::string_view sql)
    {
        if (!sent)
            return check(nullptr, sql);
        const Clock::time_point deadline = Clock::now() + answerTimeout_;
        while (PQisBusy(conn_)) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
            pollfd ready{PQsocket(conn_), POLLIN, 0};
            const int rc = left > 0 ? ::poll(&ready, 1, int(left)) : 0;
            if (rc < 0 && errno == EINTR)
                continue;
            if (rc == 0)
                throw DatabaseError("the database did not answer within "
                                        + std::to_string(answerTimeout_.count()) + " ms",
                                    {}, true, true);
            if (rc < 0 || !PQconsumeInput(conn_))
                break; // PQgetResult reports the reason
        }
        PGresult *kept = nullptr;
        while (PGresult *next = PQgetResult(conn_)) {
            if (kept && !succeeded(kept)) {
                PQclear(next);
                continue;
            }
            PQclear(kept);
            kept = next;
        }
        return check(kept, sql);
    }

    static bool succeeded(const PGresult *r)
    {
        const ExecStatusType status = r ? PQresultStatus(r) : PGRES_FATAL_ERROR;
        return status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK;
    }

    Result check(PGresult *raw, std::string_view sql)
    {
        Result r(raw);
        if (succeeded(raw))
            return r;
        const char *state = raw ? PQresultErrorField(raw, PG_DIAG_SQLSTATE) : nullptr;
        sql.remove_prefix(std::min(sql.size(), sql.find_first_not_of(" \n")));
        const std::string first(sql.substr(0, sql.find_first_of(" \n")));
        const char *message = raw ? PQresultErrorMessage(raw) : PQerrorMessage(conn_);
        throw DatabaseError("database error (" + first + "): " + oneLine(message), state ? state : "",
                            PQstatus(conn_) != CONNECTION_OK);
    }

    PGconn *conn_ = nullptr;
    std::chrono::milliseconds answerTimeout_;
    bool prepared_[kStatementCount] = {};
};

// Up to size connections, opened as they are needed and dropped when they fail.
class Pool {
public:
    Pool(std::string address, int size, std::chrono::milliseconds answerTimeout)
        : address_(std::move(address)), size_(size), answerTimeout_(answerTimeout)
    {
    }

    class Lease {
    public:
        Lease(Pool &pool, std::unique_ptr<Connection> c, bool fresh) : pool_(pool), c_(std::move(c)), fresh_(fresh) {}
        ~Lease() { pool_.release(std::move(c_)); }
        Lease(const Lease &) = delete;
        Lease &operator=(const Lease &) = delete;

        Connection &operator*() const { return *c_; }
        bool fresh() const { return fresh_; }
        void drop() { c_.reset(); }

    private:
        Pool &pool_;
        std::unique_ptr<Connection> c_;
        bool fresh_;
    };

    // Throws StorageUnavailable when the database cannot be reached or every connection
    // stays busy for kWaitForConnection.
    Lease acquire()
    {
        const Clock::time_point deadline = Clock::now() + kWaitForConnection;
        std::unique_lock lock(mutex_);
        for (;;) {
            while (!idle_.empty()) {
                std::unique_ptr<Connection> c = std::move(idle_.back());
                idle_.pop_back();
                lock.unlock();
                if (c->usable())
                    return Lease(*this, std::move(c), false);
                c.reset();
                lock.lock();
                --open_;
            }
            if (open_ < size_) {
                if (Clock::now() < retryAt_)
                    throw StorageUnavailable("the database does not answer: " + lastError_);
                ++open_;
                lock.unlock();
                try {
                    auto c = std::make_unique<Connection>(address_, answerTimeout_);
                    return Lease(*this, std::move(c), true);
                } catch (const DatabaseError &e) {
                    lock.lock();
                    --open_;
                    retryAt_ = Clock::now() + kReconnectPause;
                    lastError_ = e.what();
                    freed_.notify_one();
                    throw;
                }
            }
            if (freed_.wait_until(lock, deadline) == std::cv_status::timeout && idle_.empty() && open_ >= size_)
                throw StorageUnavailable("all " + std::to_string(size_) + " database connections stayed busy");
        }
    }

    // The first connection, opened at start.
    void adopt(std::unique_ptr<Connection> c)
    {
        std::lock_guard lock(mutex_);
        ++open_;
        idle_.push_back(std::move(c));
    }

private:
    void release(std::unique_ptr<Connection> c)
    {
        if (c)
            c->rollback();
        const bool keep = c && c->usable();
        if (!keep)
            c.reset();
        {
            std::lock_guard lock(mutex_);
            if (keep)
                idle_.push_back(std::move(c));
            else
                --open_;
        }
        freed_.notify_one();
    }

    const std::string address_;
    const int size_;
    const std::chrono::milliseconds answerTimeout_;
    std::mutex mutex_;
    std::condition_variable freed_;
    std::vector<std::unique_ptr<Connection>> idle_;
    int open_ = 0; // idle and leased
    Clock::time_point retryAt_;
    std::string lastError_;
};

void migrate(Connection &c)
{
    c.exec("BEGIN");
    try {
        c.exec(kMigrationLock);
        c.exec("CREATE TABLE IF NOT EXISTS schema_version (version integer NOT NULL)");
        bringSchemaUpToDate(kMigrations, "the database",
                            {[&c] { return c.exec("SELECT coalesce(max(version), 0) FROM schema_version").integer(0, 0); },
                             [&c] {
                                 return c.exec("SELECT count(*) FROM pg_catalog.pg_tables"
                                               " WHERE schemaname = current_schema() AND tablename <> 'schema_version'")
                                            .integer(0, 0)
                                     > 0;
                             },
                             [&c](const char *sql) { c.exec(sql); },
                             [&c](std::int64_t version) {
                                 c.exec("DELETE FROM schema_version");
                                 c.exec("INSERT INTO schema_version (version) VALUES ($1)", {std::to_string(version)});
                             }});
        c.exec("COMMIT");
    } catch (...) {
        c.rollback();
        throw;
    }
}

class PostgresStorage : public Storage {
public:
    PostgresStorage(const std::string &address, int poolSize, std::chrono::milliseconds answerTimeout)
        : pool_(address, poolSize, answerTimeout)
    {
        try {
            auto c = std::make_unique<Connection>(address, answerTimeout);
            migrate(*c);
            pool_.adopt(std::move(c));
        } catch (const StorageUnavailable &e) {
            throw StorageOpenError(e.what());
        }
    }

    SubmitResult submit(const Submission &s) override
    {
        SubmitResult result = withConnection([&](Connection &c) { return submitOne(c, s); });
        if (result.outcome == SubmitOutcome::Created)
            version_.fetch_add(1, std::memory_order_release);
        return result;
    }

    ListPage list(int type, int limit, std::int64_t offset) override
    {
        return withConnection([&](Connection &c) {
            const Result r = c.run(Page, {std::to_string(type), std::to_string(limit), std::to_string(offset)});
            ListPage page;
            page.offset = offset;
            page.total = r.integer(0, 0);
            for (int row = 0; row < r.rows(); ++row)
                if (!r.null(row, 1))
                    page.entries.push_back(r.entry(row, 1));
            return page;
        });
    }

    std::optional<Entry> entry(std::int64_t id) override
    {
        return withConnection([&](Connection &c) -> std::optional<Entry> {
            const Result r = c.run(EntryById, {std::to_string(id)});
            if (r.rows() == 0)
                return std::nullopt;
            return r.entry(0, 0);
        });
    }

    std::int64_t rank(const Entry &entry) override
    {
        return withConnection([&](Connection &c) { return rankOf(c, entry); });
    }

    bool healthy() override
    {
        try {
            return withConnection([](Connection &c) {
                const Result r = c.run(SchemaVersion, {});
                return r.rows() == 1 && r.integer(0, 0) == kSchemaVersion;
            });
        } catch (const StorageUnavailable &) {
            return false;
        }
    }

    std::uint64_t version() const override { return version_.load(std::memory_order_acquire); }

private:
    // Runs work on a pooled connection. A connection that turns out to be dead is dropped;
    // if it was an old one (the database restarted since it was used) the work is done
    // again on a fresh connection, as it is after a deadlock. Every piece of work is one
    // statement that is safe to repeat: a submission whose commit was lost with its answer
    // finds its entry standing the second time.
    template <typename F>
    auto withConnection(F &&work) -> decltype(work(std::declval<Connection &>()))
    {
        for (int attempt = 1;; ++attempt) {
            Pool::Lease lease = pool_.acquire();
            try {
                return work(*lease);
            } catch (const DatabaseError &e) {
                if (e.connectionLost)
                    lease.drop();
                const bool again = attempt < kAttempts && !e.timedOut
                                   && (e.worthRepeating() || (e.connectionLost && !lease.fresh()));
                if (!again)
                    throw;
            }
        }
    }

    static std::int64_t rankOf(Connection &c, const Entry &e)
    {
        return c.run(RankOf, {std::to_string(e.type), std::to_string(e.points), std::to_string(e.enteredMs),
                              std::to_string(e.id)})
            .integer(0, 0);
    }

    static SubmitResult submitOne(Connection &c, const Submission &s)
    {
        const Result r = c.run(Submit, {s.name, std::to_string(s.points), std::to_string(s.type),
                                        std::to_string(s.givens), std::string(1, s.set), s.code});
        if (r.rows() != 1)
            throw StorageUnavailable("a submission came back without its entry");
        const std::string_view outcome = r.text(0, 0);
        SubmitResult result;
        result.outcome = outcome == "created"    ? SubmitOutcome::Created
                         : outcome == "standing" ? SubmitOutcome::Standing
                                                 : SubmitOutcome::CodeTaken;
        result.entry = r.entry(0, 1);
        result.rank = r.integer(0, 8);
        return result;
    }

    Pool pool_;
    std::atomic<std::uint64_t> version_ = 0;
};

} // namespace

std::unique_ptr<Storage> openPostgresStorage(const std::string &address, int poolSize,
                                             std::chrono::milliseconds answerTimeout)
{
    return std::make_unique<PostgresStorage>(address, poolSize, answerTimeout);
}

} // namespace vantrell::highscores
