// Answers to list requests, remembered for a second at most and while the list stands, and
// made once however many clients ask for the same one at the same moment.
//
// Two segments keep a stream of distinct addresses (a crawler walking every page) from
// pushing out the answers everybody reads: a new address enters the probation segment,
// and only an address asked for again while it is there moves to the protected one.
#pragma once

#include "server/service.h"

#include <chrono>
#include <cstdint>
#include <list>
#include <mutex>
#include <string>
#include <unordered_map>
#include <variant>
#include <vector>

namespace vantrell::highscores {

class AnswerCache {
public:
    using Clock = std::chrono::steady_clock;

    AnswerCache(std::size_t probation = 128, std::size_t protectedSize = 384, Clock::duration lifetime = std::chrono::seconds(1));

    struct Hit {
        Response response;
    };
    struct Joined {}; // the answer is being made; the reply was queued behind it
    struct First {};  // make the answer, then call complete()
    using Lookup = std::variant<Hit, Joined, First>;

    // reply is taken only for Joined.
    Lookup lookup(const std::string &key, std::uint64_t version, Clock::time_point now, Reply &reply);

    // The answer for key is made: remembers it when keep is true and hands back the replies
    // that joined while it was made.
    std::vector<Reply> complete(const std::string &key, std::uint64_t version, Clock::time_point made,
                                const Response &response, bool keep);

    std::size_t size() const;

private:
    struct Slot {
        std::string key;
        std::uint64_t version = 0;
        Clock::time_point made;
        Response response;
        bool isProtected = false;
    };
    using Order = std::list<Slot>; // front: most recently used
    void trim(Order &segment, std::size_t limit);

    const std::size_t probationLimit_;
    const std::size_t protectedLimit_;
    const Clock::duration lifetime_;
    mutable std::mutex mutex_;
    Order probation_, protected_;
    std::unordered_map<std::string, Order::iterator> slots_;
    std::unordered_map<std::string, std::vector<Reply>> inFlight_;
};

} // namespace vantrell::highscores
