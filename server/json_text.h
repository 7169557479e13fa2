// JSON text as the service writes it: the API's answers and the export's lines.
#pragma once

#include <string>
#include <string_view>

namespace vantrell::highscores {

// s as a JSON string, quotes included. s is valid UTF-8 (names are checked before they are
// stored); only the quote, the backslash and control characters need escapes.
inline void appendJsonString(std::string &out, std::string_view s)
{
    static constexpr char kHex[] = "0123456789abcdef";
    out += '"';
    for (char c : s) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (u < 0x20) {
            out += "\\u00";
            out += kHex[u >> 4];
            out += kHex[u & 15];
        } else {
            out += c;
        }
    }
    out += '"';
}

} // namespace vantrell::highscores
