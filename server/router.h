// How the service reads a request: the route it takes, decided once from the decoded
// request, and the answer each route makes. Only service.cpp includes it.
#pragma once

#include "core/highscore_code.h"
#include "server/answers.h"
#include "server/blocked_names.h"
#include "server/log.h"
#include "server/metrics.h"
#include "server/pages.h"
#include "server/request_fields.h"
#include "server/service.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>

namespace vantrell::highscores::routing {


inline constexpr std::string_view kApiPath = "/api/v1/highscores";
inline constexpr int kDefaultApiLimit = 20;
inline constexpr int kMaxApiLimit = 100;
// Rows shown above and below an entry on its own page.
inline constexpr int kRowsAround = 5;
// The deepest offset a list request may ask for: far past any list, small enough that no
// arithmetic on it overflows.
inline constexpr long long kMaxOffset = 1'000'000'000'000;

inline std::string_view trimmedCode(std::string_view code)
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

inline int statusOf(SubmitOutcome outcome)
{
    switch (outcome) {
    case SubmitOutcome::Created: return 201;
    case SubmitOutcome::Standing: return 200;
    case SubmitOutcome::CodeTaken: return 409;
    case SubmitOutcome::Hidden: return 410;
    }
    return 500;
}

inline Notice noticeOf(SubmitOutcome outcome)
{
    switch (outcome) {
    case SubmitOutcome::Created: return Notice::Created;
    case SubmitOutcome::Standing: return Notice::Standing;
    case SubmitOutcome::CodeTaken: return Notice::CodeTaken;
    case SubmitOutcome::Hidden: return Notice::Removed;
    }
    return Notice::None;
}


// What every request of the service shares.
struct Shared {
    Storage &storage;
    RateLimiter &limiter;
    const std::function<RateLimiter::Clock::time_point()> &clock;
    const BlockedNamesHolder &blocked;
    metrics::ServiceMetrics &metrics;
};

// Where a request goes: decided once, from the decoded request, by decide().
enum class Route {
    Ready,         // answered by decide() without the database
    ListApi,       // remembered answers, read on a reader thread
    ListPage,
    EntryPage,     // read on a reader thread
    Health,
    Metrics,
    SubmitAddress, // committed on a submission thread
    SubmitForm,
    SubmitApi,
};

class Router {
public:
    Router(const Shared &shared, Request request)
        : storage_(shared.storage), limiter_(shared.limiter), clock_(shared.clock), blocked_(shared.blocked),
          metrics_(shared.metrics), r_(std::move(request)),
          language_(pickLanguage(r_.acceptLanguage))
    {
        const std::size_t q = r_.target.find('?');
        path_ = std::string_view(r_.target).substr(0, q);
        query_ = q == std::string::npos ? std::string_view() : std::string_view(r_.target).substr(q + 1);
    }

    Route route() const { return route_; }
    // What the metrics count it as: its route, and a submission's outcome.
    metrics::Route metricsRoute() const { return metricsRoute_; }
    const std::optional<metrics::Outcome> &outcome() const { return outcome_; }
    Language language() const { return language_; }
    // The key a list answer is remembered under: the decoded fields that choose it.
    const std::string &cacheKey() const { return cacheKey_; }
    // decide()'s answer for Route::Ready.
    Response takeReady() { return std::move(ready_); }

    // Reads the request once: the answers that need no database are made here (the service's
    // own files, refusals, a code or name that cannot enter, the rate limit); for the
    // others the route, and the key of a list.
    void decide()
    {
        route_ = Route::Ready;
        ready_ = decideRoute();
    }

    // The answer of a route that needs the database, on the thread the route chose.
    Response answer()
    {
        switch (route_) {
        case Route::Ready: return std::move(ready_);
        case Route::ListApi: return apiList();
        case Route::ListPage: return listPage();
        case Route::EntryPage: return entryPage();
        case Route::Health: return health();
        case Route::Metrics: return make(200, metrics::kContentType, metrics_.render());
        case Route::SubmitAddress: return addressSubmit();
        case Route::SubmitForm: return formSubmit();
        case Route::SubmitApi: return apiSubmit();
        }
        return make(500, "text/plain; charset=utf-8", "internal error\n");
    }

private:
    Response decideRoute()
    {
        const bool read = r_.method == "GET" || r_.method == "HEAD";
        const bool post = r_.method == "POST";
        if (path_ == kApiPath) {
            metricsRoute_ = post ? metrics::Route::SubmitApi : metrics::Route::ListApi;
            if (read)
                return planApiList();
            if (post)
                return planApiSubmit();
            return notAllowed(true, "GET, HEAD, POST", language_);
        }
        if (path_ == "/healthz") {
            metricsRoute_ = metrics::Route::Healthz;
            if (!read)
                return notAllowed(false, "GET, HEAD", language_);
            route_ = Route::Health;
            return {};
        }
        // The service's own figures, for this machine or a trusted proxy's own scraper: a
        // request that a proxy sent on is someone else's and finds nothing here.
        if (path_ == "/metrics" && r_.trustedPeer && !r_.forwarded) {
            metricsRoute_ = metrics::Route::Metrics;
            if (!read)
                return notAllowed(false, "GET, HEAD", language_);
            route_ = Route::Metrics;
            return {};
        }
        if (path_ == "/static/highscores.css" || path_ == "/static/emblem.svg") {
            metricsRoute_ = metrics::Route::Static;
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
            auto fields = parseFields(query_);
            if (!fields)
                return badRequestPage("a broken percent escape in the address");
            fields_ = std::move(*fields);
            if (path_ == "/index.php") {
                const std::string *ziel = findField(fields_, "ziel");
                if (!ziel || *ziel != "medsudokuhighscore")
                    return notFoundPage();
            }
            if (post) {
                metricsRoute_ = metrics::Route::SubmitForm;
                return planFormSubmit();
            }
            if (!read)
                return notAllowed(false, "GET, HEAD, POST", language_);
            if (const std::string *code = findField(fields_, "code")) {
                metricsRoute_ = metrics::Route::SubmitAddress;
                const std::string *name = findField(fields_, "name");
                return planSubmit(Route::SubmitAddress, name ? *name : std::string(), *code);
            }
            if (findField(fields_, "entry")) {
                metricsRoute_ = metrics::Route::EntryPage;
                route_ = Route::EntryPage;
                return {};
            }
            metricsRoute_ = metrics::Route::ListPage;
            return planListPage();
        }
        if (path_.starts_with("/api/"))
            return jsonError(404, "no such resource");
        return notFoundPage();
    }

private:
    // ---- submissions

    Response planApiSubmit()
    {
        const auto fields = parseJsonSubmission(r_.body);
        if (const std::string *error = std::get_if<std::string>(&fields))
            return jsonError(400, *error);
        const auto &submission = std::get<SubmissionFields>(fields);
        return planSubmit(Route::SubmitApi, submission.name, submission.code);
    }

    Response planFormSubmit()
    {
        const std::string_view type = std::string_view(r_.contentType).substr(0, r_.contentType.find(';'));
        if (type != "application/x-www-form-urlencoded")
            return badRequestPage("the form must be sent form-encoded");
        const auto fields = parseFields(r_.body);
        if (!fields)
            return badRequestPage("a broken percent escape in the form");
        const std::string *name = findField(*fields, "name");
        const std::string *code = findField(*fields, "code");
        return planSubmit(Route::SubmitForm, name ? *name : std::string(), code ? *code : std::string());
    }

    // What can be told without the database: the name, the code, the client's rate. A
    // submission that passes goes to a submission thread.
    Response planSubmit(Route route, std::string rawName, std::string rawCode)
    {
        route_ = route;
        rawName_ = std::move(rawName);
        rawCode_ = std::move(rawCode);
        Outcome o;
        const CheckedName name = checkName(rawName_);
        if (name.problem != NameProblem::None) {
            o.status = 400;
            o.notice = Notice::BadName;
            o.detail = nameProblemText(name.problem);
            o.problem = int(name.problem);
            return refused(o, metrics::Outcome::RefusedName);
        }
        const std::string_view code = trimmedCode(rawCode_);
        const DecodedHighscoreCode decoded = decodeHighscoreCode(code);
        if (!decoded.valid()) {
            o.status = 422;
            o.notice = Notice::BadCode;
            o.detail = decoded.reason;
            o.problem = int(decoded.problem);
            return refused(o, metrics::Outcome::RefusedCode);
        }
        if (blocked_.current()->blocks(name.name)) {
            o.status = 400;
            o.notice = Notice::NameBlocked;
            o.detail = "this name is not allowed";
            return refused(o, metrics::Outcome::BlockedName);
        }
        if (const int wait = limiter_.take(r_.client, clock_())) {
            o.status = 429;
            o.notice = Notice::TooMany;
            o.retryAfter = wait;
            o.detail = "too many submissions from this address; try again in " + std::to_string(wait) + " s";
            return refused(o, metrics::Outcome::RateLimited);
        }
        submission_ = {name.name, std::string(code), decoded.punkte, decoded.spielart, decoded.aufgedeckt,
                       decoded.elemente};
        return {};
    }

    Response refused(const Outcome &o, metrics::Outcome outcome)
    {
        outcome_ = outcome;
        const Route route = route_;
        route_ = Route::Ready;
        if (route == Route::SubmitApi)
            return withRetryAfter(jsonError(o.status, o.detail), o);
        return withRetryAfter(failedSubmissionPage(o, rawName_, rawCode_), o);
    }

    Outcome commit()
    {
        Outcome o;
        try {
            o.result = storage_.submit(submission_);
        } catch (const StorageUnavailable &e) {
            outcome_ = metrics::Outcome::Unavailable;
            return unavailable(e);
        }
        static constexpr metrics::Outcome kOutcomes[] = {metrics::Outcome::Created, metrics::Outcome::Standing,
                                                         metrics::Outcome::Taken, metrics::Outcome::Gone};
        outcome_ = kOutcomes[int(o.result->outcome)];
        o.status = statusOf(o.result->outcome);
        o.notice = noticeOf(o.result->outcome);
        if (o.status == 409)
            o.detail = "this code already stands in the list under another name";
        if (o.status == 410)
            o.detail = "this result has been removed from the list";
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
        const Outcome o = commit();
        if (o.status != 200 && o.status != 201)
            return jsonError(o.status, o.detail);
        std::string body;
        appendEntry(body, o.result->entry, o.result->rank, true);
        body += '\n';
        return make(o.status, kJson, std::move(body));
    }

    Response addressSubmit()
    {
        const Outcome o = commit();
        if (o.status != 200 && o.status != 201)
            return failedSubmissionPage(o, rawName_, rawCode_);
        return entryAround(o.status, o.result->entry, o.result->rank, o.notice);
    }

    Response formSubmit()
    {
        const Outcome o = commit();
        if (o.status != 200 && o.status != 201)
            return failedSubmissionPage(o, rawName_, rawCode_);
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
        // Only text a page may carry is shown back in the form: bytes that are no UTF-8 or
        // control characters are dropped whole, whatever else was wrong.
        view.formName = isDisplayableText(name) ? name : std::string();
        view.formCode = code.size() <= 64 && isDisplayableText(code) ? code : std::string();
        view.linkToList = true;
        return page(o.status, view);
    }

    // ---- lists

    Response planApiList()
    {
        auto fields = parseFields(query_);
        if (!fields)
            return jsonError(400, "a broken percent escape in the address");
        fields_ = std::move(*fields);
        const std::string *typeText = findField(fields_, "type");
        const auto type = typeText ? parseNumber(*typeText, 1, 9) : std::nullopt;
        if (!type || !isListedType(int(*type)))
            return jsonError(400, "type must be 1, 8 or 9");
        const std::string *limitText = findField(fields_, "limit");
        const auto limit = limitText ? parseNumber(*limitText, 1, kMaxApiLimit) : kDefaultApiLimit;
        if (!limit)
            return jsonError(400, "limit must be 1 to 100");
        const std::string *offsetText = findField(fields_, "offset");
        const auto offset = offsetText ? parseNumber(*offsetText, 0, kMaxOffset) : 0;
        if (!offset)
            return jsonError(400, "offset must be a whole number from 0 to " + std::to_string(kMaxOffset));
        type_ = int(*type);
        limit_ = int(*limit);
        offset_ = *offset;
        route_ = Route::ListApi;
        cacheKey_ = "a" + std::to_string(type_) + ':' + std::to_string(limit_) + ':' + std::to_string(offset_);
        return {};
    }

    Response apiList()
    {
        ListPage rows;
        try {
            rows = storage_.list(type_, limit_, offset_);
        } catch (const StorageUnavailable &e) {
            unavailable(e);
            return jsonError(503, "the database does not answer");
        }
        std::string body = "{\"type\":" + std::to_string(type_) + ",\"total\":" + std::to_string(rows.total)
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

    Response planListPage()
    {
        const std::string *typeText = findField(fields_, "type");
        route_ = Route::ListPage;
        if (!typeText) {
            cacheKey_ = "p";
            return {};
        }
        route_ = Route::Ready;
        const auto type = parseNumber(*typeText, 1, 9);
        if (!type || !isListedType(int(*type)))
            return badRequestPage("type must be 1, 8 or 9");
        const std::string *pageText = findField(fields_, "page");
        const auto number = pageText ? parseNumber(*pageText, 1, kMaxOffset / kPageRows) : 1;
        if (!number)
            return badRequestPage("page must be a whole number from 1");
        type_ = int(*type);
        offset_ = (*number - 1) * kPageRows;
        route_ = Route::ListPage;
        cacheKey_ = "p" + std::to_string(type_) + ':' + std::to_string(*number);
        return {};
    }

    Response listPage()
    {
        PageView view = baseView();
        view.form = true;
        try {
            if (type_ == 0) {
                for (int type : kListedTypes) {
                    TableView table;
                    table.type = type;
                    table.rows = storage_.list(type, kPageRows, 0);
                    table.morePage = table.rows.total > kPageRows ? 1 : 0;
                    view.tables.push_back(std::move(table));
                }
                return page(200, view);
            }
            TableView table;
            table.type = type_;
            table.rows = storage_.list(table.type, kPageRows, offset_);
            // A page past the end of the table is no page (the first one always is).
            if (offset_ > 0 && table.rows.entries.empty())
                return notFoundPage();
            table.paged = true;
            view.tables.push_back(std::move(table));
            view.linkToList = true;
            return page(200, view);
        } catch (const StorageUnavailable &e) {
            return unavailablePage(e);
        }
    }

    Response entryPage()
    {
        const std::string *idText = findField(fields_, "entry");
        const auto id = parseNumber(*idText, 1, std::numeric_limits<std::int64_t>::max() / 2);
        if (!id)
            return notFoundPage();
        const std::string *fresh = findField(fields_, "new");
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

    Response health()
    {
        return storage_.healthy() ? make(200, "text/plain; charset=utf-8", "ok\n")
                                  : make(503, "text/plain; charset=utf-8", "the database does not answer\n");
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
    const BlockedNamesHolder &blocked_;
    metrics::ServiceMetrics &metrics_;
    const Request r_;
    const Language language_;
    std::string_view path_;
    std::string_view query_;

    Route route_ = Route::Ready;
    metrics::Route metricsRoute_ = metrics::Route::Other;
    std::optional<metrics::Outcome> outcome_;
    Response ready_;
    Fields fields_;
    std::string cacheKey_;
    int type_ = 0; // a list's: 0 for the three tables
    int limit_ = 0;
    std::int64_t offset_ = 0;
    std::string rawName_, rawCode_;
    Submission submission_;
};


} // namespace vantrell::highscores::routing
