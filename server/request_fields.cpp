#include "server/request_fields.h"

#include <nlohmann/json.hpp>

#include <QString>
#include <QTextBoundaryFinder>

#include <charconv>

namespace vantrell::highscores {
namespace {

// A name never needs more bytes than this, even with 30 emoji of many code points each;
// longer input is refused before any Unicode work is spent on it.
constexpr std::size_t kMaxNameBytes = 1024;

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF. Calls visit(code
// point) for each character; false at the first bad byte.
template <typename Visit>
bool forEachCodePoint(std::string_view s, Visit &&visit)
{
    for (std::size_t i = 0; i < s.size();) {
        const auto b = static_cast<unsigned char>(s[i]);
        int length = 0;
        char32_t c = 0;
        if (b < 0x80) {
            length = 1;
            c = b;
        } else if (b >= 0xC2 && b <= 0xDF) {
            length = 2;
            c = b & 0x1F;
        } else if (b >= 0xE0 && b <= 0xEF) {
            length = 3;
            c = b & 0x0F;
        } else if (b >= 0xF0 && b <= 0xF4) {
            length = 4;
            c = b & 0x07;
        } else {
            return false;
        }
        if (i + length > s.size())
            return false;
        for (int k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(s[i + k]);
            if ((next & 0xC0) != 0x80)
                return false;
            c = (c << 6) | (next & 0x3F);
        }
        if ((length == 3 && c < 0x800) || (length == 4 && (c < 0x10000 || c > 0x10FFFF))
            || (c >= 0xD800 && c <= 0xDFFF))
            return false;
        visit(c);
        i += length;
    }
    return true;
}

// A q value in thousandths: "1", "1.0", "0.5", "0.875"; 0 for anything else.
int parseWeight(std::string_view q)
{
    if (q.empty() || (q[0] != '0' && q[0] != '1'))
        return 0;
    int weight = (q[0] - '0') * 1000;
    if (q.size() > 1 && q[1] == '.') {
        int scale = 100;
        for (std::size_t i = 2; i < q.size() && i < 5 && q[i] >= '0' && q[i] <= '9'; ++i, scale /= 10)
            weight += (q[i] - '0') * scale;
    }
    return std::min(weight, 1000);
}

bool isControl(char32_t c) { return c < 0x20 || (c >= 0x7F && c <= 0x9F); }

} // namespace

std::optional<std::string> percentDecode(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '+') {
            out += ' ';
        } else if (c == '%') {
            if (i + 2 >= text.size())
                return std::nullopt;
            const int high = hexDigit(text[i + 1]);
            const int low = hexDigit(text[i + 2]);
            if (high < 0 || low < 0)
                return std::nullopt;
            out += static_cast<char>(high * 16 + low);
            i += 2;
        } else {
            out += c;
        }
    }
    return out;
}

std::optional<Fields> parseFields(std::string_view text)
{
    Fields fields;
    while (!text.empty()) {
        const std::size_t end = text.find('&');
        const std::string_view piece = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (piece.empty())
            continue;
        const std::size_t equals = piece.find('=');
        auto key = percentDecode(piece.substr(0, equals));
        auto value = percentDecode(equals == std::string_view::npos ? std::string_view() : piece.substr(equals + 1));
        if (!key || !value)
            return std::nullopt;
        fields.emplace_back(std::move(*key), std::move(*value));
    }
    return fields;
}

const std::string *findField(const Fields &fields, std::string_view key)
{
    for (const auto &[k, v] : fields)
        if (k == key)
            return &v;
    return nullptr;
}

std::string foldedText(std::string_view text)
{
    return QString::fromUtf8(text.data(), qsizetype(text.size()))
        .trimmed()
        .normalized(QString::NormalizationForm_C)
        .toCaseFolded()
        .toStdString();
}

bool isDisplayableText(std::string_view text)
{
    bool control = false;
    return forEachCodePoint(text, [&](char32_t c) { control = control || isControl(c); }) && !control;
}

std::string nameProblemText(NameProblem problem)
{
    switch (problem) {
    case NameProblem::None: return {};
    case NameProblem::TooLong: return "a name has at most " + std::to_string(kMaxNameCharacters) + " characters";
    case NameProblem::NotUtf8: return "the name is not valid UTF-8";
    case NameProblem::Control: return "the name contains a control character";
    }
    return {};
}

CheckedName checkName(std::string_view raw)
{
    if (raw.size() > kMaxNameBytes)
        return {{}, NameProblem::TooLong};
    bool control = false;
    if (!forEachCodePoint(raw, [&](char32_t c) { control = control || isControl(c); }))
        return {{}, NameProblem::NotUtf8};
    if (control)
        return {{}, NameProblem::Control};

    const QString name = QString::fromUtf8(raw.data(), qsizetype(raw.size())).trimmed().normalized(QString::NormalizationForm_C);
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, name);
    int characters = 0;
    while (finder.toNextBoundary() > 0)
        ++characters;
    if (characters > kMaxNameCharacters)
        return {{}, NameProblem::TooLong};
    return {name.toStdString(), NameProblem::None};
}

std::variant<SubmissionFields, std::string> parseJsonSubmission(std::string_view body)
{
    const nlohmann::json document = nlohmann::json::parse(body, nullptr, false);
    if (document.is_discarded())
        return std::string("the body is not valid JSON");
    if (!document.is_object())
        return std::string("the body must be a JSON object with \"name\" and \"code\"");
    SubmissionFields fields;
    const auto code = document.find("code");
    if (code == document.end() || !code->is_string())
        return std::string("\"code\" must be a string");
    fields.code = code->get<std::string>();
    if (const auto name = document.find("name"); name != document.end()) {
        if (!name->is_string())
            return std::string("\"name\" must be a string");
        fields.name = name->get<std::string>();
    }
    return fields;
}

Language pickLanguage(std::string_view header)
{
    // Weights in thousandths; a language that is not named has none.
    int english = -1, german = -1, any = -1;
    while (!header.empty()) {
        const std::size_t comma = header.find(',');
        std::string_view item = header.substr(0, comma);
        header = comma == std::string_view::npos ? std::string_view() : header.substr(comma + 1);
        const std::size_t semicolon = item.find(';');
        std::string_view tag = item.substr(0, semicolon);
        while (!tag.empty() && (tag.front() == ' ' || tag.front() == '\t'))
            tag.remove_prefix(1);
        while (!tag.empty() && (tag.back() == ' ' || tag.back() == '\t'))
            tag.remove_suffix(1);
        int weight = 1000;
        if (semicolon != std::string_view::npos) {
            std::string_view parameter = item.substr(semicolon + 1);
            while (!parameter.empty() && parameter.front() == ' ')
                parameter.remove_prefix(1);
            if (parameter.starts_with("q=") || parameter.starts_with("Q=")) {
                parameter.remove_prefix(2);
                weight = parseWeight(parameter);
            }
        }
        const auto primary = tag.substr(0, tag.find('-'));
        const auto is = [primary](std::string_view language) {
            if (primary.size() != language.size())
                return false;
            for (std::size_t i = 0; i < primary.size(); ++i)
                if ((primary[i] | 0x20) != language[i])
                    return false;
            return true;
        };
        if (is("de"))
            german = std::max(german, weight);
        else if (is("en"))
            english = std::max(english, weight);
        else if (primary == "*")
            any = std::max(any, weight);
    }
    if (english < 0)
        english = any;
    if (german < 0)
        german = any;
    return german > 0 && german > english ? Language::German : Language::English;
}

std::optional<long long> parseNumber(std::string_view text, long long lowest, long long highest)
{
    if (text.empty() || text.size() > 18)
        return std::nullopt;
    long long value = 0;
    for (char c : text)
        if (c < '0' || c > '9')
            return std::nullopt;
    std::from_chars(text.data(), text.data() + text.size(), value);
    if (value < lowest || value > highest)
        return std::nullopt;
    return value;
}

} // namespace vantrell::highscores
