#include "server/sqlite_storage.h"

#include "server/sqlite_connection.h"
#include "server/sqlite_schema.h"

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <exception>
#include <future>
#include <mutex>
#include <thread>
#include <type_traits>
#include <utility>
#include <vector>

namespace vantrell::highscores {
namespace {

using sqlite::Connection;
using sqlite::Query;

const int kSchemaVersion = sqliteMigrations().back().version;

// Submissions committed together at most; the rest wait for the next commit.
constexpr std::size_t kMaxBatch = 256;

std::int64_t nowMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

#define ENTRY_COLUMNS "id, name, points, game_type, givens, element_set, entered_ms"

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
    Query q(c, "SELECT " ENTRY_COLUMNS " FROM entries WHERE id = ?1");
    q.bind(1, id);
    if (!q.step())
        return std::nullopt;
    return entryFrom(q);
}

std::int64_t single(Query &q)
{
    q.step();
    return q.integer(0);
}

// Entries ahead of this one: the blocks above its own, the values above it in its block,
// and the ties entered before it.
std::int64_t rankOf(Connection &c, const Entry &e)
{
    Query q(c, "SELECT (SELECT coalesce(sum(entries), 0) FROM rank_blocks WHERE game_type = ?1 AND block > (?2 >> 8))"
               " + (SELECT coalesce(sum(entries), 0) FROM rank_points WHERE game_type = ?1"
               "    AND points > ?2 AND points <= ((?2 >> 8) << 8) + 255)"
               " + (SELECT count(*) FROM entries WHERE game_type = ?1 AND hidden = 0 AND points = ?2"
               "    AND (entered_ms, id) < (?3, ?4))"
               " + 1");
    q.bind(1, e.type).bind(2, e.points).bind(3, e.enteredMs).bind(4, e.id);
    return single(q);
}

std::int64_t totalOf(Connection &c, int type)
{
    Query q(c, "SELECT coalesce(sum(entries), 0) FROM rank_blocks WHERE game_type = ?1");
    q.bind(1, type);
    return single(q);
}

// The page at offset (below the total): the points value its first row has, found from the
// counts, and the entries with more points than that.
std::pair<int, std::int64_t> seek(Connection &c, int type, std::int64_t offset)
{
    Query q(c, "WITH blocks AS (SELECT block, entries, sum(entries) OVER (ORDER BY block DESC) AS through"
               "                FROM rank_blocks WHERE game_type = ?1),"
               " chosen AS (SELECT block, through - entries AS above FROM blocks WHERE through > ?2"
               "            ORDER BY block DESC LIMIT 1),"
               " points AS (SELECT p.points, p.entries, chosen.above + sum(p.entries) OVER (ORDER BY p.points DESC) AS through"
               "            FROM chosen JOIN rank_points p ON p.game_type = ?1"
               "            AND p.points BETWEEN chosen.block * 256 AND chosen.block * 256 + 255)"
               " SELECT points, through - entries FROM points WHERE through > ?2 ORDER BY points DESC LIMIT 1");
    q.bind(1, type).bind(2, offset);
    if (!q.step())
        throw StorageUnavailable("the counts of the list disagree with its total");
    return {int(q.integer(0)), q.integer(1)};
}

ListPage readPage(Connection &c, int type, int limit, std::int64_t offset)
{
    ListPage page;
    page.offset = offset;
    page.total = totalOf(c, type);
    if (offset >= page.total || limit <= 0)
        return page;
    const auto [points, above] = seek(c, type, offset);
    {
        Query tied(c, "SELECT " ENTRY_COLUMNS " FROM entries WHERE game_type = ?1 AND hidden = 0 AND points = ?2"
                      " ORDER BY entered_ms, id LIMIT ?3 OFFSET ?4");
        tied.bind(1, type).bind(2, points).bind(3, limit).bind(4, offset - above);
        while (tied.step())
            page.entries.push_back(entryFrom(tied));
    }
    if (int(page.entries.size()) < limit) {
        Query below(c, "SELECT " ENTRY_COLUMNS " FROM entries WHERE game_type = ?1 AND hidden = 0 AND points < ?2"
                       " ORDER BY points DESC, entered_ms, id LIMIT ?3");
        below.bind(1, type).bind(2, points).bind(3, limit - std::int64_t(page.entries.size()));
        while (below.step())
            page.entries.push_back(entryFrom(below));
    }
    return page;
}

// A transaction that rolls back unless committed.
class Transaction {
public:
    Transaction(Connection &c, const char *begin) : c_(c) { c_.exec(begin); }
    ~Transaction()
    {
        if (open_)
            sqlite3_exec(c_.db(), "ROLLBACK", nullptr, nullptr, nullptr);
    }
    Transaction(const Transaction &) = delete;
    Transaction &operator=(const Transaction &) = delete;
    void commit()
    {
        c_.exec("COMMIT");
        open_ = false;
    }

private:
    Connection &c_;
    bool open_ = true;
};

void migrate(Connection &c, const std::string &path)
{
    Transaction t(c, "BEGIN IMMEDIATE");
    c.exec("CREATE TABLE IF NOT EXISTS schema_version (version INTEGER NOT NULL)");
    const auto count = [&c](const char *sql) {
        Query q(c, sql);
        return single(q);
    };
    bringSchemaUpToDate(sqliteMigrations(), path,
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
    t.commit();
}

// Inside a transaction and, in the service, this submission's savepoint: the rules are the
// tables' UNIQUE constraints. created says whether the entry is new.
struct Placed {
    std::int64_t entry = 0; // the entry of the name and result
    std::int64_t owner = 0; // the entry the code stands under
    bool created = false;
};

Placed place(Connection &c, const Submission &s, std::int64_t enteredMs, bool hidden = false)
{
    const std::string set(1, s.set);
    Placed p;
    {
        Query insert(c, "INSERT INTO entries (name, points, game_type, givens, element_set, entered_ms, hidden)"
                        " VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7) ON CONFLICT DO NOTHING RETURNING id");
        insert.bind(1, s.name).bind(2, s.points).bind(3, s.type).bind(4, s.givens).bind(5, set).bind(6, enteredMs);
        insert.bind(7, hidden ? 1 : 0);
        p.created = insert.step();
        if (p.created)
            p.entry = insert.integer(0);
    }
    if (!p.created) {
        Query standing(c, "SELECT id FROM entries WHERE name = ?1 AND points = ?2 AND game_type = ?3"
                          " AND givens = ?4 AND element_set = ?5");
        standing.bind(1, s.name).bind(2, s.points).bind(3, s.type).bind(4, s.givens).bind(5, set);
        if (!standing.step())
            throw StorageUnavailable("an entry that blocked an insert cannot be read");
        p.entry = standing.integer(0);
    }
    p.owner = p.entry;
    {
        Query code(c, "INSERT INTO codes (code, entry_id) VALUES (?1, ?2) ON CONFLICT DO NOTHING");
        code.bind(1, s.code).bind(2, p.entry).step();
    }
    if (sqlite3_changes(c.db()) == 0) {
        Query stands(c, "SELECT entry_id FROM codes WHERE code = ?1");
        stands.bind(1, s.code);
        if (!stands.step())
            throw StorageUnavailable("a code that blocked an insert cannot be read");
        p.owner = stands.integer(0);
    }
    return p;
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
            // Each submission's savepoint and count triggers keep a statement journal: in
            // memory, not in a temporary file per statement.
            writer_->exec("PRAGMA temp_store = MEMORY");
            migrate(*writer_, path_);
            // The write-ahead log and its index exist from the first read on; they are part
            // of what a commit needs.
            Query q(*writer_, "SELECT count(*) FROM schema_version");
            q.step();
        } catch (const StorageUnavailable &e) {
            throw StorageOpenError("cannot open database " + path_ + ": " + e.what());
        }
        for (std::size_t i = 0; i < kFiles; ++i)
            if (!identify(fileName(i), identity_[i]))
                throw StorageOpenError("cannot open database " + path_ + ": " + fileName(i) + " vanished while it was opened");
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
            Transaction t(c, "BEGIN"); // a page and its total from one snapshot
            return readPage(c, type, limit, offset);
        });
    }

    std::optional<Entry> entry(std::int64_t id) override
    {
        return withReader([&](Connection &c) -> std::optional<Entry> {
            Query q(c, "SELECT " ENTRY_COLUMNS " FROM entries WHERE id = ?1 AND hidden = 0");
            q.bind(1, id);
            if (!q.step())
                return std::nullopt;
            return entryFrom(q);
        });
    }

    std::int64_t rank(const Entry &entry) override
    {
        return withReader([&](Connection &c) {
            Transaction t(c, "BEGIN");
            return rankOf(c, entry);
        });
    }

    // Healthy means that a submission can be committed, not only that the list can be read:
    // after a commit failed (a full disk, say), a small commit of its own must succeed first.
    bool healthy() override
    {
        if (!filesInPlace().empty() || (writerFailing_.load() && !probeWrite()))
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

    void exportCodes(const std::function<void(const ExportedCode &)> &visit) override
    {
        withReader([&](Connection &c) {
            Transaction t(c, "BEGIN");
            Query q(c, "SELECT e.id, e.name, e.points, e.game_type, e.givens, e.element_set, e.entered_ms, c.code,"
                       " e.hidden, coalesce((SELECT reason FROM moderation m WHERE m.entry_id = e.id"
                       "                     ORDER BY m.id DESC LIMIT 1), '')"
                       " FROM entries e JOIN codes c ON c.entry_id = e.id"
                       " ORDER BY e.game_type, e.points DESC, e.entered_ms, e.id, c.code");
            ExportedCode line;
            while (q.step()) {
                line.entry = entryFrom(q);
                line.code = q.text(7);
                line.hidden = q.integer(8) != 0;
                line.hiddenReason = q.text(9);
                visit(line);
            }
            return 0;
        });
    }

    ImportSummary importRecords(const ImportSource &next) override
    {
        // Its own connection: an import is one transaction that may take minutes, beside a
        // service that goes on reading (and waits to write).
        requireFiles();
        Connection c(path_, SQLITE_OPEN_READWRITE);
        c.exec("PRAGMA synchronous = FULL");
        c.exec("PRAGMA foreign_keys = ON");
        // The indexes of a large import are written in random order: a cache that holds them, and
        // statement journals (each insert fires the count triggers) in memory, not in files.
        c.exec("PRAGMA cache_size = -2097152"); // 2 GiB at most, taken as the list grows
        c.exec("PRAGMA temp_store = MEMORY");
        Transaction t(c, "BEGIN IMMEDIATE");
        ImportSummary summary;
        ImportRecord record;
        std::int64_t line = 0;
        const std::int64_t now = nowMs();
        while (next(record, line)) {
            const Placed p = place(c, record.submission, record.enteredMs.value_or(now), record.hidden);
            if (p.owner != p.entry)
                throw ImportRefused(line, "the code stands in the list under another name");
            if (p.created && record.hidden)
                recordModeration(c, p.entry, true, record.hiddenReason, now);
            summary.entries += p.created;
            ++summary.codes;
        }
        requireFiles();
        t.commit();
        version_.fetch_add(1, std::memory_order_release);
        return summary;
    }

    void scanEntries(const std::function<void(const EntryState &)> &visit) override
    {
        withReader([&](Connection &c) {
            Transaction t(c, "BEGIN");
            Query q(c, "SELECT e.id, e.name, e.points, e.game_type, e.givens, e.element_set, e.entered_ms, e.hidden,"
                       " m.reason, m.at_ms FROM entries e LEFT JOIN moderation m ON m.id ="
                       " (SELECT max(k.id) FROM moderation k WHERE k.entry_id = e.id)");
            EntryState state;
            while (q.step()) {
                state.entry = entryFrom(q);
                state.hidden = q.integer(7) != 0;
                state.reason = q.text(8);
                state.changedMs = q.integer(9);
                visit(state);
            }
            return 0;
        });
    }

    Moderation setHidden(std::int64_t id, bool hidden, const std::string &reason) override
    {
        requireFiles();
        Connection c(path_, SQLITE_OPEN_READWRITE);
        c.exec("PRAGMA synchronous = FULL");
        c.exec("PRAGMA foreign_keys = ON");
        Transaction t(c, "BEGIN IMMEDIATE");
        Query change(c, "UPDATE entries SET hidden = ?2 WHERE id = ?1 AND hidden <> ?2");
        change.bind(1, id).bind(2, hidden ? 1 : 0).step();
        if (sqlite3_changes(c.db()) == 0)
            return loadEntry(c, id) ? Moderation::AlreadySo : Moderation::NoSuchEntry;
        recordModeration(c, id, hidden, reason, nowMs());
        requireFiles();
        t.commit();
        version_.fetch_add(1, std::memory_order_release);
        return Moderation::Done;
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
    // The database, its write-ahead log and the log's index: a commit needs all three.
    static constexpr std::size_t kFiles = 3;
    std::string fileName(std::size_t i) const
    {
        static constexpr const char *kSuffixes[kFiles] = {"", "-wal", "-shm"};
        return path_ + kSuffixes[i];
    }

    static bool identify(const std::string &file, FileIdentity &id)
    {
        struct stat st {};
        if (::stat(file.c_str(), &st) != 0)
            return false;
        id = {st.st_dev, st.st_ino};
        return true;
    }

    // A file deleted or replaced under the running service would take commits that nobody
    // ever reads again (a deleted log loses them at the next start), and one that cannot be
    // written stops SQLite in the middle of a commit: such a state answers 503, not 201.
    // Returns what is wrong, or nothing.
    std::string filesInPlace() const
    {
        for (std::size_t i = 0; i < kFiles; ++i) {
            const std::string file = fileName(i);
            FileIdentity now;
            if (!identify(file, now) || now.device != identity_[i].device || now.inode != identity_[i].inode)
                return file + " is gone or was replaced";
            if (::access(file.c_str(), W_OK) != 0)
                return file + " cannot be written";
        }
        return {};
    }

    // Before SQLite touches the files: the log's index is a shared memory map, and a write
    // to a page of it that the system has made read-only in the meantime (chattr +i, a
    // read-only mount) is no error code but SIGBUS, the end of the process.
    void requireFiles() const
    {
        if (const std::string wrong = filesInPlace(); !wrong.empty())
            throw StorageUnavailable("the database cannot be used: " + wrong);
    }

    bool probeWrite()
    {
        try {
            Connection c(path_, SQLITE_OPEN_READWRITE);
            sqlite3_busy_timeout(c.db(), 200);
            c.exec("PRAGMA synchronous = FULL");
            Transaction t(c, "BEGIN IMMEDIATE");
            requireFiles();
            Query q(c, "INSERT INTO health_probe (id, at_ms) VALUES (1, ?1) ON CONFLICT DO UPDATE SET at_ms = excluded.at_ms");
            q.bind(1, nowMs()).step();
            t.commit();
            writerFailing_ = false;
            return true;
        } catch (const std::exception &) {
            return false;
        }
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
        requireFiles(); // a read marks its place in the log's index, a write to that map
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
            requireFiles();
            Transaction t(c, "BEGIN IMMEDIATE");
            // Again with the write lock held: no file can be swapped between the check and
            // the commit by another writer of this list.
            requireFiles();
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
            t.commit();
            writerFailing_ = false;
            committed(batch.size());
            for (const auto &r : results)
                if (r && r->outcome == SubmitOutcome::Created) {
                    version_.fetch_add(1, std::memory_order_release);
                    break;
                }
        } catch (const StorageUnavailable &) {
            writerFailing_ = true;
            failed();
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

    static void recordModeration(Connection &c, std::int64_t entry, bool hidden, const std::string &reason,
                                 std::int64_t atMs)
    {
        Query q(c, "INSERT INTO moderation (entry_id, hidden, reason, at_ms) VALUES (?1, ?2, ?3, ?4)");
        q.bind(1, entry).bind(2, hidden ? 1 : 0).bind(3, reason).bind(4, atMs).step();
    }

    // Inside the batch's transaction and this submission's savepoint.
    static SubmitResult submitOne(Connection &c, const Submission &s, std::int64_t now)
    {
        const Placed p = place(c, s, now);
        SubmitResult result;
        if (p.owner != p.entry) {
            result.outcome = SubmitOutcome::CodeTaken;
            c.exec("ROLLBACK TO submission");
        } else {
            result.outcome = p.created ? SubmitOutcome::Created : SubmitOutcome::Standing;
        }
        const std::optional<Entry> entry = loadEntry(c, p.owner);
        if (!entry)
            throw StorageUnavailable("an entry of the list cannot be read");
        result.entry = *entry;
        Query hidden(c, "SELECT hidden FROM entries WHERE id = ?1");
        hidden.bind(1, p.owner);
        if (single(hidden) != 0) {
            result.outcome = SubmitOutcome::Hidden; // its codes stay used; it is in no table
            return result;
        }
        result.rank = rankOf(c, result.entry);
        return result;
    }

    const std::string path_;
    FileIdentity identity_[kFiles];
    std::unique_ptr<Connection> writer_;
    std::atomic<bool> writerFailing_ = false;

    std::mutex readersMutex_;
    std::vector<std::unique_ptr<Connection>> readers_;

    std::atomic<std::uint64_t> version_ = 0;

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Job *> queue_;
    bool stopping_ = false;
    std::thread thread_;
};

#undef ENTRY_COLUMNS

} // namespace

std::unique_ptr<Storage> openSqliteStorage(const std::string &path)
{
    return std::make_unique<SqliteStorage>(path);
}

} // namespace vantrell::highscores
