#include "server/service.h"

#include "server/answer_cache.h"
#include "server/answers.h"
#include "server/blocked_names.h"
#include "server/log.h"
#include "server/metrics.h"
#include "server/router.h"
#include "server/worker_pool.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <future>
#include <optional>
#include <thread>
#include <variant>

namespace vantrell::highscores {

using routing::Route;
using routing::Router;
using routing::Shared;

struct HighscoreService::State {
    State(Storage &s, const ServiceOptions &o, std::function<Clock::time_point()> c)
        : storage(s), limiter(o.rateLimit), clock(std::move(c)), blocked(o.blockedNames), metrics(o.version),
          shared{storage, limiter, clock, blocked, metrics},
          readers(o.readThreads > 0 ? o.readThreads : int(std::max(2u, std::thread::hardware_concurrency()))),
          submitters(std::max(1, o.submitThreads))
    {
    }

    Storage &storage;
    RateLimiter limiter;
    std::function<Clock::time_point()> clock;
    BlockedNamesHolder blocked;
    metrics::ServiceMetrics metrics;
    Shared shared;
    AnswerCache cache;
    std::atomic<bool> finished = false;
    // Reads, submissions and the checks of the service itself wait in separate queues: a
    // writer that is held up holds up no page, and a burst of pages no health check.
    WorkerPool readers;
    WorkerPool submitters;
    WorkerPool checks{1};
};

HighscoreService::HighscoreService(Storage &storage, ServiceOptions options, std::function<Clock::time_point()> clock)
    : state_(std::make_unique<State>(storage, options, std::move(clock)))
{
    metrics::ServiceMetrics &m = state_->metrics;
    storage.setEvents({[&m](std::size_t batch) { m.writerCommit(batch); }, [&m] { m.databaseError(); }});
    setServerGauges({}, {});
}

HighscoreService::~HighscoreService() { finish(); }

void HighscoreService::finish()
{
    state_->finished = true;
    state_->readers.finish();
    state_->submitters.finish();
    state_->checks.finish();
}

std::string HighscoreService::reloadBlockedNames()
{
    const BlockedNamesReload reloaded = state_->blocked.reload();
    return reloaded.report;
}

void HighscoreService::setServerGauges(std::function<std::int64_t()> openConnections,
                                       std::function<std::uint64_t()> logLinesDropped)
{
    Storage &storage = state_->storage;
    state_->metrics.setSources({[&storage] {
                                    // From the kept counts: three small sums, not a count.
                                    std::array<std::int64_t, 3> entries{};
                                    for (std::size_t i = 0; i < entries.size(); ++i)
                                        entries[i] = storage.list(kListedTypes[i], 0, 0).total;
                                    return entries;
                                },
                                std::move(logLinesDropped), std::move(openConnections)});
}

namespace {

Response finished(Response r, Language language)
{
    addCommonHeaders(r, language);
    return r;
}

Response guarded(Router &router)
{
    try {
        return router.answer();
    } catch (const std::exception &e) {
        logLine(std::string("internal error: ") + e.what());
        return make(500, "text/plain; charset=utf-8", "internal error\n");
    }
}

} // namespace

std::optional<Response> HighscoreService::serve(Request request, Reply reply)
{
    State &s = *state_;
    const auto started = std::chrono::steady_clock::now();
    auto router = std::make_shared<Router>(s.shared, std::move(request));
    const Language language = router->language();
    if (s.finished)
        return finished(make(503, "text/plain; charset=utf-8", "the service is stopping\n"), language);
    router->decide();
    // Every answer is counted once, by route and status class, with its time.
    const auto count = [&s, started, route = router->metricsRoute()](const Router &r, int status) {
        s.metrics.request(route, status, std::chrono::steady_clock::now() - started);
        if (r.outcome())
            s.metrics.submission(*r.outcome());
    };
    if (router->route() == Route::Ready) {
        Response r = finished(router->takeReady(), language);
        count(*router, r.status);
        return r;
    }
    Reply counted = [count, router, reply = std::move(reply)](Response r) {
        count(*router, r.status);
        reply(std::move(r));
    };
    switch (router->route()) {
    case Route::ListApi:
    case Route::ListPage: {
        // Lists are read far more often than they change: the same list in the same
        // language gets the same bytes until an entry is added, or a second has passed.
        std::string key = router->cacheKey();
        key += language == Language::German ? 'd' : 'e';
        const std::uint64_t version = s.storage.version();
        const Clock::time_point now = s.clock();
        AnswerCache::Lookup found = s.cache.lookup(key, version, now, counted);
        if (auto *hit = std::get_if<AnswerCache::Hit>(&found)) {
            count(*router, hit->response.status);
            return std::move(hit->response);
        }
        if (std::holds_alternative<AnswerCache::Joined>(found))
            return std::nullopt;
        s.readers.post([&s, router, counted = std::move(counted), key = std::move(key), version, now, language] {
            const Response r = finished(guarded(*router), language);
            for (Reply &joined : s.cache.complete(key, version, now, r, r.status == 200))
                joined(r);
            counted(r);
        });
        return std::nullopt;
    }
    default: {
        const Route route = router->route();
        WorkerPool &pool = route == Route::EntryPage                              ? s.readers
                           : route == Route::Health || route == Route::Metrics ? s.checks
                                                                               : s.submitters;
        pool.post([router, counted = std::move(counted), language] { counted(finished(guarded(*router), language)); });
        return std::nullopt;
    }
    }
}

Response HighscoreService::handle(const Request &request)
{
    std::promise<Response> answered;
    std::future<Response> answer = answered.get_future();
    std::optional<Response> now = serve(request, [&answered](Response r) { answered.set_value(std::move(r)); });
    return now ? std::move(*now) : answer.get();
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
