#include "server/http_parser.h"

#include "server/service.h"

#include <boost/beast/core/string.hpp>
#include <boost/beast/http/error.hpp>
#include <boost/beast/http/parser.hpp>
#include <boost/beast/http/string_body.hpp>

#include <ctime>
#include <optional>

namespace vantrell::highscores {

namespace http = boost::beast::http;

std::string_view trimmed(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

struct RequestReader::State {
    State(std::size_t header, std::size_t body) : maxHeaderBytes(header), maxBodyBytes(body) { restart(); }

    std::size_t maxHeaderBytes;
    std::size_t maxBodyBytes;
    std::optional<http::request_parser<http::string_body>> parser;
    RequestHead head;
    bool started = false;
    bool headDone = false;
    std::size_t scanned = 0; // bytes of the head already searched for its end
    int refusal = 0;

    void restart()
    {
        parser.emplace();
        parser->header_limit(std::uint32_t(maxHeaderBytes));
        parser->body_limit(maxBodyBytes);
        head = RequestHead{};
        started = headDone = false;
        scanned = 0;
        refusal = 0;
    }
    Step refuse(int status)
    {
        refusal = status;
        return Step::Refused;
    }
    Step readHead(std::string_view data, std::size_t &used);
    int checkHead();
    void fillHead();
};

namespace {

// "Tue, 09 Dec 2026 10:00:00 GMT", made once a second per thread.
const std::string &httpDate()
{
    thread_local std::time_t last = 0;
    thread_local std::string text;
    const std::time_t now = std::time(nullptr);
    if (now != last) {
        std::tm utc{};
        gmtime_r(&now, &utc);
        char buffer[64];
        text.assign(buffer, std::strftime(buffer, sizeof buffer, "%a, %d %b %Y %H:%M:%S GMT", &utc));
        last = now;
    }
    return text;
}

const char *reasonPhrase(int status)
{
    switch (status) {
    case 100: return "Continue";
    case 200: return "OK";
    case 201: return "Created";
    case 303: return "See Other";
    case 400: return "Bad Request";
    case 404: return "Not Found";
    case 405: return "Method Not Allowed";
    case 408: return "Request Timeout";
    case 409: return "Conflict";
    case 410: return "Gone";
    case 411: return "Length Required";
    case 413: return "Content Too Large";
    case 422: return "Unprocessable Content";
    case 429: return "Too Many Requests";
    case 431: return "Request Header Fields Too Large";
    case 500: return "Internal Server Error";
    case 503: return "Service Unavailable";
    case 505: return "HTTP Version Not Supported";
    default: return "Unknown";
    }
}

// A well-formed version the parser does not speak (HTTP/2.0 in a request line) is 505.
bool namesOtherVersion(std::string_view head)
{
    const std::string_view line = head.substr(0, head.find('\r'));
    if (line.size() < 9 || line[line.size() - 9] != ' ')
        return false;
    const std::string_view version = line.substr(line.size() - 8);
    const auto digit = [](char c) { return c >= '0' && c <= '9'; };
    return version.starts_with("HTTP/") && digit(version[5]) && version[6] == '.' && digit(version[7])
        && version != "HTTP/1.0" && version != "HTTP/1.1"; // with those, the fault is elsewhere
}

int statusFor(const boost::system::error_code &error, std::string_view head = {})
{
    if (error == http::error::bad_version && namesOtherVersion(head))
        return 505;
    if (error == http::error::header_limit)
        return 431;
    if (error == http::error::body_limit)
        return 413;
    return 400;
}

std::string_view view(boost::beast::string_view s) { return {s.data(), s.size()}; }

} // namespace

// The parser reads a head only once its empty line is there; the raw bytes are looked at
// first for what it would let through: bare line feeds and folded fields.
RequestReader::Step RequestReader::State::readHead(std::string_view data, std::size_t &used)
{
    if (!started) {
        // Blank lines before a request (left after a body by some clients) are skipped.
        while (used < data.size() && (data[used] == '\r' || data[used] == '\n'))
            ++used;
        head.headBytes = used;
        data.remove_prefix(used);
        if (data.empty())
            return Step::More;
        started = true;
    }
    std::size_t end = std::string_view::npos;
    for (std::size_t i = scanned; i < data.size(); ++i) {
        if (data[i] != '\n')
            continue;
        if (i == 0 || data[i - 1] != '\r')
            return refuse(400);
        if (i + 1 < data.size() && (data[i + 1] == ' ' || data[i + 1] == '\t'))
            return refuse(400); // a folded field: a smuggling tool, not a need
        if (i >= 3 && data[i - 2] == '\n') {
            end = i + 1;
            break;
        }
    }
    if (end == std::string_view::npos) {
        // Keep the last three bytes in view: the empty line may be split across reads.
        scanned = data.size() > 3 ? data.size() - 3 : 0;
        return data.size() > maxHeaderBytes ? refuse(431) : Step::More;
    }
    if (end > maxHeaderBytes)
        return refuse(431);
    boost::system::error_code error;
    const std::size_t n = parser->put(boost::asio::buffer(data.data(), end), error);
    if (error == http::error::body_limit)
        fillHead(); // a 413 page in the language and form (page or JSON) the request asked for
    if (error && error != http::error::need_more)
        return refuse(statusFor(error, data));
    if (!parser->is_header_done() || n != end)
        return refuse(400); // nothing the parser leaves of a whole head is a request
    used += n;
    head.headBytes += n;
    if (const int status = checkHead())
        return refuse(status);
    headDone = true;
    parser->eager(true);
    return Step::More;
}

int RequestReader::State::checkHead()
{
    fillHead(); // a refused request's page needs its target and languages too
    const auto &message = parser->get();
    if (message.version() != 10 && message.version() != 11)
        return 505;
    const std::size_t hosts = message.count(http::field::host);
    if (hosts > 1 || (hosts == 0 && message.version() == 11))
        return 400;
    if (message.count(http::field::transfer_encoding) > 0)
        return head.contentLength ? 400 : 411; // bodies come with a Content-Length here
    return 0;
}

void RequestReader::State::fillHead()
{
    const auto &message = parser->get();
    head.method = view(message.method_string());
    head.target = view(message.target());
    head.minorVersion = message.version() % 10;
    head.keepAlive = message.keep_alive();
    if (parser->is_header_done() && parser->content_length())
        head.contentLength = *parser->content_length();
    for (const auto &field : message) {
        const std::string_view value = view(field.value());
        switch (field.name()) {
        case http::field::content_type: head.contentType = value; break;
        case http::field::accept_language: head.acceptLanguage = value; break;
        case http::field::expect: head.expectContinue = boost::beast::iequals(field.value(), "100-continue"); break;
        case http::field::forwarded: head.forwarded = true; break;
        default:
            if (boost::beast::iequals(field.name_string(), "x-forwarded-for")) {
                head.forwarded = true;
                if (!head.forwardedFor.empty())
                    head.forwardedFor += ", ";
                head.forwardedFor += value;
            }
        }
    }
}

RequestReader::RequestReader(std::size_t maxHeaderBytes, std::size_t maxBodyBytes)
    : state_(std::make_unique<State>(maxHeaderBytes, maxBodyBytes))
{
}

RequestReader::~RequestReader() = default;

RequestReader::Step RequestReader::read(std::string_view data, std::size_t &used)
{
    State &s = *state_;
    used = 0;
    if (s.refusal)
        return Step::Refused;
    if (!s.headDone) {
        const Step step = s.readHead(data, used);
        if (!s.headDone)
            return step;
        data.remove_prefix(used);
    }
    if (!s.parser->is_done() && !data.empty()) {
        boost::system::error_code error;
        used += s.parser->put(boost::asio::buffer(data.data(), data.size()), error);
        if (error && error != http::error::need_more)
            return s.refuse(statusFor(error));
    }
    return s.parser->is_done() ? Step::Done : Step::More;
}

bool RequestReader::headDone() const { return state_->headDone; }
const RequestHead &RequestReader::head() const { return state_->head; }
std::string RequestReader::takeBody() { return std::move(state_->parser->get().body()); }
int RequestReader::refusal() const { return state_->refusal; }
bool RequestReader::started() const { return state_->started; }
void RequestReader::next() { state_->restart(); }

HeadParse parseRequestHead(std::string_view data, RequestHead &head, std::size_t maxHeaderBytes, std::size_t maxBodyBytes)
{
    RequestReader reader(maxHeaderBytes, maxBodyBytes);
    std::size_t used = 0;
    const RequestReader::Step step = reader.read(data, used);
    head = reader.head();
    if (step == RequestReader::Step::Refused) {
        switch (reader.refusal()) {
        case 505: return HeadParse::VersionUnsupported;
        case 431: return HeadParse::TooLarge;
        case 413: return HeadParse::BodyTooLarge;
        case 411: return HeadParse::LengthRequired;
        default: return HeadParse::Malformed;
        }
    }
    return reader.headDone() ? HeadParse::Complete : HeadParse::Incomplete;
}

void writeAnswer(std::string &out, const Response &response, bool keepAlive, bool headOnly, int minorVersion)
{
    out.clear();
    out.reserve(256 + response.body.size());
    out += minorVersion == 0 ? "HTTP/1.0 " : "HTTP/1.1 ";
    out += std::to_string(response.status);
    out += ' ';
    out += reasonPhrase(response.status);
    out += "\r\nDate: ";
    out += httpDate();
    if (!response.contentType.empty()) {
        out += "\r\nContent-Type: ";
        out += response.contentType;
    }
    // HEAD: the length GET would send, and no body.
    out += "\r\nContent-Length: ";
    out += std::to_string(response.body.size());
    for (const auto &[name, value] : response.headers) {
        out += "\r\n";
        out += name;
        out += ": ";
        out += value;
    }
    if (!keepAlive)
        out += "\r\nConnection: close";
    else if (minorVersion == 0)
        out += "\r\nConnection: keep-alive";
    out += "\r\n\r\n";
    if (!headOnly)
        out += response.body;
}

} // namespace vantrell::highscores
