#include "server/http_parser.h"

namespace vantrell::highscores {

std::string_view trimmed(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

namespace {

bool isTokenChar(char c)
{
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))
        return true;
    switch (c) {
    case '!': case '#': case '$': case '%': case '&': case '\'': case '*': case '+': case '-': case '.':
    case '^': case '_': case '`': case '|': case '~':
        return true;
    default:
        return false;
    }
}

bool isToken(std::string_view s)
{
    if (s.empty())
        return false;
    for (char c : s)
        if (!isTokenChar(c))
            return false;
    return true;
}

bool equalsIgnoringCase(std::string_view a, std::string_view lowerB)
{
    if (a.size() != lowerB.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char c = a[i];
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
        if (c != lowerB[i])
            return false;
    }
    return true;
}

// Whether a comma-separated list holds this token (Connection: keep-alive, Upgrade).
bool listHas(std::string_view list, std::string_view lowerToken)
{
    while (!list.empty()) {
        const std::size_t comma = list.find(',');
        if (equalsIgnoringCase(trimmed(list.substr(0, comma)), lowerToken))
            return true;
        list = comma == std::string_view::npos ? std::string_view() : list.substr(comma + 1);
    }
    return false;
}

} // namespace

HeadParse parseRequestHead(std::string_view data, RequestHead &head)
{
    head = RequestHead{};
    std::size_t pos = 0;
    // Empty lines before a request (left over after a body by some clients) are skipped.
    while (pos < data.size() && (data[pos] == '\r' || data[pos] == '\n'))
        ++pos;

    // The next line without its end; false while it has not arrived whole.
    std::string_view line;
    const auto nextLine = [&]() {
        const std::size_t end = data.find('\n', pos);
        if (end == std::string_view::npos)
            return false;
        line = data.substr(pos, end - pos);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        pos = end + 1;
        return true;
    };

    if (!nextLine())
        return HeadParse::Incomplete;
    const std::size_t firstSpace = line.find(' ');
    const std::size_t lastSpace = line.rfind(' ');
    if (firstSpace == std::string_view::npos || lastSpace == firstSpace)
        return HeadParse::Malformed;
    head.method = line.substr(0, firstSpace);
    head.target = line.substr(firstSpace + 1, lastSpace - firstSpace - 1);
    const std::string_view version = line.substr(lastSpace + 1);
    if (!isToken(head.method) || head.target.empty())
        return HeadParse::Malformed;
    for (char c : head.target)
        if (static_cast<unsigned char>(c) <= 0x20 || c == 0x7F)
            return HeadParse::Malformed;
    if (version == "HTTP/1.1")
        head.minorVersion = 1;
    else if (version == "HTTP/1.0")
        head.minorVersion = 0;
    else if (version.starts_with("HTTP/") && version.size() == 8 && version[6] == '.')
        return HeadParse::VersionUnsupported;
    else
        return HeadParse::Malformed;

    bool host = false;
    for (;;) {
        if (!nextLine())
            return HeadParse::Incomplete;
        if (line.empty())
            break;
        if (line.front() == ' ' || line.front() == '\t')
            return HeadParse::Malformed; // folded fields are a smuggling tool, not a need
        const std::size_t colon = line.find(':');
        if (colon == std::string_view::npos || !isToken(line.substr(0, colon)))
            return HeadParse::Malformed;
        const std::string_view name = line.substr(0, colon);
        const std::string_view value = trimmed(line.substr(colon + 1));
        for (char c : value)
            if ((static_cast<unsigned char>(c) < 0x20 && c != '\t') || c == 0x7F)
                return HeadParse::Malformed;
        if (equalsIgnoringCase(name, "content-length")) {
            if (value.empty() || value.size() > 18)
                return HeadParse::Malformed;
            std::uint64_t length = 0;
            for (char c : value) {
                if (c < '0' || c > '9')
                    return HeadParse::Malformed;
                length = length * 10 + std::uint64_t(c - '0');
            }
            if (head.contentLength && *head.contentLength != length)
                return HeadParse::Malformed;
            head.contentLength = length;
        } else if (equalsIgnoringCase(name, "transfer-encoding")) {
            head.transferEncoding = true;
        } else if (equalsIgnoringCase(name, "connection")) {
            head.connectionClose = head.connectionClose || listHas(value, "close");
            head.connectionKeepAlive = head.connectionKeepAlive || listHas(value, "keep-alive");
        } else if (equalsIgnoringCase(name, "host")) {
            if (host)
                return HeadParse::Malformed;
            host = true;
        } else if (equalsIgnoringCase(name, "content-type")) {
            head.contentType = value;
        } else if (equalsIgnoringCase(name, "accept-language")) {
            head.acceptLanguage = value;
        } else if (equalsIgnoringCase(name, "expect")) {
            head.expect = value;
        } else if (equalsIgnoringCase(name, "x-forwarded-for")) {
            if (!head.forwardedFor.empty())
                head.forwardedFor += ", ";
            head.forwardedFor += value;
        }
    }
    if ((head.minorVersion == 1 && !host) || (head.transferEncoding && head.contentLength))
        return HeadParse::Malformed;
    head.headBytes = pos;
    return HeadParse::Complete;
}

} // namespace vantrell::highscores
