#include "server/pages.h"

#include <algorithm>
#include <cstdio>
#include <ctime>

namespace vantrell::highscores {
namespace {

// The texts of one language. Game types and element sets read as the game's settings panel
// names them.
struct Texts {
    const char *lang;
    const char *title;
    const char *heading;
    const char *classic, *free8, *free9;
    const char *rank, *name, *points, *givens, *elements, *entered;
    const char *sets[5]; // R, B, S, K, C
    const char *anonymous;
    const char *empty, *emptyPage;
    const char *previous, *next, *pageOf, *pagesLabel, *more, *wholeList;
    const char *formHeading, *formIntro, *formName, *formCode, *submit;
    const char *created, *standing, *shown; // "{rank}", "{table}"
    const char *badName, *badCode, *badRequest, *codeTaken, *tooMany, *unavailable, *notFound, *notAllowed,
        *tooLarge, *headerTooLarge, *timeout, *removed, *nameBlocked;
    const char *codeProblems[10]; // by CodeProblem; empty: the decoder's own reason
    const char *nameProblems[4];  // by NameProblem; empty: the English reason
    const char *footer;
};

const Texts kEnglish = {
    "en",
    "Highscores · Vantrell Sudoku",
    "Highscores",
    "9x9 Classical",
    "8x8 Free",
    "9x9 Free",
    "Rank",
    "Name",
    "Points",
    "Given cells",
    "Elements",
    "Entered",
    {"Red Numbers", "Blue Numbers", "Symbols", "Classic", "Characters"},
    "Anonymous",
    "No entries yet.",
    "No entries on this page.",
    "‹ Previous",
    "Next ›",
    "Page {page} of {pages}",
    "Pages",
    "The whole table",
    "All tables",
    "Enter a code by hand",
    "The game shows the 23-digit code of your result in its highscore window. Enter it here with "
    "your name.",
    "Name",
    "Code",
    "Submit",
    "Your result is in the list: rank {rank} in {table}.",
    "This result already stands in the list under this name: rank {rank} in {table}.",
    "Rank {rank} in {table}.",
    "The name was not accepted: {detail}.",
    "The code was not accepted: {detail}.",
    "The request was not understood: {detail}.",
    "This code already stands in the list under another name.",
    "Too many entries from your address. Please try again in {seconds} seconds.",
    "The highscore list cannot be reached right now. Please try again later.",
    "There is no such page.",
    "This address does not take that kind of request.",
    "The request is too large.",
    "The request's header is too large.",
    "The request took too long.",
    "This result has been removed from the list.",
    "This name is not allowed.",
    {"", "", "", "", "", "", "", "", "", ""},
    {"", "", "", ""},
    "Results of Vantrell Sudoku, ranked by points, then by time of entry.",
};

const Texts kGerman = {
    "de",
    "Highscore · Vantrell Sudoku",
    "Highscore",
    "9x9 Felder Klassisch",
    "8x8 Felder Frei",
    "9x9 Felder Frei",
    "Platz",
    "Name",
    "Punkte",
    "Vorgegeben",
    "Elemente",
    "Eingetragen",
    {"Rote Zahlen", "Blaue Zahlen", "Symbole", "Klassik", "Buchstaben"},
    "Anonym",
    "Noch keine Einträge.",
    "Keine Einträge auf dieser Seite.",
    "‹ Zurück",
    "Weiter ›",
    "Seite {page} von {pages}",
    "Seiten",
    "Die ganze Tabelle",
    "Alle Tabellen",
    "Code von Hand eintragen",
    "Das Spiel zeigt den 23-stelligen Code Ihres Ergebnisses in seinem Highscore-Fenster. Geben Sie "
    "ihn hier mit Ihrem Namen ein.",
    "Name",
    "Code",
    "Eintragen",
    "Ihr Ergebnis steht in der Liste: Platz {rank} in {table}.",
    "Dieses Ergebnis steht unter diesem Namen schon in der Liste: Platz {rank} in {table}.",
    "Platz {rank} in {table}.",
    "Der Name wurde nicht angenommen: {detail}.",
    "Der Code wurde nicht angenommen: {detail}.",
    "Die Anfrage wurde nicht verstanden.",
    "Dieser Code steht schon unter einem anderen Namen in der Liste.",
    "Zu viele Einträge von Ihrer Adresse. Bitte versuchen Sie es in {seconds} Sekunden noch einmal.",
    "Die Highscore-Liste ist gerade nicht erreichbar. Bitte versuchen Sie es später noch einmal.",
    "Diese Seite gibt es nicht.",
    "Diese Adresse nimmt solche Anfragen nicht an.",
    "Die Anfrage ist zu groß.",
    "Der Kopf der Anfrage ist zu groß.",
    "Die Anfrage hat zu lange gedauert.",
    "Dieses Ergebnis wurde von der Liste entfernt.",
    "Dieser Name ist nicht erlaubt.",
    {"", "ein Code besteht aus genau 23 Ziffern", "die Prüfziffern stimmen nicht",
     "die Prüfziffern stimmen nicht", "dieser Code stammt nicht aus dem Spiel",
     "dieser Code stammt nicht aus dem Spiel", "dieser Code stammt nicht aus dem Spiel",
     "dieser Code stammt nicht aus dem Spiel", "ein solches Spiel bieten die Einstellungen nicht an",
     "so viele Punkte gibt dieses Spiel nicht"},
    {"", "ein Name hat höchstens 30 Zeichen", "der Name ist kein gültiges UTF-8", "der Name enthält ein Steuerzeichen"},
    "Ergebnisse von Vantrell Sudoku, nach Punkten geordnet, bei Gleichstand nach der Zeit des Eintrags.",
};

const Texts &textsOf(Language l) { return l == Language::German ? kGerman : kEnglish; }

const char *tableName(const Texts &t, int type)
{
    return type == 1 ? t.classic : type == 8 ? t.free8 : t.free9;
}

const char *setName(const Texts &t, char set)
{
    static constexpr std::string_view kLetters = "RBSKC";
    const std::size_t i = kLetters.find(set);
    return i == std::string_view::npos ? "?" : t.sets[i];
}

// Puts values into "{key}" places of a text; the values are escaped, the text is not.
std::string fill(std::string_view text, std::initializer_list<std::pair<std::string_view, std::string>> values)
{
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        bool replaced = false;
        if (text[i] == '{') {
            for (const auto &[key, value] : values) {
                if (text.substr(i + 1, key.size()) == key && text.substr(i + 1 + key.size(), 1) == "}") {
                    out += escapeHtml(value);
                    i += key.size() + 2;
                    replaced = true;
                    break;
                }
            }
        }
        if (!replaced)
            out += text[i++];
    }
    return out;
}

std::string displayDate(std::int64_t ms, Language l)
{
    const std::time_t seconds = static_cast<std::time_t>(ms / 1000);
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char buffer[64];
    std::strftime(buffer, sizeof buffer, l == Language::German ? "%d.%m.%Y %H:%M" : "%Y-%m-%d %H:%M", &utc);
    return buffer;
}

std::string tableAddress(int type, std::int64_t page)
{
    return std::string(kListAddress) + "&amp;type=" + std::to_string(type) + "&amp;page=" + std::to_string(page);
}

void renderTable(std::string &out, const Texts &t, const TableView &table, Language l)
{
    const std::string id = "t" + std::to_string(table.type);
    out += "<section class=\"board\" aria-labelledby=\"" + id + "\">\n<h2 id=\"" + id + "\">";
    out += tableName(t, table.type);
    out += "</h2>\n<table>\n<thead><tr>";
    struct Column {
        const char *heading;
        bool number;
    };
    for (const Column column : {Column{t.rank, true}, Column{t.name, false}, Column{t.points, true},
                                Column{t.givens, true}, Column{t.elements, false}, Column{t.entered, false}}) {
        out += column.number ? "<th scope=\"col\" class=\"num\">" : "<th scope=\"col\">";
        out += column.heading;
        out += "</th>";
    }
    out += "</tr></thead>\n<tbody>\n";
    if (table.rows.entries.empty()) {
        out += "<tr><td colspan=\"6\" class=\"empty\">";
        out += table.rows.total == 0 ? t.empty : t.emptyPage;
        out += "</td></tr>\n";
    }
    std::int64_t rank = table.rows.offset;
    for (const Entry &e : table.rows.entries) {
        ++rank;
        const bool mine = e.id == table.highlight;
        out += mine ? "<tr class=\"mine\" aria-current=\"true\">" : "<tr>";
        out += "<td class=\"num\">" + std::to_string(rank) + "</td><td><bdi>";
        out += e.name.empty() ? std::string(t.anonymous) : escapeHtml(e.name);
        out += "</bdi></td><td class=\"num\">" + std::to_string(e.points) + "</td><td class=\"num\">"
               + std::to_string(e.givens) + "</td><td>";
        out += setName(t, e.set);
        out += "</td><td><time datetime=\"" + isoTime(e.enteredMs) + "\">" + displayDate(e.enteredMs, l)
               + "</time></td></tr>\n";
    }
    out += "</tbody>\n</table>\n";

    const std::int64_t pages = std::max<std::int64_t>(1, (table.rows.total + kPageRows - 1) / kPageRows);
    const std::int64_t page = table.rows.offset / kPageRows + 1;
    if (table.paged) {
        out += "<nav class=\"pages\" aria-label=\"";
        out += t.pagesLabel;
        out += "\">";
        if (page > 1)
            out += "<a rel=\"prev\" href=\"" + tableAddress(table.type, std::min(page - 1, pages)) + "\">" + t.previous
                   + "</a> ";
        out += "<span>" + fill(t.pageOf, {{"page", std::to_string(page)}, {"pages", std::to_string(pages)}})
               + "</span>";
        if (page < pages)
            out += " <a rel=\"next\" href=\"" + tableAddress(table.type, page + 1) + "\">" + t.next + "</a>";
        out += "</nav>\n";
    } else if (table.morePage > 0) {
        out += "<p class=\"more\"><a href=\"" + tableAddress(table.type, table.morePage) + "\">" + t.more
               + "</a></p>\n";
    }
    out += "</section>\n";
}

// A reason in the page's language where it has one, else the English one.
template <std::size_t N>
std::string translated(const char *const (&texts)[N], int problem, const std::string &english)
{
    return problem > 0 && std::size_t(problem) < N && *texts[problem] ? std::string(texts[problem]) : english;
}

void renderNotice(std::string &out, const Texts &t, const PageView &v)
{
    if (v.notice == Notice::None)
        return;
    const std::string table = v.tables.empty() ? std::string() : tableName(t, v.tables.front().type);
    const std::string rank = std::to_string(v.rank);
    std::string text;
    bool good = false;
    switch (v.notice) {
    case Notice::None: break;
    case Notice::Created: text = fill(t.created, {{"rank", rank}, {"table", table}}); good = true; break;
    case Notice::Standing: text = fill(t.standing, {{"rank", rank}, {"table", table}}); good = true; break;
    case Notice::Shown: text = fill(t.shown, {{"rank", rank}, {"table", table}}); good = true; break;
    case Notice::BadName: text = fill(t.badName, {{"detail", translated(t.nameProblems, v.problem, v.detail)}}); break;
    case Notice::BadCode: text = fill(t.badCode, {{"detail", translated(t.codeProblems, v.problem, v.detail)}}); break;
    case Notice::BadRequest: text = fill(t.badRequest, {{"detail", v.detail}}); break;
    case Notice::CodeTaken: text = t.codeTaken; break;
    case Notice::TooMany: text = fill(t.tooMany, {{"seconds", std::to_string(v.retryAfter)}}); break;
    case Notice::Unavailable: text = t.unavailable; break;
    case Notice::NotFound: text = t.notFound; break;
    case Notice::NotAllowed: text = t.notAllowed; break;
    case Notice::TooLarge: text = t.tooLarge; break;
    case Notice::HeaderTooLarge: text = t.headerTooLarge; break;
    case Notice::Timeout: text = t.timeout; break;
    case Notice::Removed: text = t.removed; break;
    case Notice::NameBlocked: text = t.nameBlocked; break;
    }
    out += good ? "<p class=\"notice good\" role=\"status\">" : "<p class=\"notice bad\" role=\"alert\">";
    out += text;
    out += "</p>\n";
}

void renderForm(std::string &out, const Texts &t, const PageView &v)
{
    out += "<section class=\"by-hand\" aria-labelledby=\"by-hand\">\n<h2 id=\"by-hand\">";
    out += t.formHeading;
    out += "</h2>\n<p>";
    out += t.formIntro;
    out += "</p>\n<form method=\"post\" action=\"" + std::string(kListAddress) + "\">\n";
    out += "<p><label for=\"name\">";
    out += t.formName;
    out += "</label> <input id=\"name\" name=\"name\" dir=\"auto\" autocomplete=\"nickname\" value=\""
           + escapeHtml(v.formName) + "\"></p>\n";
    out += "<p><label for=\"code\">";
    out += t.formCode;
    out += "</label> <input id=\"code\" name=\"code\" inputmode=\"numeric\" autocomplete=\"off\" required"
           " value=\"" + escapeHtml(v.formCode) + "\"></p>\n";
    out += "<p><button type=\"submit\">";
    out += t.submit;
    out += "</button></p>\n</form>\n</section>\n";
}

} // namespace

bool isListedType(int type) { return std::find(std::begin(kListedTypes), std::end(kListedTypes), type) != std::end(kListedTypes); }

std::string escapeHtml(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + 16);
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&#39;"; break;
        default: out += c;
        }
    }
    return out;
}

std::string isoTime(std::int64_t ms, bool milliseconds)
{
    const std::int64_t remainder = ((ms % 1000) + 1000) % 1000;
    const std::time_t seconds = static_cast<std::time_t>((ms - remainder) / 1000);
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char buffer[40];
    std::size_t length = std::strftime(buffer, sizeof buffer, "%Y-%m-%dT%H:%M:%S", &utc);
    if (milliseconds)
        length += std::size_t(std::snprintf(buffer + length, sizeof buffer - length, ".%03d", int(remainder)));
    buffer[length++] = 'Z';
    return std::string(buffer, length);
}

std::string renderPage(const PageView &v)
{
    const Texts &t = textsOf(v.language);
    std::string out;
    out.reserve(8192);
    out += "<!DOCTYPE html>\n<html lang=\"";
    out += t.lang;
    out += "\">\n<head>\n<meta charset=\"utf-8\">\n"
           "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n<title>";
    out += t.title;
    out += "</title>\n<link rel=\"stylesheet\" href=\"/static/highscores.css\">\n"
           "<link rel=\"icon\" href=\"/static/emblem.svg\" type=\"image/svg+xml\">\n</head>\n<body>\n"
           "<header class=\"masthead\"><a class=\"brand\" href=\"";
    out += kListAddress;
    out += "\"><img src=\"/static/emblem.svg\" alt=\"\" width=\"44\" height=\"44\"><span>Vantrell Sudoku</span></a>"
           "<h1>";
    out += t.heading;
    out += "</h1></header>\n<main>\n";
    renderNotice(out, t, v);
    for (const TableView &table : v.tables)
        renderTable(out, t, table, v.language);
    if (v.linkToList) {
        out += "<p class=\"more\"><a href=\"";
        out += kListAddress;
        out += "\">";
        out += t.wholeList;
        out += "</a></p>\n";
    }
    if (v.form)
        renderForm(out, t, v);
    out += "</main>\n<footer><p>";
    out += t.footer;
    out += "</p></footer>\n</body>\n</html>\n";
    return out;
}

} // namespace vantrell::highscores
