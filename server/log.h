// One line on standard error per event: the access log and the service's own messages.
#pragma once

#include <string>
#include <string_view>

namespace vantrell::highscores {

// Writes "<UTC time> <text>\n" in one write, so that lines of many threads never mix.
void logLine(std::string_view text);

// The same line appended to a buffer, for a thread that writes many lines at once.
void appendLogLine(std::string &buffer, std::string_view text);
// Writes whole buffered lines.
void writeLog(const std::string &buffer);

} // namespace vantrell::highscores
