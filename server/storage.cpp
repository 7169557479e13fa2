#include "server/storage.h"

#include "server/postgres_storage.h"
#include "server/sqlite_storage.h"

namespace vantrell::highscores {

std::unique_ptr<Storage> openStorage(const std::string &address, int poolSize)
{
    constexpr std::string_view sqlite = "sqlite:";
    if (address.starts_with(sqlite)) {
        const std::string path = address.substr(sqlite.size());
        if (path.empty())
            throw StorageOpenError("the database address \"sqlite:\" names no file");
        return openSqliteStorage(path);
    }
    if (address.starts_with("postgresql://") || address.starts_with("postgres://")) {
        try {
            return openPostgresStorage(address, poolSize);
        } catch (const StorageOpenError &e) {
            throw StorageOpenError("cannot open database " + addressForLog(address) + ": " + e.what());
        }
    }
    throw StorageOpenError("unknown database address \"" + addressForLog(address)
                           + "\"; use sqlite:PATH or postgresql://...");
}

void bringSchemaUpToDate(std::span<const Migration> steps, const std::string &where, const SchemaAccess &db)
{
    const std::int64_t last = steps.back().version;
    const std::int64_t version = db.version();
    if (version == 0 && db.holdsOtherTables())
        throw StorageOpenError(where + " holds tables of another program, not a highscore list");
    if (version > last)
        throw StorageOpenError(where + " has schema version " + std::to_string(version)
                               + ", newer than this program's " + std::to_string(last));
    for (const Migration &m : steps)
        if (m.version > version)
            db.exec(m.sql);
    if (version != last)
        db.setVersion(last);
}

std::string addressForLog(const std::string &address)
{
    std::string shown = address.substr(0, address.find('?'));
    const std::size_t scheme = shown.find("://");
    const std::size_t at = shown.rfind('@');
    if (scheme != std::string::npos && at != std::string::npos && at > scheme) {
        // user:password@ keeps the user
        const std::size_t colon = shown.find(':', scheme + 3);
        if (colon != std::string::npos && colon < at)
            shown.erase(colon, at - colon);
    }
    return shown;
}

} // namespace vantrell::highscores
