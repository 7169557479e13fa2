// The routes of the highscore service: a request in plain data, an answer in plain data.
// The HTTP server around it owns the sockets; everything a request means is decided here.
#pragma once

#include "server/clients.h"
#include "server/storage.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace vantrell::highscores {

struct Request {
    std::string method; // "GET", "HEAD", "POST", ...
    std::string target; // path and query as sent
    std::string body;
    std::string contentType;
    std::string acceptLanguage;
    std::string client; // the client's address (behind a trusted proxy: the forwarded one)
    // The connection comes from this machine (loopback) or from a trusted proxy.
    bool trustedPeer = false;
    // The request carries X-Forwarded-For or Forwarded: someone else's, sent on by a proxy.
    bool forwarded = false;
};

struct Response {
    int status = 200;
    std::string contentType;
    std::string body;
    std::vector<std::pair<std::string, std::string>> headers; // beyond the common ones
};

// The answer to a request that is not ready at once; called exactly once, from one of the
// service's own threads.
using Reply = std::function<void(Response)>;

struct ServiceOptions {
    int rateLimit = 10;      // submissions per client and minute, 0 for no limit
    int submitThreads = 16;  // threads that wait for commits: enough to share one commit
    int readThreads = 0;     // threads that read the database; 0: one per core, at least 2
    // A file of names the list does not take (empty: none); one that cannot be read at
    // start is a std::runtime_error from the constructor.
    std::string blockedNames;
    std::string version = "0"; // for the metrics' build information
};

class HighscoreService {
public:
    using Clock = RateLimiter::Clock;

    HighscoreService(Storage &storage, ServiceOptions options, std::function<Clock::time_point()> clock = Clock::now);
    // Finishes what it holds (see finish()).
    ~HighscoreService();
    HighscoreService(const HighscoreService &) = delete;
    HighscoreService &operator=(const HighscoreService &) = delete;

    // One call per request, on the network thread that read it; the route is decided here
    // once. The answer comes back at once when it needs no database (a list still
    // remembered, the service's own files, a request it refuses); otherwise serve returns
    // nothing and the reply is called later, once, from the service's own threads: the
    // network thread never waits for the database.
    std::optional<Response> serve(Request request, Reply reply);

    // serve() and wait for the answer: for tests and tools, never for a network thread.
    Response handle(const Request &request);

    // The answer to a request the server refused before it was read whole: 400, 408, 413
    // or 431. target and acceptLanguage are empty where the header was not read.
    Response refuse(int status, const std::string &target, const std::string &acceptLanguage) const;

    // Reads the blocked-names file again (SIGHUP) without holding up a request; when it
    // cannot, the list before stays. One line for the log.
    std::string reloadBlockedNames();

    // Numbers the server around it keeps, for /metrics; either may be empty.
    void setServerGauges(std::function<std::int64_t()> openConnections, std::function<std::uint64_t()> logLinesDropped);

    // Answers every request it has taken (their replies are called), then ends its threads.
    // A request served after it is answered 503 at once. Idempotent.
    void finish();

private:
    struct State;
    std::unique_ptr<State> state_;
};

} // namespace vantrell::highscores
