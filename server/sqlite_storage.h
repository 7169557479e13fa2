// The embedded default storage: one SQLite file.
#pragma once

#include "server/storage.h"

#include <memory>
#include <string>

namespace vantrell::highscores {

// Opens or creates the file in WAL mode and brings its tables to the current schema.
// Throws StorageOpenError.
std::unique_ptr<Storage> openSqliteStorage(const std::string &path);

} // namespace vantrell::highscores
