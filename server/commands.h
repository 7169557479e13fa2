// The commands an operator runs on a list beside the service: export, import, find, hide
// and show.
#pragma once

#include "server/options.h"
#include "server/storage.h"

#include <iosfwd>

namespace vantrell::highscores {

// Runs options.command; its exit status (0 done, 1 refused or failed). Messages go to err,
// with the program's name in front.
int runCommand(const Options &options, Storage &storage, std::ostream &out, std::ostream &err);

} // namespace vantrell::highscores
