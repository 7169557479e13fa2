// The routes of the highscore service: a request in plain data, an answer in plain data.
// The HTTP server around it owns the sockets; everything a request means is decided here.
#pragma once

#include "server/clients.h"
#include "server/storage.h"

#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
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
};

struct Response {
    int status = 200;
    std::string contentType;
    std::string body;
    std::vector<std::pair<std::string, std::string>> headers; // beyond the common ones
};

class HighscoreService {
public:
    using Clock = RateLimiter::Clock;

    // rateLimit: submissions per client and minute, 0 for no limit.
    HighscoreService(Storage &storage, int rateLimit, std::function<Clock::time_point()> clock = Clock::now);

    Response handle(const Request &request);

    // Whether handle() answers this request without waiting for a commit (everything but
    // submissions, on a storage whose reads are local; the service's own files on any).
    bool quick(const Request &request) const;

    // The answer to a list request while it is still remembered, without asking the
    // database: the server gives it on the network thread, whatever the storage.
    std::optional<Response> remembered(const Request &request);

    // The answer to a request the server refused before it was read whole: 400, 408, 413
    // or 431. target and acceptLanguage are empty where the header was not read.
    Response refuse(int status, const std::string &target, const std::string &acceptLanguage) const;

private:
    // The key a list answer is remembered under; empty for other requests.
    std::string cacheKey(const Request &request) const;

    // List answers by address and language, while the list's version stands.
    struct Cached {
        std::uint64_t version = 0;
        Clock::time_point made;
        Response response;
    };
    static constexpr std::size_t kMaxCached = 256;

    Storage &storage_;
    RateLimiter limiter_;
    std::function<Clock::time_point()> clock_;
    std::mutex cacheMutex_;
    std::unordered_map<std::string, Cached> cache_;
};

} // namespace vantrell::highscores
