#include "server/answer_cache.h"

namespace vantrell::highscores {

AnswerCache::AnswerCache(std::size_t probation, std::size_t protectedSize, Clock::duration lifetime)
    : probationLimit_(probation), protectedLimit_(protectedSize), lifetime_(lifetime)
{
}

AnswerCache::Lookup AnswerCache::lookup(const std::string &key, std::uint64_t version, Clock::time_point now,
                                        Reply &reply)
{
    std::lock_guard lock(mutex_);
    if (const auto found = slots_.find(key); found != slots_.end()) {
        Order::iterator slot = found->second;
        if (slot->version == version && now - slot->made < lifetime_) {
            // Asked for again: the protected segment keeps it; there, it moves to the front.
            if (!slot->isProtected) {
                slot->isProtected = true;
                protected_.splice(protected_.begin(), probation_, slot);
                trim(protected_, protectedLimit_);
            } else {
                protected_.splice(protected_.begin(), protected_, slot);
            }
            return Hit{slot->response};
        }
    }
    if (const auto making = inFlight_.find(key); making != inFlight_.end()) {
        making->second.push_back(std::move(reply));
        return Joined{};
    }
    inFlight_.emplace(key, std::vector<Reply>());
    return First{};
}

std::vector<Reply> AnswerCache::complete(const std::string &key, std::uint64_t version, Clock::time_point made,
                                         const Response &response, bool keep)
{
    std::lock_guard lock(mutex_);
    std::vector<Reply> waiting;
    if (const auto making = inFlight_.find(key); making != inFlight_.end()) {
        waiting = std::move(making->second);
        inFlight_.erase(making);
    }
    if (!keep)
        return waiting;
    if (const auto found = slots_.find(key); found != slots_.end()) {
        Slot &slot = *found->second;
        slot.version = version;
        slot.made = made;
        slot.response = response;
        return waiting;
    }
    probation_.push_front({key, version, made, response, false});
    slots_[key] = probation_.begin();
    trim(probation_, probationLimit_);
    return waiting;
}

void AnswerCache::trim(Order &segment, std::size_t limit)
{
    while (segment.size() > limit) {
        Order::iterator last = std::prev(segment.end());
        if (&segment == &protected_) {
            // Out of the protected segment means back on probation, not gone.
            last->isProtected = false;
            probation_.splice(probation_.begin(), protected_, last);
            trim(probation_, probationLimit_);
            continue;
        }
        slots_.erase(last->key);
        segment.erase(last);
    }
}

std::size_t AnswerCache::size() const
{
    std::lock_guard lock(mutex_);
    return slots_.size();
}

} // namespace vantrell::highscores
