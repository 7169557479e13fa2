// A list in and out of the service as JSON Lines, one line per code:
//   {"name":"Zoë","code":"<23 digits>","entered":"2026-12-09T10:00:00.123Z"}
// (with "hidden":true and a "reason" for an entry taken off the list). The operator's way to
// back up a list, to move it between SQLite and PostgreSQL, and to load a large one.
#pragma once

#include "server/storage.h"

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>

namespace vantrell::highscores {

// Every code of the list, best entry first within each type, in one snapshot. Returns the
// number of lines written; throws StorageUnavailable, or std::runtime_error when out fails.
std::int64_t exportList(Storage &storage, std::ostream &out);

// Reads lines from in (any source, not only an export): every code is decoded again and
// every name checked, and the list's rules apply. All or nothing: the first line that fails
// throws ImportRefused with its number and reason, and nothing of the import is stored.
ImportSummary importList(Storage &storage, std::istream &in);

// One line read into a record; the reason it cannot be, or nothing.
std::optional<std::string> readImportLine(std::string_view line, ImportRecord &record);

// "2026-12-09T10:00:00Z" or with up to three decimals of the second, UTC: milliseconds since
// 1970. Nothing for any other text.
std::optional<std::int64_t> parseIsoTime(std::string_view text);

} // namespace vantrell::highscores
