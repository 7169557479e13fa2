// The head of an HTTP/1.x request: request line and header fields, read from the bytes a
// client sent so far, without copying or allocating beyond the forwarded-for chain.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vantrell::highscores {

struct RequestHead {
    std::string_view method;
    std::string_view target;
    int minorVersion = 1; // HTTP/1.0 or HTTP/1.1
    std::string_view contentType;
    std::string_view acceptLanguage;
    std::string_view expect;
    std::string forwardedFor; // every X-Forwarded-For field, joined by ", "
    std::optional<std::uint64_t> contentLength;
    bool transferEncoding = false;
    bool connectionClose = false;
    bool connectionKeepAlive = false;
    std::size_t headBytes = 0; // through the empty line
};

enum class HeadParse {
    Incomplete, // no empty line yet
    Complete,
    Malformed,          // 400
    VersionUnsupported, // 505
};

// Reads a request head from the start of data (empty lines before it are skipped and count
// into headBytes). The views point into data. Rules: a token method, a target of visible
// characters, HTTP/1.0 or HTTP/1.1, no folded or control-laden fields, a Host field in
// HTTP/1.1, one Content-Length at most (equal copies allowed) and not beside
// Transfer-Encoding.
HeadParse parseRequestHead(std::string_view data, RequestHead &head);

// The view without the spaces and tabs (optional white space) at its two ends.
std::string_view trimmed(std::string_view s);

} // namespace vantrell::highscores
