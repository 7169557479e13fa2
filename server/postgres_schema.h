// The PostgreSQL schema of the highscore list: its tables, counts and functions.
#pragma once

#include "server/storage.h"

#include <span>

namespace vantrell::highscores {

std::span<const Migration> postgresMigrations();

} // namespace vantrell::highscores
