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
    std::string blockedNames; // a file of names the operator does not allow
    // A command for the list instead of serving it: export [FILE], import FILE, find TEXT,
    // hide ID, show ID; its words after the first.
    std::string command;
    std::vector<std::string> commandArguments;
    std::string reason; // --reason of hide
    bool hasReason = false;
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
