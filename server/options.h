// The command line of vantrell-highscores.
#pragma once

#include "server/storage.h"

#include <string>
#include <variant>
#include <vector>

namespace vantrell::highscores {

struct Options {
    std::string host = "127.0.0.1";
    unsigned short port = 8080;
    std::string database; // empty: sqlite: in $STATE_DIRECTORY or the working folder
    int rateLimit = 10;
    std::vector<std::string> trustedProxies;
    int threads = 0;
    int pool = kDefaultPoolSize; // connections to PostgreSQL
    bool help = false;
    bool version = false;
};

// Options, or the one-line reason why the command line is wrong.
std::variant<Options, std::string> parseOptions(const std::vector<std::string> &arguments);

// The database address when none is given: highscores.db in the folder systemd keeps for the
// service ($STATE_DIRECTORY, the first of several), else in the working folder.
std::string defaultDatabase(const char *stateDirectory);

extern const char *const kUsage;

} // namespace vantrell::highscores
