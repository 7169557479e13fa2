#include "server/metrics.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <stdexcept>

namespace vantrell::highscores::metrics {
namespace {

bool validName(std::string_view name, bool colons)
{
    const auto first = [colons](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || (colons && c == ':'); };
    return !name.empty() && first(name[0])
           && std::all_of(name.begin() + 1, name.end(), [&](char c) { return first(c) || (c >= '0' && c <= '9'); });
}

void appendEscaped(std::string &out, std::string_view text, bool quotes)
{
    for (const char c : text) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '\n')
            out += "\\n";
        else if (quotes && c == '"')
            out += "\\\"";
        else
            out += c;
    }
}

void appendValue(std::string &out, double v)
{
    if (std::isnan(v)) {
        out += "NaN";
    } else if (std::isinf(v)) {
        out += v > 0 ? "+Inf" : "-Inf";
    } else {
        // Shortest exact digits; fixed notation where it is short, so a bucket reads
        // le="0.0005" as other clients write it, not le="5e-04".
        char buffer[64];
        const bool fixed = v == 0 || (std::abs(v) >= 1e-6 && std::abs(v) < 1e15);
        out.append(buffer, std::to_chars(buffer, buffer + sizeof buffer, v, fixed ? std::chars_format::fixed
                                                                                  : std::chars_format::general).ptr);
    }
}

// name{a="x",b="y",le="0.5"} value
void appendSample(std::string &out, std::string_view name, const Labels &labels, const std::string &le,
                  const std::string &value)
{
    out += name;
    if (!labels.empty() || !le.empty()) {
        out += '{';
        const char *comma = "";
        for (const auto &[label, text] : labels) {
            out += comma;
            out += label;
            out += "=\"";
            appendEscaped(out, text, true);
            out += '"';
            comma = ",";
        }
        if (!le.empty())
            out += std::string(comma) + "le=\"" + le + '"';
        out += '}';
    }
    out += ' ';
    out += value;
    out += '\n';
}

std::string valueText(double v)
{
    std::string out;
    appendValue(out, v);
    return out;
}

std::string_view typeName(Type type)
{
    switch (type) {
    case Type::Counter: return "counter";
    case Type::Gauge: return "gauge";
    case Type::Histogram: return "histogram";
    }
    return "untyped";
}

constexpr std::array<std::string_view, 4> kStatusClasses = {"2xx", "3xx", "4xx", "5xx"};

std::size_t statusClass(int status) { return status < 300 ? 0 : status < 400 ? 1 : status < 500 ? 2 : 3; }

} // namespace

std::size_t Counter::cell() noexcept
{
    static std::atomic<std::size_t> nextThread{0};
    thread_local const std::size_t index = nextThread.fetch_add(1, std::memory_order_relaxed) % kCells;
    return index;
}

std::uint64_t Counter::value() const noexcept
{
    std::uint64_t total = 0;
    for (const Cell &c : cells_)
        total += c.n.load(std::memory_order_relaxed);
    return total;
}

Histogram::Histogram(std::vector<double> bounds)
    : bounds_(std::move(bounds)), counts_(std::make_unique<std::atomic<std::uint64_t>[]>(bounds_.size() + 1))
{
    if (!std::is_sorted(bounds_.begin(), bounds_.end()) || std::adjacent_find(bounds_.begin(), bounds_.end()) != bounds_.end())
        throw std::logic_error("histogram bounds must ascend");
}

void Histogram::observe(double v) noexcept
{
    const auto bucket = std::size_t(std::lower_bound(bounds_.begin(), bounds_.end(), v) - bounds_.begin());
    counts_[bucket].fetch_add(1, std::memory_order_relaxed);
    sum_.fetch_add(v, std::memory_order_relaxed);
}

Histogram::Snapshot Histogram::snapshot() const
{
    Snapshot s;
    std::uint64_t running = 0;
    for (std::size_t i = 0; i <= bounds_.size(); ++i)
        s.cumulative.push_back(running += counts_[i].load(std::memory_order_relaxed));
    s.sum = sum_.load(std::memory_order_relaxed);
    return s;
}

struct Registry::Family {
    std::string name, help;
    Type type;
    struct Child {
        Labels labels;
        std::unique_ptr<Counter> counter;
        std::unique_ptr<Gauge> gauge;
        std::unique_ptr<Histogram> histogram;
    };
    std::vector<Child> children;
    std::function<Samples()> read;
};

Registry::Registry() = default;
Registry::~Registry() = default;

Registry::Family &Registry::family(const std::string &name, const std::string &help, Type type, const Labels &labels)
{
    for (const auto &[label, value] : labels)
        if (!validName(label, false) || label.starts_with("__") || (type == Type::Histogram && label == "le"))
            throw std::logic_error("metric " + name + ": label name " + label + " is not allowed");
    for (const auto &f : families_) {
        if (f->name != name)
            continue;
        if (f->type != type || f->help != help)
            throw std::logic_error("metric " + name + " made twice with another type or help");
        if (!f->children.empty() && !std::equal(labels.begin(), labels.end(), f->children.front().labels.begin(),
                                                f->children.front().labels.end(),
                                                [](const auto &a, const auto &b) { return a.first == b.first; }))
            throw std::logic_error("metric " + name + ": every series needs the same label names");
        return *f;
    }
    if (!validName(name, true))
        throw std::logic_error("metric name " + name + " is not allowed");
    if (type == Type::Counter && !name.ends_with("_total"))
        throw std::logic_error("counter " + name + " must be named *_total");
    families_.push_back(std::make_unique<Family>(Family{name, help, type, {}, {}}));
    return *families_.back();
}

namespace {

// The child of a family with these labels, made on first use.
template <typename Family, typename Metric, typename Make>
Metric &childOf(Family &family, const Labels &labels, std::unique_ptr<Metric> Family::Child::*member, Make make)
{
    for (auto &child : family.children)
        if (child.labels == labels)
            return *(child.*member);
    typename Family::Child child{labels, nullptr, nullptr, nullptr};
    child.*member = make();
    family.children.push_back(std::move(child));
    return *(family.children.back().*member);
}

} // namespace

Counter &Registry::counter(const std::string &name, const std::string &help, const Labels &labels)
{
    const std::lock_guard lock(mutex_);
    return childOf(family(name, help, Type::Counter, labels), labels, &Family::Child::counter,
                   [] { return std::make_unique<Counter>(); });
}

Gauge &Registry::gauge(const std::string &name, const std::string &help, const Labels &labels)
{
    const std::lock_guard lock(mutex_);
    return childOf(family(name, help, Type::Gauge, labels), labels, &Family::Child::gauge,
                   [] { return std::make_unique<Gauge>(); });
}

Histogram &Registry::histogram(const std::string &name, const std::string &help, const std::vector<double> &bounds,
                               const Labels &labels)
{
    const std::lock_guard lock(mutex_);
    return childOf(family(name, help, Type::Histogram, labels), labels, &Family::Child::histogram,
                   [&bounds] { return std::make_unique<Histogram>(bounds); });
}

void Registry::callback(const std::string &name, const std::string &help, Type type, std::function<Samples()> read)
{
    if (type == Type::Histogram)
        throw std::logic_error("metric " + name + ": a histogram cannot be read through a callback");
    const std::lock_guard lock(mutex_);
    Family &f = family(name, help, type, {});
    if (!f.children.empty() || f.read)
        throw std::logic_error("metric " + name + " made twice");
    f.read = std::move(read);
}

std::string Registry::render() const
{
    const std::lock_guard lock(mutex_);
    std::string out;
    for (const auto &f : families_) {
        out += "# HELP " + f->name + ' ';
        appendEscaped(out, f->help, false);
        out += "\n# TYPE " + f->name + ' ';
        out += typeName(f->type);
        out += '\n';
        for (const auto &child : f->children) {
            if (child.counter) {
                appendSample(out, f->name, child.labels, {}, std::to_string(child.counter->value()));
            } else if (child.gauge) {
                appendSample(out, f->name, child.labels, {}, valueText(child.gauge->value()));
            } else {
                const Histogram::Snapshot s = child.histogram->snapshot();
                const auto &bounds = child.histogram->bounds();
                for (std::size_t i = 0; i < s.cumulative.size(); ++i)
                    appendSample(out, f->name + "_bucket", child.labels, i < bounds.size() ? valueText(bounds[i]) : "+Inf",
                                 std::to_string(s.cumulative[i]));
                appendSample(out, f->name + "_sum", child.labels, {}, valueText(s.sum));
                appendSample(out, f->name + "_count", child.labels, {}, std::to_string(s.cumulative.back()));
            }
        }
        if (f->read)
            for (const auto &[labels, value] : f->read())
                appendSample(out, f->name, labels, {}, valueText(value));
    }
    return out;
}

std::string_view routeLabel(Route route)
{
    static constexpr std::array<std::string_view, kRoutes> labels = {
        "submit_address", "submit_form", "submit_api", "list_page", "list_api",
        "entry_page",     "healthz",     "static",     "metrics",   "other",
    };
    return labels[std::size_t(route)];
}

std::string_view outcomeLabel(Outcome outcome)
{
    static constexpr std::array<std::string_view, kOutcomes> labels = {
        "created", "standing", "taken", "refused_code", "refused_name", "blocked_name", "rate_limited", "gone", "unavailable",
    };
    return labels[std::size_t(outcome)];
}

ServiceMetrics::ServiceMetrics(std::string_view version)
{
    // From half a millisecond (an answer from the cache) to 10 s (the longest a request may
    // take to arrive).
    const std::vector<double> durationBounds = {0.0005, 0.001, 0.0025, 0.005, 0.01, 0.025, 0.05,
                                                0.1,    0.25,  0.5,    1,     2.5,  5,     10};
    for (std::size_t r = 0; r < kRoutes; ++r) {
        const std::string route(routeLabel(Route(r)));
        for (std::size_t c = 0; c < kStatusClasses.size(); ++c)
            requests_[r][c] = &registry_.counter("vantrell_highscores_requests_total", "Requests answered, by route and status class.",
                                                 {{"route", route}, {"code", std::string(kStatusClasses[c])}});
    }
    for (std::size_t r = 0; r < kRoutes; ++r)
        durations_[r] = &registry_.histogram("vantrell_highscores_request_duration_seconds",
                                             "Time from a request's arrival to its answer, by route.", durationBounds,
                                             {{"route", std::string(routeLabel(Route(r)))}});
    for (std::size_t o = 0; o < kOutcomes; ++o)
        submissions_[o] = &registry_.counter("vantrell_highscores_submissions_total", "Submissions, by what became of them.",
                                             {{"outcome", std::string(outcomeLabel(Outcome(o)))}});
    commits_ = &registry_.counter("vantrell_highscores_writer_commits_total", "Transactions committed by the writer thread.");
    batchSizes_ = &registry_.histogram("vantrell_highscores_writer_batch_size", "Submissions committed in one transaction.",
                                       {1, 2, 4, 8, 16, 32, 64, 128, 256});
    databaseErrors_ = &registry_.counter("vantrell_highscores_database_errors_total", "Database operations that failed.");

    const auto read = [this](auto pick) {
        return [this, pick] {
            const std::lock_guard lock(sourcesMutex_);
            return pick(sources_);
        };
    };
    registry_.callback("vantrell_highscores_entries", "Entries in the list, by game type.", Type::Gauge,
                       read([](const Sources &s) {
                           Registry::Samples samples;
                           if (s.entries) {
                               const auto counts = s.entries();
                               const char *types[] = {"1", "8", "9"};
                               for (std::size_t i = 0; i < counts.size(); ++i)
                                   samples.push_back({{{"type", types[i]}}, double(counts[i])});
                           }
                           return samples;
                       }));
    registry_.callback("vantrell_highscores_log_lines_dropped_total",
                       "Access-log lines dropped because standard error did not keep up.", Type::Counter,
                       read([](const Sources &s) {
                           return s.logLinesDropped ? Registry::Samples{{{}, double(s.logLinesDropped())}} : Registry::Samples{};
                       }));
    registry_.callback("vantrell_highscores_open_connections", "Client connections open now.", Type::Gauge,
                       read([](const Sources &s) {
                           return s.openConnections ? Registry::Samples{{{}, double(s.openConnections())}} : Registry::Samples{};
                       }));
    registry_.gauge("vantrell_highscores_build_info", "The running version; always 1.", {{"version", std::string(version)}}).set(1);
    // The service makes its metrics as it starts, so this is its start to within a moment.
    const auto started = std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch());
    registry_.gauge("process_start_time_seconds", "Start time of the process since the Unix epoch in seconds.")
        .set(std::floor(started.count()));
}

void ServiceMetrics::request(Route route, int status, std::chrono::duration<double> took) noexcept
{
    requests_[std::size_t(route)][statusClass(status)]->add();
    durations_[std::size_t(route)]->observe(took.count());
}

void ServiceMetrics::submission(Outcome outcome) noexcept { submissions_[std::size_t(outcome)]->add(); }

void ServiceMetrics::writerCommit(std::size_t batchSize) noexcept
{
    commits_->add();
    batchSizes_->observe(double(batchSize));
}

void ServiceMetrics::databaseError() noexcept { databaseErrors_->add(); }

void ServiceMetrics::setSources(Sources sources)
{
    const std::lock_guard lock(sourcesMutex_);
    sources_ = std::move(sources);
}

} // namespace vantrell::highscores::metrics
