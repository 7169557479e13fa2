#include "server/clients.h"

#include "server/http_parser.h"

#include <arpa/inet.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>

namespace vantrell::highscores {
namespace {

// The key a client is counted under: the address, or an IPv6 address's /64 network.
std::string bucketKey(std::string_view client)
{
    const std::string text(client);
    in6_addr v6{};
    if (inet_pton(AF_INET6, text.c_str(), &v6) != 1)
        return text;
    std::memset(v6.s6_addr + 8, 0, 8);
    char buffer[INET6_ADDRSTRLEN] = {};
    inet_ntop(AF_INET6, &v6, buffer, sizeof buffer);
    return std::string(buffer) + "/64";
}

} // namespace

bool canonicalAddress(std::string_view text, std::string &canonical)
{
    const std::string s(text);
    char buffer[INET6_ADDRSTRLEN] = {};
    in_addr v4{};
    in6_addr v6{};
    if (inet_pton(AF_INET, s.c_str(), &v4) == 1)
        inet_ntop(AF_INET, &v4, buffer, sizeof buffer);
    else if (inet_pton(AF_INET6, s.c_str(), &v6) == 1 && IN6_IS_ADDR_V4MAPPED(&v6))
        inet_ntop(AF_INET, v6.s6_addr + 12, buffer, sizeof buffer); // ::ffff:a.b.c.d is a.b.c.d, as the peer is
    else if (inet_pton(AF_INET6, s.c_str(), &v6) == 1)
        inet_ntop(AF_INET6, &v6, buffer, sizeof buffer);
    else
        return false;
    canonical = buffer;
    return true;
}

std::string clientAddress(std::string_view peer, std::string_view forwardedFor,
                          const std::vector<std::string> &trustedProxies)
{
    const auto trusted = [&](const std::string &address) {
        return std::find(trustedProxies.begin(), trustedProxies.end(), address) != trustedProxies.end();
    };
    std::string client(peer);
    if (!trusted(client))
        return client;
    while (!forwardedFor.empty()) {
        const std::size_t comma = forwardedFor.rfind(',');
        const std::string_view hop = trimmed(comma == std::string_view::npos ? forwardedFor : forwardedFor.substr(comma + 1));
        forwardedFor = comma == std::string_view::npos ? std::string_view() : forwardedFor.substr(0, comma);
        std::string address;
        if (!canonicalAddress(hop, address))
            break;
        client = address;
        if (!trusted(address))
            break;
    }
    return client;
}

RateLimiter::RateLimiter(int perMinute) : perMinute_(perMinute) {}

double RateLimiter::refill(const Bucket &bucket, Clock::time_point now) const
{
    const double seconds = std::chrono::duration<double>(now - bucket.updated).count();
    return std::min<double>(perMinute_, bucket.tokens + std::max(0.0, seconds) * perMinute_ / 60.0);
}

int RateLimiter::take(std::string_view client, Clock::time_point now)
{
    if (perMinute_ <= 0)
        return 0;
    const std::string key = bucketKey(client);
    Shard &shard = shards_[std::hash<std::string>{}(key) % kShards];
    std::lock_guard lock(shard.mutex);
    if (shard.buckets.size() >= kMaxClientsPerShard) {
        // Clients whose bucket is full again are no different from new ones.
        std::erase_if(shard.buckets, [&](const auto &item) { return refill(item.second, now) >= perMinute_; });
        if (shard.buckets.size() >= kMaxClientsPerShard)
            shard.buckets.clear();
    }
    auto [it, fresh] = shard.buckets.try_emplace(key, Bucket{double(perMinute_), now});
    Bucket &bucket = it->second;
    bucket.tokens = refill(bucket, now);
    bucket.updated = now;
    if (bucket.tokens >= 1) {
        bucket.tokens -= 1;
        return 0;
    }
    return std::max(1, int(std::ceil((1 - bucket.tokens) * 60.0 / perMinute_)));
}

} // namespace vantrell::highscores
