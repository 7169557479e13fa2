// The SQLite schema of the highscore list: its tables, counts and triggers.
#pragma once

#include "server/storage.h"

#include <span>

namespace vantrell::highscores {

std::span<const Migration> sqliteMigrations();

} // namespace vantrell::highscores
