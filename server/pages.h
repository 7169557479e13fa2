// The HTML pages of the highscore list, in English and German. Every text that comes from
// a request or the database is escaped here, and names are isolated for right-to-left text.
#pragma once

#include "server/request_fields.h"
#include "server/storage.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vantrell::highscores {

// The game types that can reach the list (the decoder refuses every other), in table order.
inline constexpr int kListedTypes[] = {1, 8, 9};
bool isListedType(int type);

inline constexpr int kPageRows = 20;

// What a page says above its tables.
enum class Notice {
    None,
    Created,       // the entry is new
    Standing,      // the entry was in the list already
    Shown,         // an entry shown on its own
    BadName,       // detail: the name problem, English
    BadCode,       // detail: the decoder's reason, English; problem says which check failed
    BadRequest,    // detail: what is malformed
    CodeTaken,
    TooMany,       // retryAfter seconds
    Unavailable,
    NotFound,
    NotAllowed,
    TooLarge,
    HeaderTooLarge,
    Timeout,
    Removed,       // the entry was taken off the list (410)
    NameBlocked,   // the operator does not allow the name
};

struct TableView {
    int type = 1;
    ListPage rows;
    std::int64_t highlight = 0; // the entry to mark, 0 for none
    bool paged = false;         // page links below the table
    std::int64_t morePage = 0;  // else a link to this page of the whole table, 0 for none
};

struct PageView {
    Language language = Language::English;
    Notice notice = Notice::None;
    std::string detail;
    int problem = 0; // CodeProblem of a BadCode notice, NameProblem of a BadName one
    std::int64_t rank = 0;
    int retryAfter = 0;
    std::vector<TableView> tables;
    bool form = false;          // the hand-entry form
    std::string formName, formCode;
    bool linkToList = false;    // a link back to all tables
};

std::string renderPage(const PageView &view);

// "<" becomes "&lt;" and so on, for text and attribute values.
std::string escapeHtml(std::string_view text);

// The UTC time of an entry as "2026-12-09T10:00:00Z", or "2026-12-09T10:00:00.123Z".
std::string isoTime(std::int64_t ms, bool milliseconds = false);

// The path of the pages' own address, with the query that selects the list.
inline constexpr std::string_view kListAddress = "/index.php?ziel=medsudokuhighscore";

// The stylesheet and the emblem, served by the service itself.
extern const std::string_view kStylesheet;
extern const std::string_view kEmblem;

} // namespace vantrell::highscores
