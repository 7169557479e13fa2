#include "server/sqlite_storage.h"

#include <sqlite3.h>

#include <sys/stat.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <exception>
#include <future>
#include <mutex>
#include <string_view>
#include <thread>
#include <type_traits>
#include <unordered_map>
#include <utility>
#include <vector>

namespace vantrell::highscores {
namespace {

// Each schema change is a new entry at the end; a database is brought from its version to
// the last one in order, inside one transaction.
constexpr Migration kMigrations[] = {
    {1, R"sql(
CREATE TABLE entries (
  id INTEGER PRIMARY KEY,
  name TEXT NOT NULL,
  points INTEGER NOT NULL,
  game_type INTEGER NOT NULL,
  givens INTEGER NOT NULL,
  element_set TEXT NOT NULL,
  entered_ms INTEGER NOT NULL,
  UNIQUE (name, points, game_type, givens, element_set)
);
CREATE INDEX entries_by_rank ON entries (game_type, points DESC, entered_ms, id);
CREATE TABLE codes (
  code TEXT PRIMARY KEY,
  entry_id INTEGER NOT NULL REFERENCES entries (id)
) WITHOUT ROWID;
)sql"},
};
constexpr int kSchemaVersion = kMigrations[std::size(kMigrations) - 1].version;

// Submissions committed together at most; the rest wait for the next commit.
constexpr std::size_t kMaxBatch = 256;

std::int64_t nowMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

// One connection, used by one thread at a time, with its prepared statements kept.
class Connection {
public:
    Connection(const std::string &path, int flags)
    {
        const int rc = sqlite3_open_v2(path.c_str(), &db_, flags | SQLITE_OPEN_NOMUTEX, nullptr);
        if (rc != SQLITE_OK) {
            const std::string why = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
            sqlite3_close_v2(db_);
            throw StorageOpenError("cannot open database " + path + ": " + why);
        }
        sqlite3_extended_result_codes(db_, 1);
        sqlite3_busy_timeout(db_, 5000);
    }
    ~Connection()
    {
        for (auto &[sql, statement] : statements_)
            sqlite3_finalize(statement);
        sqlite3_close_v2(db_);
    }
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    sqlite3 *db() const { return db_; }

    sqlite3_stmt *prepare(const char *sql)
    {
        auto found = statements_.find(sql);
        if (found != statements_.end())
            return found->second;
        sqlite3_stmt *statement = nullptr;
        if (sqlite3_prepare_v3(db_, sql, -1, SQLITE_PREPARE_PERSISTENT, &statement, nullptr) != SQLITE_OK)
            fail("prepare");
        statements_.emplace(sql, statement);
        return statement;
    }

    void exec(const char *sql)
    {
        if (sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
            fail(sql);
    }

    [[noreturn]] void fail(std::string_view what) const
    {
        std::string text = sqlite3_errmsg(db_);
        const std::string_view first = what.substr(0, what.find('\n'));
        throw StorageUnavailable("database error (" + std::string(first) + "): " + text);
    }

private:
    sqlite3 *db_ = nullptr;
    std::unordered_map<const char *, sqlite3_stmt *> statements_; // keyed by the literal's address
};

// One run of a cached statement; reset when it goes out of scope.
class Query {
public:
    Query(Connection &connection, const char *sql) : connection_(connection), statement_(connection.prepare(sql)) {}
    ~Query()
    {
        sqlite3_reset(statement_);
        sqlite3_clear_bindings(statement_);
    }
    Query(const Query &) = delete;
    Query &operator=(const Query &) = delete;

    Query &bind(int index, std::int64_t value)
    {
        check(sqlite3_bind_int64(statement_, index, value));
        return *this;
    }
    Query &bind(int index, std::string_view text)
    {
        check(sqlite3_bind_text(statement_, index, text.data(), int(text.size()), SQLITE_TRANSIENT));
        return *this;
    }
    // True while there is a row.
    bool step()
    {
        const int rc = sqlite3_step(statement_);
        if (rc == SQLITE_ROW)
            return true;
        if (rc != SQLITE_DONE)
            connection_.fail(sqlite3_sql(statement_));
        return false;
    }
    std::int64_t integer(int column) const { return sqlite3_column_int64(statement_, column); }
    std::string text(int column) const
    {
        const auto *bytes = reinterpret_cast<const char *>(sqlite3_column_text(statement_, column));
        return bytes ? std::string(bytes, std::size_t(sqlite3_column_bytes(statement_, column))) : std::string();
    }

private:
    void check(int rc)
    {
        if (rc != SQLITE_OK)
            connection_.fail("bind");
    }
    Connection &connection_;
    sqlite3_stmt *statement_;
};

constexpr const char *kEntryColumns = "id, name, points, game_type, givens, element_set, entered_ms";

Entry entryFrom(const Query &q)
{
    Entry e;
    e.id = q.integer(0);
    e.name = q.text(1);
    e.points = int(q.integer(2));
    e.type = int(q.integer(3));
    e.givens = int(q.integer(4));
    const std::string set = q.text(5);
    e.set = set.empty() ? '?' : set[0];
    e.enteredMs = q.integer(6);
    return e;
}

std::optional<Entry> loadEntry(Connection &c, std::int64_t id)
{
    static const std::string sql = std::string("SELECT ") + kEntryColumns + " FROM entries WHERE id = ?1";
    Query q(c, sql.c_str());
    q.bind(1, id);
    if (!q.step())
        return std::nullopt;
    return entryFrom(q);
}

// Entries ahead of this one: more points, or as many and entered earlier.
std::int64_t rankOf(Connection &c, const Entry &e)
{
    Query better(c, "SELECT count(*) FROM entries WHERE game_type = ?1 AND points > ?2");
    better.bind(1, e.type).bind(2, e.points).step();
    Query earlier(c, "SELECT count(*) FROM entries WHERE game_type = ?1 AND points = ?2"
                     " AND (entered_ms, id) < (?3, ?4)");
    earlier.bind(1, e.type).bind(2, e.points).bind(3, e.enteredMs).bind(4, e.id).step();
    return better.integer(0) + earlier.integer(0) + 1;
}

// A read transaction, so that a page and its total agree.
class ReadTransaction {
public:
    explicit ReadTransaction(Connection &c) : c_(c) { c_.exec("BEGIN"); }
    ~ReadTransaction() { sqlite3_exec(c_.db(), "COMMIT", nullptr, nullptr, nullptr); }
    ReadTransaction(const ReadTransaction &) = delete;
    ReadTransaction &operator=(const ReadTransaction &) = delete;

private:
    Connection &c_;
};

void migrate(Connection &c, const std::string &path)
{
    c.exec("BEGIN IMMEDIATE");
    try {
        c.exec("CREATE TABLE IF NOT EXISTS schema_version (version INTEGER NOT NULL)");
        const auto count = [&c](const char *sql) {
            Query q(c, sql);
            q.step();
            return q.integer(0);
        };
        bringSchemaUpToDate(kMigrations, path,
                            {[&] { return count("SELECT coalesce(max(version), 0) FROM schema_version"); },
                             [&] {
                                 return count("SELECT count(*) FROM sqlite_schema"
                                              " WHERE name <> 'schema_version' AND name NOT LIKE 'sqlite_%'")
                                     > 0;
                             },
                             [&c](const char *sql) { c.exec(sql); },
                             [&c](std::int64_t version) {
                                 c.exec("DELETE FROM schema_version");
                                 Query q(c, "INSERT INTO schema_version (version) VALUES (?1)");
                                 q.bind(1, version).step();
                             }});
        c.exec("COMMIT");
    } catch (...) {
        sqlite3_exec(c.db(), "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
}

class SqliteStorage : public Storage {
public:
    explicit SqliteStorage(std::string path) : path_(std::move(path))
    {
        writer_ = std::make_unique<Connection>(path_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
        try {
            // WAL: readers never wait for the writer. FULL: a commit is on the disk before
            // its answer goes out, not only in the system's cache.
            {
                Query q(*writer_, "PRAGMA journal_mode = WAL");
                q.step();
                if (q.text(0) != "wal")
                    throw StorageOpenError("cannot use write-ahead logging on " + path_);
            }
            writer_->exec("PRAGMA synchronous = FULL");
            writer_->exec("PRAGMA foreign_keys = ON");
            migrate(*writer_, path_);
        } catch (const StorageUnavailable &e) {
            throw StorageOpenError("cannot open database " + path_ + ": " + e.what());
        }
        if (!identify(identity_))
            throw StorageOpenError("cannot open database " + path_ + ": it vanished while it was opened");
        releaseReader(openReader()); // proves that a second connection can read it
        thread_ = std::thread([this] { writeLoop(); });
    }

    ~SqliteStorage() override
    {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        wake_.notify_all();
        thread_.join();
    }

    SubmitResult submit(const Submission &submission) override
    {
        Job job{&submission, {}};
        std::future<SubmitResult> result = job.done.get_future();
        {
            std::lock_guard lock(mutex_);
            if (stopping_)
                throw StorageUnavailable("the storage is closing");
            queue_.push_back(&job);
        }
        wake_.notify_one();
        return result.get();
    }

    ListPage list(int type, int limit, std::int64_t offset) override
    {
        return withReader([&](Connection &c) {
            ListPage page;
            page.offset = offset;
            ReadTransaction transaction(c);
            Query count(c, "SELECT count(*) FROM entries WHERE game_type = ?1");
            count.bind(1, type).step();
            page.total = count.integer(0);
            static const std::string sql = std::string("SELECT ") + kEntryColumns
                                           + " FROM entries WHERE game_type = ?1"
                                             " ORDER BY points DESC, entered_ms, id LIMIT ?2 OFFSET ?3";
            Query rows(c, sql.c_str());
            rows.bind(1, type).bind(2, limit).bind(3, offset);
            while (rows.step())
                page.entries.push_back(entryFrom(rows));
            return page;
        });
    }

    std::optional<Entry> entry(std::int64_t id) override
    {
        return withReader([&](Connection &c) { return loadEntry(c, id); });
    }

    std::int64_t rank(const Entry &entry) override
    {
        return withReader([&](Connection &c) {
            ReadTransaction transaction(c);
            return rankOf(c, entry);
        });
    }

    bool healthy() override
    {
        if (!stillOurFile())
            return false;
        try {
            return withReader([](Connection &c) {
                Query q(c, "SELECT version FROM schema_version");
                return q.step() && q.integer(0) == kSchemaVersion;
            });
        } catch (const StorageUnavailable &) {
            return false;
        }
    }

    std::uint64_t version() const override { return version_.load(std::memory_order_acquire); }
    bool readsAreLocal() const override { return true; }

private:
    struct Job {
        const Submission *submission;
        std::promise<SubmitResult> done;
    };
    struct FileIdentity {
        dev_t device = 0;
        ino_t inode = 0;
    };

    bool identify(FileIdentity &id) const
    {
        struct stat st {};
        if (::stat(path_.c_str(), &st) != 0)
            return false;
        id = {st.st_dev, st.st_ino};
        return true;
    }

    // A file that was deleted or replaced under a running service would take commits that
    // nobody ever reads again; such a state must answer 503, not 201.
    bool stillOurFile() const
    {
        FileIdentity now;
        return identify(now) && now.device == identity_.device && now.inode == identity_.inode;
    }

    std::unique_ptr<Connection> openReader()
    {
        auto c = std::make_unique<Connection>(path_, SQLITE_OPEN_READWRITE);
        c->exec("PRAGMA query_only = ON");
        // Every reader keeps its own page cache; a small one keeps the service lean.
        c->exec("PRAGMA cache_size = -512");
        return c;
    }

    void releaseReader(std::unique_ptr<Connection> c)
    {
        std::lock_guard lock(readersMutex_);
        readers_.push_back(std::move(c));
    }

    template <typename F>
    std::invoke_result_t<F, Connection &> withReader(F &&work)
    {
        std::unique_ptr<Connection> c;
        {
            std::lock_guard lock(readersMutex_);
            if (!readers_.empty()) {
                c = std::move(readers_.back());
                readers_.pop_back();
            }
        }
        try {
            if (!c)
                c = openReader();
        } catch (const StorageOpenError &e) {
            throw StorageUnavailable(e.what());
        }
        auto result = work(*c); // a connection that failed is dropped, not reused
        releaseReader(std::move(c));
        return result;
    }

    void writeLoop()
    {
        for (;;) {
            std::vector<Job *> batch;
            {
                std::unique_lock lock(mutex_);
                wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
                if (queue_.empty())
                    return;
                while (!queue_.empty() && batch.size() < kMaxBatch) {
                    batch.push_back(queue_.front());
                    queue_.pop_front();
                }
            }
            commitBatch(batch);
        }
    }

    // All waiting submissions in one transaction, each in its own savepoint: one fsync for
    // the lot, and a submission that is refused leaves nothing behind.
    void commitBatch(const std::vector<Job *> &batch)
    {
        std::vector<std::optional<SubmitResult>> results(batch.size());
        std::vector<std::exception_ptr> errors(batch.size());
        Connection &c = *writer_;
        try {
            if (!stillOurFile())
                throw StorageUnavailable("the database file " + path_ + " is gone or was replaced");
            c.exec("BEGIN IMMEDIATE");
            const std::int64_t now = nowMs();
            for (std::size_t i = 0; i < batch.size(); ++i) {
                c.exec("SAVEPOINT submission");
                try {
                    results[i] = submitOne(c, *batch[i]->submission, now);
                    c.exec("RELEASE submission");
                } catch (const StorageUnavailable &) {
                    errors[i] = std::current_exception();
                    // SQLite ends the whole transaction on some errors: then the batch so far
                    // is lost, and nothing of it may be answered as committed.
                    if (sqlite3_get_autocommit(c.db()))
                        throw;
                    c.exec("ROLLBACK TO submission");
                    c.exec("RELEASE submission");
                }
            }
            c.exec("COMMIT");
            for (const auto &r : results)
                if (r && r->outcome == SubmitOutcome::Created) {
                    version_.fetch_add(1, std::memory_order_release);
                    break;
                }
        } catch (const StorageUnavailable &) {
            sqlite3_exec(c.db(), "ROLLBACK", nullptr, nullptr, nullptr);
            for (std::size_t i = 0; i < batch.size(); ++i) {
                results[i].reset();
                if (!errors[i])
                    errors[i] = std::current_exception();
            }
        }
        for (std::size_t i = 0; i < batch.size(); ++i) {
            if (results[i])
                batch[i]->done.set_value(std::move(*results[i]));
            else
                batch[i]->done.set_exception(errors[i]);
        }
    }

    // Inside the batch's transaction and this submission's savepoint.
    static SubmitResult submitOne(Connection &c, const Submission &s, std::int64_t now)
    {
        const std::string set(1, s.set);
        std::int64_t id = 0;
        bool created = false;
        {
            Query insert(c, "INSERT INTO entries (name, points, game_type, givens, element_set, entered_ms)"
                            " VALUES (?1, ?2, ?3, ?4, ?5, ?6) ON CONFLICT DO NOTHING RETURNING id");
            insert.bind(1, s.name).bind(2, s.points).bind(3, s.type).bind(4, s.givens).bind(5, set).bind(6, now);
            created = insert.step();
            if (created)
                id = insert.integer(0);
        }
        if (!created) {
            Query standing(c, "SELECT id FROM entries WHERE name = ?1 AND points = ?2 AND game_type = ?3"
                              " AND givens = ?4 AND element_set = ?5");
            standing.bind(1, s.name).bind(2, s.points).bind(3, s.type).bind(4, s.givens).bind(5, set);
            if (!standing.step())
                throw StorageUnavailable("an entry that blocked an insert cannot be read");
            id = standing.integer(0);
        }
        std::int64_t owner = id;
        {
            Query code(c, "INSERT INTO codes (code, entry_id) VALUES (?1, ?2) ON CONFLICT DO NOTHING");
            code.bind(1, s.code).bind(2, id).step();
        }
        if (sqlite3_changes(c.db()) == 0) {
            Query stands(c, "SELECT entry_id FROM codes WHERE code = ?1");
            stands.bind(1, s.code);
            if (!stands.step())
                throw StorageUnavailable("a code that blocked an insert cannot be read");
            owner = stands.integer(0);
        }
        SubmitResult result;
        if (owner != id) {
            result.outcome = SubmitOutcome::CodeTaken;
            c.exec("ROLLBACK TO submission");
        } else {
            result.outcome = created ? SubmitOutcome::Created : SubmitOutcome::Standing;
        }
        const std::optional<Entry> entry = loadEntry(c, owner);
        if (!entry)
            throw StorageUnavailable("an entry of the list cannot be read");
        result.entry = *entry;
        result.rank = rankOf(c, result.entry);
        return result;
    }

    const std::string path_;
    FileIdentity identity_;
    std::unique_ptr<Connection> writer_;

    std::mutex readersMutex_;
    std::vector<std::unique_ptr<Connection>> readers_;

    std::atomic<std::uint64_t> version_ = 0;

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Job *> queue_;
    bool stopping_ = false;
    std::thread thread_;
};

} // namespace

std::unique_ptr<Storage> openSqliteStorage(const std::string &path)
{
    return std::make_unique<SqliteStorage>(path);
}

} // namespace vantrell::highscores
