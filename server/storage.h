// The highscore list's storage: one interface that every database engine implements, so
// the service above it does not know which one holds the list.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace vantrell::highscores {

// A result on its way into the list. The code has passed the decoder and the name the
// name check; the values are the ones the code carries.
struct Submission {
    std::string name;
    std::string code;
    int points = 0;
    int type = 0;   // 1 classic 9x9, 8 or 9 free
    int givens = 0;
    char set = 'B'; // R, B, S, K or C
};

struct Entry {
    std::int64_t id = 0;
    std::string name;
    int points = 0;
    int type = 0;
    int givens = 0;
    char set = 'B';
    std::int64_t enteredMs = 0; // milliseconds since 1970, UTC
};

enum class SubmitOutcome {
    Created,   // a new entry
    Standing,  // this name already holds this result; nothing new was written but the code
    CodeTaken, // the code stands under another name; nothing was written
    Hidden,    // the entry of the name and result, or of the code, was taken off the list
};

// What a submission left in the list: the entry it made or found (for CodeTaken, the
// entry the code stands under) and that entry's rank within its game type.
struct SubmitResult {
    SubmitOutcome outcome = SubmitOutcome::Created;
    Entry entry;
    std::int64_t rank = 0;
};

// One page of a game type's table, best first: by points, then by time of entry, then by
// id. The rank of entries[i] is offset + i + 1. Hidden entries are in no table.
struct ListPage {
    std::int64_t total = 0;
    std::int64_t offset = 0;
    std::vector<Entry> entries;
};

// One code of an entry, as a list is exported: every code of every entry, best entry first
// within each type (types in table order), an entry's codes in the order of their digits.
struct ExportedCode {
    Entry entry;
    std::string code;
    bool hidden = false;
    std::string hiddenReason;
};

// One line of an import: a result that has passed the decoder and the name check, and the
// time it was entered (none: now).
struct ImportRecord {
    Submission submission;
    std::optional<std::int64_t> enteredMs;
    bool hidden = false;
    std::string hiddenReason;
};

struct ImportSummary {
    std::int64_t entries = 0; // entries the import added
    std::int64_t codes = 0;   // lines read
};

// A line of an import that cannot enter the list; nothing of the import is stored.
class ImportRefused : public std::runtime_error {
public:
    ImportRefused(std::int64_t line, const std::string &reason)
        : std::runtime_error("line " + std::to_string(line) + ": " + reason), line(line)
    {
    }
    std::int64_t line;
};

// Supplies an import's records in order: fills the record and its line number and returns
// true, or false at the end. May throw ImportRefused for a line it cannot read.
using ImportSource = std::function<bool(ImportRecord &, std::int64_t &line)>;

// An entry as the operator sees it: hidden or not, and the last change of that.
struct EntryState {
    Entry entry;
    bool hidden = false;
    std::string reason;        // of the last hide or show
    std::int64_t changedMs = 0; // when it was; 0 for never
};

enum class Moderation {
    Done,
    AlreadySo,   // the entry was hidden (or shown) already; nothing was written
    NoSuchEntry,
};

// The database cannot be reached or refused the work; the service answers 503.
class StorageUnavailable : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The database cannot be opened or set up at start; the message is one line for the log.
class StorageOpenError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Every method may be called from many threads at once. The rules "a code enters once" and
// "one entry per name and result" are the database's own constraints, so they hold however
// many processes share it. A submit that returns has been committed.
// What a storage tells whoever watches it (the service's metrics), from its own threads.
struct StorageEvents {
    std::function<void(std::size_t submissions)> committed; // one transaction of submissions
    std::function<void()> failed;                            // the database refused or failed
};

class Storage {
public:
    virtual ~Storage() = default;

    // Before the first request: nothing guards the events against calls meanwhile.
    void setEvents(StorageEvents events) { events_ = std::move(events); }

    virtual SubmitResult submit(const Submission &submission) = 0;
    virtual ListPage list(int type, int limit, std::int64_t offset) = 0;
    virtual std::optional<Entry> entry(std::int64_t id) = 0;
    // 1 for the best entry of its type. Like a page and a total, it costs the same for a
    // list of ten million entries as for one of ten: counts per type and points value are
    // kept with the entries, in the same transactions.
    virtual std::int64_t rank(const Entry &entry) = 0;
    // Every code of the list, in one snapshot, while the service goes on writing.
    virtual void exportCodes(const std::function<void(const ExportedCode &)> &visit) = 0;
    // All of the records or none, by the list's own rules: a second code of a name and
    // result joins its entry, a code that stands under another name refuses the import.
    virtual ImportSummary importRecords(const ImportSource &next) = 0;
    // Every entry, hidden ones too, in no particular order (the operator's find).
    virtual void scanEntries(const std::function<void(const EntryState &)> &visit) = 0;
    // Takes an entry off every table, rank, total and page, or brings it back to its place,
    // in one transaction with the counts, and records when and why. Its codes stay used.
    virtual Moderation setHidden(std::int64_t id, bool hidden, const std::string &reason) = 0;
    // Whether the database answers right now.
    virtual bool healthy() = 0;

    // A number that changes whenever this process adds an entry. The service keeps list
    // answers while it stands, and a second at most, so entries that other processes add
    // show within that second.
    virtual std::uint64_t version() const { return 0; }
    // Whether a read answers within a fraction of a millisecond, from this machine: then
    // lists are read on the network threads rather than handed to a worker.
    virtual bool readsAreLocal() const { return false; }

protected:
    void committed(std::size_t submissions) const
    {
        if (events_.committed)
            events_.committed(submissions);
    }
    void failed() const
    {
        if (events_.failed)
            events_.failed();
    }

private:
    StorageEvents events_;
};

constexpr int kDefaultPoolSize = 16;

// Opens the database an address names: "sqlite:PATH" or "postgresql://..." (libpq's URI,
// with up to poolSize connections). Creates or upgrades its tables. Throws
// StorageOpenError with a one-line reason.
std::unique_ptr<Storage> openStorage(const std::string &address, int poolSize = kDefaultPoolSize);

// One schema change of a back end: a database is brought from its version to the last one
// in order.
struct Migration {
    int version;
    const char *sql;
};

// What bringing a schema up to date asks of a database, inside the transaction its caller
// holds.
struct SchemaAccess {
    std::function<std::int64_t()> version;      // the recorded version; 0 for none
    std::function<bool()> holdsOtherTables;     // tables beside the version table
    std::function<void(const char *)> exec;     // runs one step's statements
    std::function<void(std::int64_t)> setVersion;
};

// Runs the steps past the database's version and records the last one. A database with
// tables but no version (another program's) or with a newer version than the last step
// is refused with StorageOpenError; `where` names it in the reason.
void bringSchemaUpToDate(std::span<const Migration> steps, const std::string &where, const SchemaAccess &db);

// The address as the log may show it: no password, nothing after "?".
std::string addressForLog(const std::string &address);

} // namespace vantrell::highscores
