#include "server/postgres_storage.h"

#include "server/postgres_connection.h"
#include "server/postgres_schema.h"

#include <atomic>

namespace vantrell::highscores {
namespace {

using namespace postgres;

const int kSchemaVersion = postgresMigrations().back().version;

// Instances that start together take turns at the schema.
constexpr const char *kMigrationLock = "SELECT pg_advisory_xact_lock(7237381602545316915)";

#define ENTRY_COLUMNS "id, name, points, game_type, givens, element_set, entered_ms"

constexpr const char *kSubmit = "SELECT outcome, " ENTRY_COLUMNS ", rank FROM submit_entry($1, $2, $3, $4, $5, $6)";
constexpr const char *kEntryById = "SELECT " ENTRY_COLUMNS " FROM entries WHERE id = $1 AND NOT hidden";
constexpr const char *kRankOf = "SELECT rank_of($1, $2, $3, $4)";
constexpr const char *kPage = "SELECT total, " ENTRY_COLUMNS " FROM list_page($1, $2, $3)";
constexpr const char *kSchemaVersionQuery = "SELECT version FROM schema_version";
constexpr const char *kExport =
    "SELECT e.id, e.name, e.points, e.game_type, e.givens, e.element_set, e.entered_ms, c.code, e.hidden,"
    " coalesce((SELECT m.reason FROM moderation m WHERE m.entry_id = e.id ORDER BY m.id DESC LIMIT 1), '')"
    " FROM entries e JOIN codes c ON c.entry_id = e.id"
    " ORDER BY e.game_type, e.points DESC, e.entered_ms, e.id, c.code COLLATE \"C\"";

// The first line of an import whose code stands under another name and result in the list.
constexpr const char *kCodeOfAnotherEntry =
    "SELECT min(l.line) FROM import_lines l JOIN codes c ON c.code = l.code JOIN entries e ON e.id = c.entry_id"
    " WHERE (e.name, e.points, e.game_type, e.givens, e.element_set)"
    " IS DISTINCT FROM (l.name, l.points, l.game_type, l.givens, l.element_set)";

#undef ENTRY_COLUMNS

void migrate(Connection &c)
{
    c.exec("BEGIN");
    try {
        c.exec(kMigrationLock);
        c.exec("CREATE TABLE IF NOT EXISTS schema_version (version integer NOT NULL)");
        bringSchemaUpToDate(postgresMigrations(), "the database",
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


// COPY's text format: a backslash, a tab and a line end inside a value are escaped.
void appendCopyValue(std::string &row, std::string_view value)
{
    for (const char c : value) {
        if (c == '\\' || c == '\t' || c == '\n' || c == '\r') {
            row += '\\';
            row += c == '\t' ? 't' : c == '\n' ? 'n' : c == '\r' ? 'r' : '\\';
        } else {
            row += c;
        }
    }
}

class PostgresStorage : public Storage {
public:
    PostgresStorage(const std::string &address, int poolSize, std::chrono::milliseconds answerTimeout)
        : pool_(address, poolSize, answerTimeout), address_(address)
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
        SubmitResult result;
        try {
            result = withConnection([&](Connection &c) { return submitOne(c, s); });
        } catch (const StorageUnavailable &) {
            failed();
            throw;
        }
        committed(1);
        if (result.outcome == SubmitOutcome::Created)
            version_.fetch_add(1, std::memory_order_release);
        return result;
    }

    ListPage list(int type, int limit, std::int64_t offset) override
    {
        return withConnection([&](Connection &c) {
            const Result r = c.run(kPage, {std::to_string(type), std::to_string(limit), std::to_string(offset)});
            ListPage page;
            page.offset = offset;
            page.total = r.rows() > 0 ? r.integer(0, 0) : 0;
            for (int row = 0; row < r.rows(); ++row)
                if (!r.null(row, 1))
                    page.entries.push_back(r.entry(row, 1));
            return page;
        });
    }

    std::optional<Entry> entry(std::int64_t id) override
    {
        return withConnection([&](Connection &c) -> std::optional<Entry> {
            const Result r = c.run(kEntryById, {std::to_string(id)});
            if (r.rows() == 0)
                return std::nullopt;
            return r.entry(0, 0);
        });
    }

    std::int64_t rank(const Entry &e) override
    {
        return withConnection([&](Connection &c) {
            return c.run(kRankOf, {std::to_string(e.type), std::to_string(e.points), std::to_string(e.enteredMs),
                                   std::to_string(e.id)})
                .integer(0, 0);
        });
    }

    bool healthy() override
    {
        try {
            return withConnection([](Connection &c) {
                const Result r = c.run(kSchemaVersionQuery, {});
                return r.rows() == 1 && r.integer(0, 0) == kSchemaVersion;
            });
        } catch (const StorageUnavailable &) {
            return false;
        }
    }

    void exportCodes(const std::function<void(const ExportedCode &)> &visit) override
    {
        // Its own connection: row by row out of one snapshot, for as long as the reader takes.
        Connection c(address_, std::chrono::hours(24));
        c.exec("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY");
        c.eachRow(kExport, [&](const Result &r) {
            ExportedCode line;
            line.entry = r.entry(0, 0);
            line.code = std::string(r.text(0, 7));
            line.hidden = r.text(0, 8) == "t";
            line.hiddenReason = std::string(r.text(0, 9));
            visit(line);
        });
        c.exec("COMMIT");
    }

    ImportSummary importRecords(const ImportSource &next) override
    {
        Connection c(address_, std::chrono::hours(24));
        c.exec("BEGIN");
        c.exec("CREATE TEMPORARY TABLE import_lines (line bigint NOT NULL, name text NOT NULL, points integer NOT NULL,"
               " game_type integer NOT NULL, givens integer NOT NULL, element_set text NOT NULL, code text NOT NULL,"
               " entered_ms bigint, hidden boolean NOT NULL, reason text NOT NULL) ON COMMIT DROP");
        ImportSummary summary;
        ImportRecord record;
        std::int64_t line = 0;
        c.copyIn("COPY import_lines FROM STDIN", [&](std::string &chunk) {
            while (chunk.size() < (1 << 20) && next(record, line)) {
                const Submission &s = record.submission;
                chunk += std::to_string(line) + '\t';
                appendCopyValue(chunk, s.name);
                chunk += '\t' + std::to_string(s.points) + '\t' + std::to_string(s.type) + '\t' + std::to_string(s.givens)
                         + '\t' + s.set + '\t';
                appendCopyValue(chunk, s.code);
                chunk += '\t' + (record.enteredMs ? std::to_string(*record.enteredMs) : std::string("\\N")) + '\t'
                         + (record.hidden ? 't' : 'f') + '\t';
                appendCopyValue(chunk, record.hiddenReason);
                chunk += '\n';
                ++summary.codes;
            }
            return !chunk.empty();
        });
        c.exec("ANALYZE import_lines");
        refuseLine(c, "the code stands twice in the import under another name",
                   "SELECT min(line) FROM (SELECT line, name, points, game_type, givens, element_set,"
                   " first_value(line) OVER w AS first, first_value(name) OVER w AS n0, first_value(points) OVER w AS p0,"
                   " first_value(game_type) OVER w AS t0, first_value(givens) OVER w AS g0,"
                   " first_value(element_set) OVER w AS s0 FROM import_lines"
                   " WINDOW w AS (PARTITION BY code ORDER BY line)) x"
                   " WHERE (name, points, game_type, givens, element_set) IS DISTINCT FROM (n0, p0, t0, g0, s0)");
        refuseLine(c, "the code stands in the list under another name", kCodeOfAnotherEntry);
        // The first line of each name and result makes its entry, in the order of the lines:
        // entries entered in the same millisecond keep their order.
        summary.entries =
            c.exec("WITH firsts AS (SELECT DISTINCT ON (name, points, game_type, givens, element_set) * FROM import_lines"
                   "                ORDER BY name, points, game_type, givens, element_set, line),"
                   " added AS (INSERT INTO entries (name, points, game_type, givens, element_set, entered_ms, hidden)"
                   "   SELECT name, points, game_type, givens, element_set,"
                   "     coalesce(entered_ms, (extract(epoch FROM now()) * 1000)::bigint), hidden FROM firsts ORDER BY line"
                   "   ON CONFLICT DO NOTHING RETURNING id, hidden, name, points, game_type, givens, element_set),"
                   " noted AS (INSERT INTO moderation (entry_id, hidden, reason)"
                   "   SELECT a.id, true, f.reason FROM added a JOIN firsts f USING (name, points, game_type, givens,"
                   "   element_set) WHERE a.hidden)"
                   " SELECT count(*) FROM added")
                .integer(0, 0);
        c.exec("INSERT INTO codes (code, entry_id) SELECT DISTINCT ON (l.code) l.code, e.id FROM import_lines l"
               " JOIN entries e USING (name, points, game_type, givens, element_set) ORDER BY l.code, l.line"
               " ON CONFLICT DO NOTHING");
        // A code another instance gave to another name while the import ran.
        refuseLine(c, "the code stands in the list under another name", kCodeOfAnotherEntry);
        c.exec("COMMIT");
        version_.fetch_add(1, std::memory_order_release);
        // A large load leaves the planner's figures and the visibility map behind the rows:
        // until autovacuum catches up, every rank would read the table beside its index.
        c.exec("VACUUM (ANALYZE) entries, codes, rank_points, rank_blocks");
        return summary;
    }

    void scanEntries(const std::function<void(const EntryState &)> &visit) override
    {
        Connection c(address_, std::chrono::hours(24));
        c.exec("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY");
        c.eachRow("SELECT e.id, e.name, e.points, e.game_type, e.givens, e.element_set, e.entered_ms, e.hidden,"
                  " coalesce(m.reason, ''), coalesce(m.at_ms, 0) FROM entries e LEFT JOIN LATERAL"
                  " (SELECT k.reason, k.at_ms FROM moderation k WHERE k.entry_id = e.id ORDER BY k.id DESC LIMIT 1) m"
                  " ON true",
                  [&](const Result &r) {
                      EntryState state;
                      state.entry = r.entry(0, 0);
                      state.hidden = r.text(0, 7) == "t";
                      state.reason = std::string(r.text(0, 8));
                      state.changedMs = r.integer(0, 9);
                      visit(state);
                  });
        c.exec("COMMIT");
    }

    Moderation setHidden(std::int64_t id, bool hidden, const std::string &reason) override
    {
        const std::string flag = hidden ? "true" : "false";
        return withConnection([&](Connection &c) {
            // One statement: the change, its record and (by the trigger) the counts commit together.
            const Result r = c.exec("WITH changed AS (UPDATE entries SET hidden = $2 WHERE id = $1 AND hidden <> $2"
                                    " RETURNING id) INSERT INTO moderation (entry_id, hidden, reason)"
                                    " SELECT id, $2, $3 FROM changed RETURNING entry_id",
                                    {std::to_string(id), flag, reason});
            if (r.rows() == 1)
                return Moderation::Done;
            return c.exec("SELECT 1 FROM entries WHERE id = $1", {std::to_string(id)}).rows() == 1
                       ? Moderation::AlreadySo
                       : Moderation::NoSuchEntry;
        });
    }

    std::uint64_t version() const override { return version_.load(std::memory_order_acquire); }

private:
    // Throws ImportRefused for the line the query names, if any.
    static void refuseLine(Connection &c, const char *reason, const char *query)
    {
        const Result r = c.exec(query);
        if (r.rows() == 1 && !r.null(0, 0))
            throw ImportRefused(r.integer(0, 0), reason);
    }

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

    static SubmitResult submitOne(Connection &c, const Submission &s)
    {
        const Result r = c.run(kSubmit, {s.name, std::to_string(s.points), std::to_string(s.type),
                                         std::to_string(s.givens), std::string(1, s.set), s.code});
        if (r.rows() != 1)
            throw StorageUnavailable("a submission came back without its entry");
        const std::string_view outcome = r.text(0, 0);
        SubmitResult result;
        result.outcome = outcome == "created"    ? SubmitOutcome::Created
                         : outcome == "standing" ? SubmitOutcome::Standing
                         : outcome == "hidden"   ? SubmitOutcome::Hidden
                                                 : SubmitOutcome::CodeTaken;
        result.entry = r.entry(0, 1);
        result.rank = r.integer(0, 8);
        return result;
    }

    Pool pool_;
    const std::string address_;
    std::atomic<std::uint64_t> version_ = 0;
};

} // namespace

std::unique_ptr<Storage> openPostgresStorage(const std::string &address, int poolSize,
                                             std::chrono::milliseconds answerTimeout)
{
    return std::make_unique<PostgresStorage>(address, poolSize, answerTimeout);
}

} // namespace vantrell::highscores
