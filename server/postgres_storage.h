// The storage for lists that outgrow one machine: PostgreSQL, shared by any number of
// service instances.
#pragma once

#include "server/storage.h"

#include <chrono>
#include <memory>
#include <string>

namespace vantrell::highscores {

// Connects to a postgresql:// address (libpq's URI form), brings the tables to the current
// schema and keeps up to poolSize connections. Throws StorageOpenError when the database
// cannot be reached or set up at start; later losses are StorageUnavailable, and the pool
// connects again by itself once the database answers. A statement the database has not
// answered within answerTimeout is given up as unavailable.
std::unique_ptr<Storage> openPostgresStorage(const std::string &address, int poolSize,
                                             std::chrono::milliseconds answerTimeout = std::chrono::seconds(10));

} // namespace vantrell::highscores
