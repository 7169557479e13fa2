// metrics_sample VERSION: the service's metrics after the events read from standard input,
// rendered as /metrics would answer. One event a line:
//   request ROUTE STATUS SECONDS | submission OUTCOME | commit BATCH | database-error
//   entries N1 N8 N9 | dropped N | connections N
// For the format test, which checks the text with Prometheus' own tools.
#include "server/metrics.h"

#include <cstdio>
#include <iostream>
#include <sstream>

using namespace vantrell::highscores::metrics;

template <typename Enum, std::size_t count>
bool byLabel(std::string_view label, std::string_view (*name)(Enum), Enum &found)
{
    for (std::size_t i = 0; i < count; ++i)
        if (name(Enum(i)) == label) {
            found = Enum(i);
            return true;
        }
    return false;
}

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: metrics_sample VERSION < events\n");
        return 2;
    }
    ServiceMetrics metrics(argv[1]);
    ServiceMetrics::Sources sources;
    std::string line;
    while (std::getline(std::cin, line)) {
        std::istringstream in(line);
        std::string event, label;
        in >> event;
        bool ok = true;
        if (event == "request") {
            Route route{};
            int status = 0;
            double seconds = 0;
            ok = bool(in >> label >> status >> seconds) && byLabel<Route, kRoutes>(label, routeLabel, route);
            if (ok)
                metrics.request(route, status, std::chrono::duration<double>(seconds));
        } else if (event == "submission") {
            Outcome outcome{};
            ok = bool(in >> label) && byLabel<Outcome, kOutcomes>(label, outcomeLabel, outcome);
            if (ok)
                metrics.submission(outcome);
        } else if (std::size_t batch = 0; event == "commit") {
            ok = bool(in >> batch);
            if (ok)
                metrics.writerCommit(batch);
        } else if (event == "database-error") {
            metrics.databaseError();
        } else if (std::array<std::int64_t, 3> entries{}; event == "entries") {
            ok = bool(in >> entries[0] >> entries[1] >> entries[2]);
            sources.entries = [entries] { return entries; };
        } else if (std::uint64_t dropped = 0; event == "dropped") {
            ok = bool(in >> dropped);
            sources.logLinesDropped = [dropped] { return dropped; };
        } else if (std::int64_t connections = 0; event == "connections") {
            ok = bool(in >> connections);
            sources.openConnections = [connections] { return connections; };
        } else {
            ok = event.empty();
        }
        if (!ok) {
            std::fprintf(stderr, "metrics_sample: cannot read \"%s\"\n", line.c_str());
            return 2;
        }
    }
    metrics.setSources(sources);
    std::fputs(metrics.render().c_str(), stdout);
    return 0;
}
