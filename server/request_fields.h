// Reading what a request carries: query strings, form bodies, the JSON submission, the
// player's name and the client's languages. Everything here takes untrusted bytes.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace vantrell::highscores {

// The longest name, counted in characters as the player sees them (grapheme clusters), as
// the game's name field counts them.
inline constexpr int kMaxNameCharacters = 30;

// Percent-decoding of one query or form value; "+" is a space. Nothing for a broken escape.
std::optional<std::string> percentDecode(std::string_view text);

// "a=1&b=2" decoded; nothing when an escape is broken. Empty pieces are skipped.
using Fields = std::vector<std::pair<std::string, std::string>>;
std::optional<Fields> parseFields(std::string_view text);
// The first value of a key.
const std::string *findField(const Fields &fields, std::string_view key);

// A name as it is stored: valid UTF-8 without control characters, at most 30 characters,
// in Unicode's composed form (so that "ö" typed two ways is one name). An empty name stays
// empty; pages show it as "Anonymous".
enum class NameProblem { None, TooLong, NotUtf8, Control };
struct CheckedName {
    std::string name; // set when there is no problem
    NameProblem problem = NameProblem::None;
};
// A name or a piece of one as the operator searches for it: trimmed, composed, case folded.
std::string foldedText(std::string_view text);

// Whether text may stand in a page as it is: valid UTF-8 without control characters.
bool isDisplayableText(std::string_view text);

// English, for the 400 answer.
std::string nameProblemText(NameProblem problem);
CheckedName checkName(std::string_view raw);

// The body of POST /api/v1/highscores: {"name": "...", "code": "..."}. Both strings; a
// missing name is an empty one.
struct SubmissionFields {
    std::string name;
    std::string code;
};
std::variant<SubmissionFields, std::string> parseJsonSubmission(std::string_view body);

enum class Language { English, German };
// The best of English and German by the Accept-Language header; English when neither is asked for.
Language pickLanguage(std::string_view acceptLanguage);

// A whole decimal within lowest..highest, digits only; nothing otherwise.
std::optional<long long> parseNumber(std::string_view text, long long lowest, long long highest);

} // namespace vantrell::highscores
