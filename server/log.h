// One line on standard error per event: the access log and the service's own messages.
#pragma once

#include <string_view>

namespace vantrell::highscores {

// Writes "<UTC time> <text>\n" in one write, so that lines of many threads never mix.
void logLine(std::string_view text);

} // namespace vantrell::highscores
