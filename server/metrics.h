// The service's numbers for Prometheus: counters, gauges and histograms in a registry that
// renders the text exposition format 0.0.4, and the set of them the service keeps.
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vantrell::highscores::metrics {

inline constexpr std::string_view kContentType = "text/plain; version=0.0.4; charset=utf-8";

using Labels = std::vector<std::pair<std::string, std::string>>; // name, value

// Counts up. Each thread adds to one of a few cells on cache lines of their own, so the
// network threads and the workers never wait on one another's increments; reading sums them.
class Counter {
public:
    void add(std::uint64_t n = 1) noexcept { cells_[cell()].n.fetch_add(n, std::memory_order_relaxed); }
    std::uint64_t value() const noexcept;

private:
    static constexpr std::size_t kCells = 8;
    struct alignas(64) Cell {
        std::atomic<std::uint64_t> n{0};
    };
    static std::size_t cell() noexcept;
    std::array<Cell, kCells> cells_;
};

class Gauge {
public:
    void set(double v) noexcept { value_.store(v, std::memory_order_relaxed); }
    void add(double v) noexcept { value_.fetch_add(v, std::memory_order_relaxed); }
    double value() const noexcept { return value_.load(std::memory_order_relaxed); }

private:
    std::atomic<double> value_{0};
};

// Observations in fixed buckets (upper bounds, ascending); rendered cumulatively with +Inf.
// The count is the buckets' sum, so the two always agree in one rendering.
class Histogram {
public:
    explicit Histogram(std::vector<double> bounds);
    void observe(double v) noexcept;

    struct Snapshot {
        std::vector<std::uint64_t> cumulative; // one per bound, then +Inf (the count)
        double sum = 0;
    };
    Snapshot snapshot() const;
    const std::vector<double> &bounds() const { return bounds_; }

private:
    std::vector<double> bounds_;
    std::unique_ptr<std::atomic<std::uint64_t>[]> counts_; // not cumulative; the last is above every bound
    std::atomic<double> sum_{0};
};

enum class Type { Counter, Gauge, Histogram };

// Families in the order they were made, each with its children by label values. Making a
// child takes a lock; counting on one does not, and a child lives as long as the registry.
// A name or label that Prometheus would refuse, a counter not named *_total, or a name
// reused with another type or help is a fault of the caller: std::logic_error.
class Registry {
public:
    Registry();
    ~Registry();
    Registry(const Registry &) = delete;
    Registry &operator=(const Registry &) = delete;

    Counter &counter(const std::string &name, const std::string &help, const Labels &labels = {});
    Gauge &gauge(const std::string &name, const std::string &help, const Labels &labels = {});
    Histogram &histogram(const std::string &name, const std::string &help, const std::vector<double> &bounds,
                         const Labels &labels = {});

    // A family whose samples are read at each rendering, one per label set, on the thread
    // that renders: keep it cheap (a number the service already keeps, not a query).
    using Samples = std::vector<std::pair<Labels, double>>;
    void callback(const std::string &name, const std::string &help, Type type, std::function<Samples()> read);

    std::string render() const;

private:
    struct Family;
    Family &family(const std::string &name, const std::string &help, Type type, const Labels &labels);
    mutable std::mutex mutex_;
    std::vector<std::unique_ptr<Family>> families_;
};

// What the service counts. Every label value is made at start with 0, so a series exists
// before its first event and rate() sees its first increment.
enum class Route {
    SubmitAddress, SubmitForm, SubmitApi, ListPage, ListApi, EntryPage, Healthz, Static, Metrics, Other,
};
inline constexpr std::size_t kRoutes = std::size_t(Route::Other) + 1;
std::string_view routeLabel(Route route); // "submit_address", ...

enum class Outcome {
    Created, Standing, Taken, RefusedCode, RefusedName, BlockedName, RateLimited, Gone, Unavailable,
};
inline constexpr std::size_t kOutcomes = std::size_t(Outcome::Unavailable) + 1;
std::string_view outcomeLabel(Outcome outcome); // "created", ...

class ServiceMetrics {
public:
    explicit ServiceMetrics(std::string_view version);

    // One answered request: vantrell_highscores_requests_total{route,code} by status class
    // ("2xx".."5xx"; below 300 counts as 2xx, from 500 up as 5xx) and its duration.
    void request(Route route, int status, std::chrono::duration<double> took) noexcept;
    void submission(Outcome outcome) noexcept;
    // One transaction of the writer thread with the submissions it held.
    void writerCommit(std::size_t batchSize) noexcept;
    void databaseError() noexcept;

    // Numbers the service keeps elsewhere, read when /metrics is asked for. Unset ones show
    // their HELP and TYPE lines without a sample.
    struct Sources {
        std::function<std::array<std::int64_t, 3>()> entries; // types 1, 8, 9
        std::function<std::uint64_t()> logLinesDropped;
        std::function<std::int64_t()> openConnections;
    };
    void setSources(Sources sources);

    std::string render() const { return registry_.render(); }
    Registry &registry() { return registry_; }

private:
    Registry registry_;
    std::array<std::array<Counter *, 4>, kRoutes> requests_{};
    std::array<Histogram *, kRoutes> durations_{};
    std::array<Counter *, kOutcomes> submissions_{};
    Counter *commits_ = nullptr;
    Histogram *batchSizes_ = nullptr;
    Counter *databaseErrors_ = nullptr;
    mutable std::mutex sourcesMutex_;
    Sources sources_;
};

} // namespace vantrell::highscores::metrics
