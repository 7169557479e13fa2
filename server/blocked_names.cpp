#include "server/blocked_names.h"

#include <QList>
#include <QString>
#include <QStringDecoder>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <utility>

namespace vantrell::highscores {
namespace {

// One character of a folded text. A look-alike stands for its letter but may also be the
// edge of a word (see the header); a gap is any run of separators.
enum class Kind { Letter, LookAlike, Gap };
struct Unit {
    char32_t c = U' ';
    Kind kind = Kind::Gap;
    bool edge = false; // a look-alike before the first or after the last letter of its word
};
using Units = std::vector<Unit>;

// Any ASCII digit (fullwidth ones are ASCII by now); 0 for other characters.
char32_t lookAlikeDigit(char32_t c)
{
    switch (c) {
    case U'0': return U'o';
    case U'1': return U'i';
    case U'3': return U'e';
    case U'4': return U'a';
    case U'5': return U's';
    case U'7': return U't';
    case U'2':
    case U'6':
    case U'8':
    case U'9': return c; // no letter, but like the others a word may end in them
    default: return 0;
    }
}

char32_t lookAlikeSign(char32_t c)
{
    switch (c) {
    case U'@': return U'a';
    case U'$': return U's';
    case U'|':
    case U'!': return U'i';
    default: return 0;
    }
}

bool hasLookAlikeSign(std::string_view text)
{
    return text.find_first_of("@$|!") != std::string_view::npos;
}

void push(Units &units, char32_t c, Kind kind)
{
    if (kind == Kind::Gap && (units.empty() || units.back().kind == Kind::Gap)) {
        if (units.empty())
            units.push_back({}); // a leading gap still marks the first word's start
        return;
    }
    units.push_back({c, kind, false});
}

// Compatibility decomposition takes fullwidth forms, ligatures and accents apart; Qt's case
// folding is the simple one, so the one full folding that decomposition leaves, ß to ss,
// is done here.
Units fold(const QString &text, bool signsAreLetters)
{
    Units units;
    const QString folded = text.normalized(QString::NormalizationForm_KD).toCaseFolded();
    for (const char32_t c : folded.toUcs4()) {
        switch (QChar::category(c)) {
        case QChar::Mark_NonSpacing:
        case QChar::Mark_SpacingCombining:
        case QChar::Mark_Enclosing:
        case QChar::Other_Format:
            continue;
        default:
            break;
        }
        if (c == U'ß') {
            push(units, U's', Kind::Letter);
            push(units, U's', Kind::Letter);
        } else if (const char32_t letter = lookAlikeDigit(c)) {
            push(units, letter, Kind::LookAlike);
        } else if (const char32_t sign = lookAlikeSign(c)) {
            push(units, sign, signsAreLetters ? Kind::LookAlike : Kind::Gap);
        } else {
            push(units, c, QChar::isLetterOrNumber(c) ? Kind::Letter : Kind::Gap);
        }
    }
    return units;
}

// A name's words as the matcher reads them: single letters in a row joined into one word,
// and each look-alike marked when it stands at the edge of its word.
Units nameUnits(const QString &name, bool signsAreLetters)
{
    const Units folded = fold(name, signsAreLetters);
    const auto wordLength = [&](std::size_t from, int step) {
        std::size_t length = 0;
        for (auto i = static_cast<std::ptrdiff_t>(from);
             i >= 0 && i < static_cast<std::ptrdiff_t>(folded.size()) && folded[std::size_t(i)].kind != Kind::Gap;
             i += step)
            ++length;
        return length;
    };
    Units units;
    units.reserve(folded.size());
    for (std::size_t i = 0; i < folded.size(); ++i) {
        const bool joins = folded[i].kind == Kind::Gap && i > 0 && i + 1 < folded.size()
                           && wordLength(i - 1, -1) == 1 && wordLength(i + 1, 1) == 1;
        if (!joins)
            units.push_back(folded[i]);
    }
    for (std::size_t start = 0; start < units.size();) {
        std::size_t end = start;
        while (end < units.size() && units[end].kind != Kind::Gap)
            ++end;
        std::size_t first = end, last = start;
        for (std::size_t i = start; i < end; ++i)
            if (units[i].kind == Kind::Letter) {
                first = std::min(first, i);
                last = i;
            }
        for (std::size_t i = start; i < end; ++i)
            units[i].edge = units[i].kind == Kind::LookAlike && (i < first || i > last);
        start = end + 1;
    }
    return units;
}

bool isWordEdge(const Unit &unit) { return unit.kind == Kind::Gap || unit.edge; }

bool matchesAt(const Units &name, std::size_t p, const BlockedNames::Entry &entry)
{
    if (entry.wordStart && p > 0 && !isWordEdge(name[p - 1]))
        return false;
    std::size_t q = p;
    for (const char32_t e : entry.letters) {
        if (e == U' ') { // the words of a phrase, apart or together
            if (q < name.size() && name[q].kind == Kind::Gap)
                ++q;
        } else if (q < name.size() && name[q].kind != Kind::Gap && name[q].c == e) {
            ++q;
        } else {
            return false;
        }
    }
    return !entry.wordEnd || q == name.size() || isWordEdge(name[q]);
}

std::uint64_t pairKey(char32_t first, char32_t second) { return (std::uint64_t(first) << 32) | second; }

std::string trimmed(std::string_view s)
{
    const auto begin = s.find_first_not_of(" \t\r\f\v");
    if (begin == std::string_view::npos)
        return {};
    return std::string(s.substr(begin, s.find_last_not_of(" \t\r\f\v") - begin + 1));
}

} // namespace

void BlockedNames::add(Entry entry)
{
    ++count_;
    if (entry.letters.size() < 2 || entry.letters[1] == U' ')
        short_.push_back(std::move(entry));
    else
        byPair_[pairKey(entry.letters[0], entry.letters[1])].push_back(std::move(entry));
}

BlockedNames BlockedNames::fromText(std::string_view text)
{
    BlockedNames names;
    int lineNumber = 0;
    while (!text.empty()) {
        ++lineNumber;
        const std::size_t newline = text.find('\n');
        std::string_view line = text.substr(0, newline);
        text = newline == std::string_view::npos ? std::string_view() : text.substr(newline + 1);
        const auto where = [lineNumber] { return "line " + std::to_string(lineNumber) + ": "; };

        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString decoded = decoder.decode(QByteArrayView(line.data(), qsizetype(line.size())));
        if (decoder.hasError()) // known once the text is decoded
            throw std::runtime_error(where() + "not valid UTF-8");
        const std::string written = trimmed(line.substr(0, line.find('#')));
        if (written.empty())
            continue;
        std::string entryText = written;
        Entry entry;
        if (entryText.front() == '*') {
            entry.wordStart = false;
            entryText.erase(0, 1);
        }
        if (!entryText.empty() && entryText.back() == '*') {
            entry.wordEnd = false;
            entryText.pop_back();
        }
        for (const Unit &unit : fold(QString::fromStdString(entryText), true)) {
            if (unit.kind != Kind::Gap)
                entry.letters += unit.c;
            else if (!entry.letters.empty())
                entry.letters += U' ';
        }
        if (!entry.letters.empty() && entry.letters.back() == U' ')
            entry.letters.pop_back();
        if (entry.letters.empty())
            throw std::runtime_error(where() + "\"" + written + "\" has no letter to match");
        names.add(std::move(entry));
    }
    return names;
}

BlockedNames BlockedNames::load(const std::string &path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        throw std::runtime_error(path + ": cannot be read: " + std::strerror(errno));
    std::ostringstream content;
    content << file.rdbuf();
    if (file.bad())
        throw std::runtime_error(path + ": cannot be read: " + std::strerror(errno));
    try {
        return fromText(content.str());
    } catch (const std::runtime_error &e) {
        throw std::runtime_error(path + ": " + e.what());
    }
}

bool BlockedNames::blocks(std::string_view normalisedName) const
{
    if (count_ == 0)
        return false;
    const QString name = QString::fromUtf8(normalisedName.data(), qsizetype(normalisedName.size()));
    const auto blocksUnits = [this](const Units &units) {
        for (std::size_t p = 0; p < units.size(); ++p) {
            if (units[p].kind == Kind::Gap)
                continue;
            for (const Entry &entry : short_)
                if (entry.letters[0] == units[p].c && matchesAt(units, p, entry))
                    return true;
            if (p + 1 == units.size() || units[p + 1].kind == Kind::Gap)
                continue;
            const auto bucket = byPair_.find(pairKey(units[p].c, units[p + 1].c));
            if (bucket == byPair_.end())
                continue;
            for (const Entry &entry : bucket->second)
                if (matchesAt(units, p, entry))
                    return true;
        }
        return false;
    };
    // "@", "$", "|" and "!" are read once as letters ("a$$") and once as separators ("b|a|d").
    return blocksUnits(nameUnits(name, true))
           || (hasLookAlikeSign(normalisedName) && blocksUnits(nameUnits(name, false)));
}

BlockedNamesHolder::BlockedNamesHolder(std::string path)
    : path_(std::move(path)),
      current_(std::make_shared<const BlockedNames>(path_.empty() ? BlockedNames() : BlockedNames::load(path_)))
{
}

std::shared_ptr<const BlockedNames> BlockedNamesHolder::current() const
{
    const std::lock_guard lock(swapping_);
    return current_;
}

BlockedNamesReload BlockedNamesHolder::reload()
{
    const std::lock_guard lock(reloading_);
    if (path_.empty())
        return {false, "no --blocked-names file to read"};
    try {
        auto names = std::make_shared<const BlockedNames>(BlockedNames::load(path_));
        const std::size_t count = names->size();
        std::shared_ptr<const BlockedNames> old;
        {
            const std::lock_guard swap(swapping_);
            old = std::exchange(current_, std::move(names));
        } // the old list goes after the lock, and only once the last request holding it ends
        return {true, std::to_string(count) + " blocked names from " + path_};
    } catch (const std::runtime_error &e) {
        return {false, std::string(e.what()) + "; the " + std::to_string(current()->size())
                           + " blocked names before stay"};
    }
}

} // namespace vantrell::highscores
