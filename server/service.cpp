#include "server/service.h"

#include "core/highscore_code.h"
#include "server/log.h"
#include "server/pages.h"
#include "server/request_fields.h"

#include <algorithm>
#include <limits>
#include <optional>
#include <variant>

namespace vantrell::highscores {
namespace {

constexpr std::string_view kHtml = "text/html; charset=utf-8";
constexpr std::string_view kJson = "application/json";
constexpr std::string_view kApiPath = "/api/v1/highscores";
constexpr int kDefaultApiLimit = 20;
constexpr int kMaxApiLimit = 100;
// Rows shown above and below an entry on its own page.
constexpr int kRowsAround = 5;

void appendJsonString(std::string &out, std::string_view s)
{
    static constexpr char kHex[] = "0123456789abcdef";
    out += '"';
    for (char c : s) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (u < 0x20) {
            out += "\\u00";
            out += kHex[u >> 4];
            out += kHex[u & 15];
        } else {
            out += c;
        }
    }
    out += '"';
}

void appendEntry(std::string &out, const Entry &e, std::int64_t rank, bool withType)
{
    out += "{\"rank\":" + std::to_string(rank);
    if (withType)
        out += ",\"type\":" + std::to_string(e.type);
    out += ",\"name\":";
    appendJsonString(out, e.name);
    out += ",\"points\":" + std::to_string(e.points) + ",\"givens\":" + std::to_string(e.givens) + ",\"set\":\"";
    out += e.set;
    out += "\",\"entered\":\"" + isoTime(e.enteredMs) + "\"}";
}

Response make(int status, std::string_view type, std::string body)
{
    Response r;
    r.status = status;
    r.contentType = type;
    r.body = std::move(body);
    r.headers.emplace_back("Cache-Control", "no-store");
    return r;
}

Response jsonError(int status, std::string_view reason)
{
    std::string body = "{\"error\":";
    appendJsonString(body, reason);
    body += "}\n";
    return make(status, kJson, std::move(body));
}

Response page(int status, const PageView &view) { return make(status, kHtml, renderPage(view)); }

Response notAllowed(bool json, std::string_view allow, Language language)
{
    Response r = json ? jsonError(405, "method not allowed") : [&] {
        PageView view;
        view.language = language;
        view.notice = Notice::NotAllowed;
        view.linkToList = true;
        return page(405, view);
    }();
    r.headers.emplace_back("Allow", allow);
    return r;
}

std::string_view trimmedCode(std::string_view code)
{
    constexpr std::string_view kBlanks = " \t\r\n";
    const std::size_t first = code.find_first_not_of(kBlanks);
    if (first == std::string_view::npos)
        return {};
    return code.substr(first, code.find_last_not_of(kBlanks) - first + 1);
}

// What one submission came to, before it becomes a page or JSON.
struct Outcome {
    int status = 500;
    Notice notice = Notice::None;
    std::string detail;
    int problem = 0;
    int retryAfter = 0;
    std::optional<SubmitResult> result;
};

int statusOf(SubmitOutcome outcome)
{
    switch (outcome) {
    case SubmitOutcome::Created: return 201;
    case SubmitOutcome::Standing: return 200;
    case SubmitOutcome::CodeTaken: return 409;
    }
    return 500;
}

Notice noticeOf(SubmitOutcome outcome)
{
    switch (outcome) {
    case SubmitOutcome::Created: return Notice::Created;
    case SubmitOutcome::Standing: return Notice::Standing;
    case SubmitOutcome::CodeTaken: return Notice::CodeTaken;
    }
    return Notice::None;
}

} // namespace

HighscoreService::HighscoreService(Storage &storage, int rateLimit, std::function<Clock::time_point()> clock)
    : storage_(storage), limiter_(rateLimit), clock_(std::move(clock))
{
}

namespace {

class Router {
public:
    Router(Storage &storage, RateLimiter &limiter, const std::function<RateLimiter::Clock::time_point()> &clock,
           const Request &request)
        : storage_(storage), limiter_(limiter), clock_(clock), r_(request),
          language_(pickLanguage(request.acceptLanguage))
    {
        const std::size_t q = r_.target.find('?');
        path_ = std::string_view(r_.target).substr(0, q);
        query_ = q == std::string::npos ? std::string_view() : std::string_view(r_.target).substr(q + 1);
    }

    Response route()
    {
        const bool read = r_.method == "GET" || r_.method == "HEAD";
        const bool post = r_.method == "POST";
        if (path_ == kApiPath) {
            if (read)
                return apiList();
            if (post)
                return apiSubmit();
            return notAllowed(true, "GET, HEAD, POST", language_);
        }
        if (path_ == "/healthz") {
            if (!read)
                return notAllowed(false, "GET, HEAD", language_);
            return storage_.healthy() ? make(200, "text/plain; charset=utf-8", "ok\n")
                                      : make(503, "text/plain; charset=utf-8", "the database does not answer\n");
        }
        if (path_ == "/static/highscores.css" || path_ == "/static/emblem.svg") {
            if (!read)
                return notAllowed(false, "GET, HEAD", language_);
            const bool css = path_ == "/static/highscores.css";
            Response r;
            r.contentType = css ? "text/css; charset=utf-8" : "image/svg+xml";
            r.body = css ? kStylesheet : kEmblem;
            r.headers.emplace_back("Cache-Control", "public, max-age=86400");
            return r;
        }
        if (path_ == "/" || path_ == "/index.php") {
            const auto fields = parseFields(query_);
            if (!fields)
                return badRequestPage("a broken percent escape in the address");
            if (path_ == "/index.php") {
                const std::string *ziel = findField(*fields, "ziel");
                if (!ziel || *ziel != "medsudokuhighscore")
                    return notFoundPage();
            }
            if (post)
                return formSubmit();
            if (!read)
                return notAllowed(false, "GET, HEAD, POST", language_);
            if (const std::string *code = findField(*fields, "code")) {
                const std::string *name = findField(*fields, "name");
                return addressSubmit(name ? *name : std::string(), *code);
            }
            if (const std::string *entry = findField(*fields, "entry"))
                return entryPage(*entry, findField(*fields, "new"));
            return listPage(*fields);
        }
        if (path_.starts_with("/api/"))
            return jsonError(404, "no such resource");
        return notFoundPage();
    }

private:
    // ---- submissions

    Outcome submit(std::string_view rawName, std::string_view rawCode)
    {
        Outcome o;
        const CheckedName name = checkName(rawName);
        if (name.problem != NameProblem::None) {
            o.status = 400;
            o.notice = Notice::BadName;
            o.detail = nameProblemText(name.problem);
            o.problem = int(name.problem);
            return o;
        }
        const std::string_view code = trimmedCode(rawCode);
        const DecodedHighscoreCode decoded = decodeHighscoreCode(code);
        if (!decoded.valid()) {
            o.status = 422;
            o.notice = Notice::BadCode;
            o.detail = decoded.reason;
            o.problem = int(decoded.problem);
            return o;
        }
        if (const int wait = limiter_.take(r_.client, clock_())) {
            o.status = 429;
            o.notice = Notice::TooMany;
            o.retryAfter = wait;
            o.detail = "too many submissions from this address; try again in " + std::to_string(wait) + " s";
            return o;
        }
        try {
            o.result = storage_.submit(
                {name.name, std::string(code), decoded.punkte, decoded.spielart, decoded.aufgedeckt, decoded.elemente});
        } catch (const StorageUnavailable &e) {
            return unavailable(e);
        }
        o.status = statusOf(o.result->outcome);
        o.notice = noticeOf(o.result->outcome);
        if (o.status == 409)
            o.detail = "this code already stands in the list under another name";
        return o;
    }

    Outcome unavailable(const StorageUnavailable &e)
    {
        logLine(std::string("storage: ") + e.what());
        Outcome o;
        o.status = 503;
        o.notice = Notice::Unavailable;
        o.detail = "the database does not answer";
        return o;
    }

    Response withRetryAfter(Response r, const Outcome &o)
    {
        if (o.status == 429)
            r.headers.emplace_back("Retry-After", std::to_string(o.retryAfter));
        return r;
    }

    Response apiSubmit()
    {
        const auto fields = parseJsonSubmission(r_.body);
        if (const std::string *error = std::get_if<std::string>(&fields))
            return jsonError(400, *error);
        const auto &submission = std::get<SubmissionFields>(fields);
        const Outcome o = submit(submission.name, submission.code);
        if (o.status != 200 && o.status != 201)
            return withRetryAfter(jsonError(o.status, o.detail), o);
        std::string body;
        appendEntry(body, o.result->entry, o.result->rank, true);
        body += '\n';
        return make(o.status, kJson, std::move(body));
    }

    Response addressSubmit(const std::string &name, const std::string &code)
    {
        const Outcome o = submit(name, code);
        if (o.status != 200 && o.status != 201)
            return withRetryAfter(failedSubmissionPage(o, name, code), o);
        return entryAround(o.status, o.result->entry, o.result->rank, o.notice);
    }

    Response formSubmit()
    {
        const std::string_view type = std::string_view(r_.contentType).substr(0, r_.contentType.find(';'));
        if (type != "application/x-www-form-urlencoded")
            return badRequestPage("the form must be sent form-encoded");
        const auto fields = parseFields(r_.body);
        if (!fields)
            return badRequestPage("a broken percent escape in the form");
        const std::string *name = findField(*fields, "name");
        const std::string *code = findField(*fields, "code");
        const std::string nameText = name ? *name : std::string();
        const std::string codeText = code ? *code : std::string();
        const Outcome o = submit(nameText, codeText);
        if (o.status != 200 && o.status != 201)
            return withRetryAfter(failedSubmissionPage(o, nameText, codeText), o);
        // Post/redirect/get: a reload of the result page sends nothing again.
        Response r = make(303, kHtml, {});
        r.headers.emplace_back("Location", std::string(kListAddress) + "&entry=" + std::to_string(o.result->entry.id)
                                               + "&new=" + (o.status == 201 ? "1" : "0"));
        return r;
    }

    Response failedSubmissionPage(const Outcome &o, const std::string &name, const std::string &code)
    {
        PageView view = baseView();
        view.notice = o.notice;
        view.detail = o.detail;
        view.problem = o.problem;
        view.retryAfter = o.retryAfter;
        view.form = o.status != 503;
        // Bytes that are no UTF-8 are not shown back in the form.
        const bool nameShowable = o.notice != Notice::BadName || o.problem == int(NameProblem::TooLong);
        view.formName = nameShowable ? name : std::string();
        view.formCode = code.size() <= 64 ? code : std::string();
        view.linkToList = true;
        return page(o.status, view);
    }

    // ---- lists

    Response apiList()
    {
        const auto fields = parseFields(query_);
        if (!fields)
            return jsonError(400, "a broken percent escape in the address");
        const std::string *typeText = findField(*fields, "type");
        const auto type = typeText ? parseNumber(*typeText, 1, 9) : std::nullopt;
        if (!type || !isListedType(int(*type)))
            return jsonError(400, "type must be 1, 8 or 9");
        const std::string *limitText = findField(*fields, "limit");
        const auto limit = limitText ? parseNumber(*limitText, 1, kMaxApiLimit) : kDefaultApiLimit;
        if (!limit)
            return jsonError(400, "limit must be 1 to 100");
        const std::string *offsetText = findField(*fields, "offset");
        const auto offset = offsetText ? parseNumber(*offsetText, 0, 1'000'000'000'000) : 0;
        if (!offset)
            return jsonError(400, "offset must be a whole number from 0");
        ListPage rows;
        try {
            rows = storage_.list(int(*type), int(*limit), *offset);
        } catch (const StorageUnavailable &e) {
            unavailable(e);
            return jsonError(503, "the database does not answer");
        }
        std::string body = "{\"type\":" + std::to_string(*type) + ",\"total\":" + std::to_string(rows.total)
                           + ",\"entries\":[";
        std::int64_t rank = rows.offset;
        for (const Entry &e : rows.entries) {
            if (rank != rows.offset)
                body += ',';
            appendEntry(body, e, ++rank, false);
        }
        body += "]}\n";
        return make(200, kJson, std::move(body));
    }

    Response listPage(const Fields &fields)
    {
        PageView view = baseView();
        view.form = true;
        const std::string *typeText = findField(fields, "type");
        try {
            if (!typeText) {
                for (int type : kListedTypes) {
                    TableView table;
                    table.type = type;
                    table.rows = storage_.list(type, kPageRows, 0);
                    table.morePage = table.rows.total > kPageRows ? 1 : 0;
                    view.tables.push_back(std::move(table));
                }
                return page(200, view);
            }
            const auto type = parseNumber(*typeText, 1, 9);
            if (!type || !isListedType(int(*type)))
                return badRequestPage("type must be 1, 8 or 9");
            const std::string *pageText = findField(fields, "page");
            const auto number = pageText ? parseNumber(*pageText, 1, 1'000'000'000) : 1;
            if (!number)
                return badRequestPage("page must be a whole number from 1");
            TableView table;
            table.type = int(*type);
            table.rows = storage_.list(table.type, kPageRows, (*number - 1) * kPageRows);
            table.paged = true;
            view.tables.push_back(std::move(table));
            view.linkToList = true;
            return page(200, view);
        } catch (const StorageUnavailable &e) {
            return unavailablePage(e);
        }
    }

    Response entryPage(const std::string &idText, const std::string *fresh)
    {
        const auto id = parseNumber(idText, 1, std::numeric_limits<std::int64_t>::max() / 2);
        if (!id)
            return notFoundPage();
        try {
            const std::optional<Entry> entry = storage_.entry(*id);
            if (!entry)
                return notFoundPage();
            const Notice notice = !fresh ? Notice::Shown : *fresh == "1" ? Notice::Created : Notice::Standing;
            return entryAround(200, *entry, storage_.rank(*entry), notice);
        } catch (const StorageUnavailable &e) {
            return unavailablePage(e);
        }
    }

    // An entry with the rows around it and a link to its page of the whole table.
    Response entryAround(int status, const Entry &entry, std::int64_t rank, Notice notice)
    {
        PageView view = baseView();
        view.notice = notice;
        view.rank = rank;
        view.linkToList = true;
        TableView table;
        table.type = entry.type;
        table.highlight = entry.id;
        try {
            table.rows = storage_.list(entry.type, 2 * kRowsAround + 1, std::max<std::int64_t>(0, rank - 1 - kRowsAround));
        } catch (const StorageUnavailable &e) {
            logLine(std::string("storage: ") + e.what());
            table.rows.offset = rank - 1; // the entry is committed; show it alone
            table.rows.total = rank;
            table.rows.entries = {entry};
        }
        table.morePage = (rank - 1) / kPageRows + 1;
        view.tables.push_back(std::move(table));
        return page(status, view);
    }

    // ---- plain answers

    PageView baseView() const
    {
        PageView view;
        view.language = language_;
        return view;
    }

    Response badRequestPage(std::string detail)
    {
        PageView view = baseView();
        view.notice = Notice::BadRequest;
        view.detail = std::move(detail);
        view.linkToList = true;
        return page(400, view);
    }

    Response notFoundPage()
    {
        PageView view = baseView();
        view.notice = Notice::NotFound;
        view.linkToList = true;
        return page(404, view);
    }

    Response unavailablePage(const StorageUnavailable &e)
    {
        unavailable(e);
        PageView view = baseView();
        view.notice = Notice::Unavailable;
        return page(503, view);
    }

    Storage &storage_;
    RateLimiter &limiter_;
    const std::function<RateLimiter::Clock::time_point()> &clock_;
    const Request &r_;
    Language language_;
    std::string_view path_;
    std::string_view query_;
};

// Every answer, pages and JSON alike: no scripts, no foreign sources, no framing.
void addCommonHeaders(Response &r, Language language)
{
    r.headers.emplace_back("Content-Security-Policy",
                           "default-src 'none'; style-src 'self'; img-src 'self'; form-action 'self'; "
                           "base-uri 'none'; frame-ancestors 'none'");
    r.headers.emplace_back("X-Content-Type-Options", "nosniff");
    r.headers.emplace_back("Referrer-Policy", "no-referrer");
    if (r.contentType.starts_with("text/html"))
        r.headers.emplace_back("Content-Language", language == Language::German ? "de" : "en");
    r.headers.emplace_back("Vary", "Accept-Language");
}

} // namespace

bool HighscoreService::quick(const Request &request) const
{
    if (request.method == "POST")
        return false;
    if (request.target == "/static/highscores.css" || request.target == "/static/emblem.svg")
        return true;
    const std::size_t query = request.target.find('?');
    const bool submits = query != std::string::npos && request.target.find("code=", query) != std::string::npos;
    return !submits && storage_.readsAreLocal();
}

std::string HighscoreService::cacheKey(const Request &request) const
{
    // Lists are read far more often than they change: the same address in the same
    // language gets the same bytes until an entry is added, or a second has passed.
    const bool read = request.method == "GET" || request.method == "HEAD";
    const std::string_view target = request.target;
    const bool list = read
                      && (target.starts_with("/api/v1/highscores?") || target == "/" || target.starts_with("/?")
                          || target.starts_with(kListAddress))
                      && target.find("code=") == std::string_view::npos && target.find("entry=") == std::string_view::npos;
    if (!list)
        return {};
    std::string key;
    key.reserve(target.size() + 1);
    key = target;
    key += pickLanguage(request.acceptLanguage) == Language::German ? 'd' : 'e';
    return key;
}

std::optional<Response> HighscoreService::remembered(const Request &request)
{
    const std::string key = cacheKey(request);
    if (key.empty())
        return std::nullopt;
    const std::uint64_t version = storage_.version();
    const Clock::time_point now = clock_();
    std::lock_guard lock(cacheMutex_);
    const auto found = cache_.find(key);
    if (found != cache_.end() && found->second.version == version && now - found->second.made < std::chrono::seconds(1))
        return found->second.response;
    return std::nullopt;
}

Response HighscoreService::handle(const Request &request)
{
    if (std::optional<Response> r = remembered(request))
        return std::move(*r);
    const std::string key = cacheKey(request);
    const std::uint64_t version = storage_.version();
    const Clock::time_point made = clock_();
    Response r = Router(storage_, limiter_, clock_, request).route();
    addCommonHeaders(r, pickLanguage(request.acceptLanguage));
    if (!key.empty() && r.status == 200) {
        std::lock_guard lock(cacheMutex_);
        if (cache_.size() >= kMaxCached)
            cache_.clear();
        cache_[key] = {version, made, r};
    }
    return r;
}

Response HighscoreService::refuse(int status, const std::string &target, const std::string &acceptLanguage) const
{
    Response r;
    if (target.starts_with("/api/")) {
        const char *reason = status == 413 ? "the request is larger than 4 KiB"
                             : status == 431 ? "the request's header is too large"
                             : status == 408 ? "the request took too long"
                                             : "the request is malformed";
        r = jsonError(status, reason);
    } else {
        PageView view;
        view.language = pickLanguage(acceptLanguage);
        view.notice = status == 413   ? Notice::TooLarge
                      : status == 431 ? Notice::HeaderTooLarge
                      : status == 408 ? Notice::Timeout
                                      : Notice::BadRequest;
        view.detail = "malformed HTTP";
        view.linkToList = true;
        r = page(status, view);
    }
    addCommonHeaders(r, pickLanguage(acceptLanguage));
    return r;
}

} // namespace vantrell::highscores
