// Who a request comes from, and how many submissions each client may make.
#pragma once

#include <chrono>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace vantrell::highscores {

// The client of a request: the peer itself, unless the peer is one of the trusted proxies;
// then the right-most address of X-Forwarded-For that is not a trusted proxy. Addresses in
// the header that do not parse end the walk, as a client may write anything there.
std::string clientAddress(std::string_view peer, std::string_view forwardedFor,
                          const std::vector<std::string> &trustedProxies);

// Whether text is an IPv4 or IPv6 address, and its canonical form. An IPv4-mapped IPv6
// address (::ffff:192.0.2.1) is the IPv4 address it carries: otherwise every such client
// would fall into the one /64 network ::/64 and share one submission bucket.
bool canonicalAddress(std::string_view text, std::string &canonical);

// Submissions per client: a bucket of perMinute that refills evenly over a minute. IPv6
// clients count by their /64 network, which one household or server usually holds whole.
class RateLimiter {
public:
    using Clock = std::chrono::steady_clock;

    explicit RateLimiter(int perMinute);

    // Takes one submission of this client. Returns 0 when it may go ahead, else the whole
    // seconds after which the next one may (for Retry-After).
    int take(std::string_view client, Clock::time_point now);

private:
    struct Bucket {
        double tokens = 0;
        Clock::time_point updated;
    };
    static constexpr std::size_t kShards = 16;
    static constexpr std::size_t kMaxClientsPerShard = 8192;
    struct Shard {
        std::mutex mutex;
        std::unordered_map<std::string, Bucket> buckets;
    };

    double refill(const Bucket &bucket, Clock::time_point now) const;

    int perMinute_;
    Shard shards_[kShards];
};

} // namespace vantrell::highscores
