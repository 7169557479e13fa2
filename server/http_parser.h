// HTTP/1.x on the wire: requests read from the bytes a client sends (Boost.Beast's request
// parser, with this service's rules on top of it), and the bytes of an answer. The Beast
// templates stay in http_parser.cpp.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace vantrell::highscores {

struct RequestHead {
    std::string method;
    std::string target;
    int minorVersion = 1; // HTTP/1.0 or HTTP/1.1
    std::string contentType;
    std::string acceptLanguage;
    std::string forwardedFor; // every X-Forwarded-For field, joined by ", "
    bool forwarded = false;   // X-Forwarded-For or Forwarded present
    bool expectContinue = false;
    bool keepAlive = true;
    std::optional<std::uint64_t> contentLength;
    std::size_t headBytes = 0; // through the empty line, with the blank lines before it
};

// One request after another from a connection's bytes. The rules beyond the parser's own:
// HTTP/1.0 or HTTP/1.1 only (505), no folded fields, one Host field (required in HTTP/1.1),
// no Transfer-Encoding (411; with Content-Length as well, 400) and no lengths that differ;
// a head over maxHeaderBytes is 431, a body over maxBodyBytes 413.
class RequestReader {
public:
    RequestReader(std::size_t maxHeaderBytes, std::size_t maxBodyBytes);
    ~RequestReader();
    RequestReader(const RequestReader &) = delete;
    RequestReader &operator=(const RequestReader &) = delete;

    enum class Step {
        More,    // nothing to do until more bytes come
        Done,    // a whole request: head() and body()
        Refused, // answer refusal() and close: what follows cannot be told from the next request
    };
    // Reads from the start of data; used is how many bytes it took (the caller drops them).
    Step read(std::string_view data, std::size_t &used);

    // The head once it is read whole (also while the body is still to come).
    bool headDone() const;
    const RequestHead &head() const;
    std::string takeBody();
    // The status to answer with after Step::Refused: 400, 411, 413, 431 or 505.
    int refusal() const;
    // Whether any byte of a request has come since the last one was done.
    bool started() const;
    // Ready for the next request on the same connection.
    void next();

private:
    struct State;
    std::unique_ptr<State> state_;
};

enum class HeadParse {
    Incomplete, // no empty line yet
    Complete,
    Malformed,          // 400
    VersionUnsupported, // 505
    TooLarge,           // 431
    BodyTooLarge,       // 413
    LengthRequired,     // 411
};

// The head of one request at the start of data, by the rules above (for tests and the fuzz
// target; the server reads with a RequestReader).
HeadParse parseRequestHead(std::string_view data, RequestHead &head, std::size_t maxHeaderBytes = 8192,
                           std::size_t maxBodyBytes = 4096);

struct Response;

// The status line, the fields and (unless headOnly, for HEAD) the body of an answer, in out.
// Content-Length is always sent; "Connection: close" when !keepAlive.
void writeAnswer(std::string &out, const Response &response, bool keepAlive, bool headOnly, int minorVersion);

// The view without the spaces and tabs (optional white space) at its two ends.
std::string_view trimmed(std::string_view s);

} // namespace vantrell::highscores
