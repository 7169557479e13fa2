#include "server/log.h"

#include <unistd.h>

#include <chrono>
#include <ctime>
#include <string>

namespace vantrell::highscores {

void appendLogLine(std::string &line, std::string_view text)
{
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char stamp[40];
    const std::size_t length = std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%S", &utc);
    line.append(stamp, length);
    line += '.';
    line += char('0' + ms / 100);
    line += char('0' + ms / 10 % 10);
    line += char('0' + ms % 10);
    line += "Z ";
    line += text;
    line += '\n';
}

void writeLog(const std::string &line)
{
    for (std::size_t done = 0; done < line.size();) {
        const ssize_t n = ::write(STDERR_FILENO, line.data() + done, line.size() - done);
        if (n <= 0)
            break; // a closed log must not stop the service
        done += std::size_t(n);
    }
}

void logLine(std::string_view text)
{
    std::string line;
    appendLogLine(line, text);
    writeLog(line);
}

} // namespace vantrell::highscores
