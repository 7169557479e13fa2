// One line on standard error per event: the access log and the service's own messages.
#pragma once

#include <cstdint>
#include <string_view>

namespace vantrell::highscores {

// Queues "<UTC time> <text>\n" for the log thread, which writes whole lines in order. It
// never waits for the reader of standard error: when the reader is slow and the queue is
// full, the line is dropped and counted, so a stuck pipe cannot hold a request.
void logLine(std::string_view text);

// The same for a line of the access log: written within 10 ms, with the lines of that time,
// so that a busy server does not wake the writer for each request.
void logAccess(std::string_view text);

// Lines dropped since the start because the reader of standard error was too slow.
std::uint64_t logLinesDropped();

} // namespace vantrell::highscores
