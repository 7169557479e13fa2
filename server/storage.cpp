#include "server/storage.h"

#include "server/sqlite_storage.h"

namespace vantrell::highscores {

std::unique_ptr<Storage> openStorage(const std::string &address)
{
    constexpr std::string_view sqlite = "sqlite:";
    if (address.starts_with(sqlite)) {
        const std::string path = address.substr(sqlite.size());
        if (path.empty())
            throw StorageOpenError("the database address \"sqlite:\" names no file");
        return openSqliteStorage(path);
    }
    if (address.starts_with("postgresql://") || address.starts_with("postgres://"))
        throw StorageOpenError("this build has no PostgreSQL storage; use --database sqlite:PATH");
    throw StorageOpenError("unknown database address \"" + address + "\"; use sqlite:PATH");
}

} // namespace vantrell::highscores
