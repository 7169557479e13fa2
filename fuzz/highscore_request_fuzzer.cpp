// What the highscore service reads from a request: the head of the request itself, the
// address and its query, a form or JSON body, the player's name, the client's languages and
// the forwarded-for chain, all the way to the page or JSON that comes back.
//
// The first byte picks the method, the body's kind and whether the list answers; the rest
// is "target\nbody\naccept-language\nx-forwarded-for". Besides the sanitizers, it holds:
// - a name the check accepts is valid UTF-8 without control characters, at most 30
//   characters, and accepted again unchanged;
// - decoded fields encode back to what decodes to them again;
// - every answer has a known status, HTML that opens no script or tag of the request's
//   making, and JSON that parses.
#include "server/clients.h"
#include "server/http_parser.h"
#include "server/pages.h"
#include "server/request_fields.h"
#include "server/service.h"
#include "server/transfer.h"

#include <nlohmann/json.hpp>

#include <QList>
#include <QString>
#include <QTextBoundaryFinder>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <string_view>

using namespace vantrell::highscores;

namespace {

void require(bool holds, const char *what, std::string_view detail = {})
{
    if (holds)
        return;
    std::fprintf(stderr, "highscore_request_fuzzer: %s [%.*s]\n", what, int(detail.size()), detail.data());
    std::abort();
}

// A list that takes every submission and holds one entry, or answers nothing at all.
class OneEntryStorage : public Storage {
public:
    bool down = false;
    SubmitResult submit(const Submission &s) override
    {
        check();
        return {SubmitOutcome(s.points % 4), {7, s.name, s.points, s.type, s.givens, s.set, 1'700'000'000'000}, 1};
    }
    ListPage list(int type, int, std::int64_t offset) override
    {
        check();
        ListPage page;
        page.total = 1;
        page.offset = offset;
        if (offset == 0)
            page.entries.push_back({7, "<b>&amp;", 30000, type, 30, 'K', 0});
        return page;
    }
    std::optional<Entry> entry(std::int64_t id) override
    {
        check();
        return id == 7 ? std::optional<Entry>(Entry{7, "x", 30000, 1, 30, 'K', 0}) : std::nullopt;
    }
    std::int64_t rank(const Entry &) override { return 1; }
    bool healthy() override { return !down; }
    void exportCodes(const std::function<void(const ExportedCode &)> &) override {}
    ImportSummary importRecords(const ImportSource &) override { return {}; }
    void scanEntries(const std::function<void(const EntryState &)> &) override {}
    Moderation setHidden(std::int64_t, bool, const std::string &) override { return Moderation::NoSuchEntry; }

private:
    void check() const
    {
        if (down)
            throw StorageUnavailable("down");
    }
};

std::string percentEncode(std::string_view s)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : s) {
        const auto u = static_cast<unsigned char>(c);
        if ((u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || c == '-' || c == '.' || c == '_'
            || c == '~') {
            out += c;
        } else {
            out += '%';
            out += kHex[u >> 4];
            out += kHex[u & 15];
        }
    }
    return out;
}

void checkAcceptedName(std::string_view raw)
{
    const CheckedName checked = vantrell::highscores::checkName(raw);
    if (checked.problem != NameProblem::None) {
        require(checked.name.empty() && !nameProblemText(checked.problem).empty(), "a refused name without a reason");
        return;
    }
    const QString name = QString::fromStdString(checked.name);
    require(name.toStdString() == checked.name, "an accepted name is not UTF-8", checked.name);
    for (const char32_t c : name.toUcs4())
        require(c >= 0x20 && (c < 0x7F || c > 0x9F), "an accepted name holds a control character", checked.name);
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, name);
    int characters = 0;
    while (finder.toNextBoundary() > 0)
        ++characters;
    require(characters <= kMaxNameCharacters, "an accepted name is too long", checked.name);
    const CheckedName again = vantrell::highscores::checkName(checked.name);
    require(again.problem == NameProblem::None && again.name == checked.name, "a stored name changes when checked again",
            checked.name);
}

void checkFields(std::string_view text)
{
    const auto fields = parseFields(text);
    if (!fields)
        return;
    std::string encoded;
    for (const auto &[key, value] : *fields)
        encoded += (encoded.empty() ? "" : "&") + percentEncode(key) + "=" + percentEncode(value);
    const auto again = parseFields(encoded);
    require(again && *again == *fields, "fields do not survive encoding", encoded);
}

void checkAnswer(const Response &r, const std::string &target)
{
    static const std::set<int> statuses = {200, 201, 303, 400, 404, 405, 408, 409, 410, 413, 422, 429, 431, 503};
    require(statuses.count(r.status) == 1, "an unexpected status", std::to_string(r.status));
    if (r.contentType == "application/json") {
        require(!nlohmann::json::parse(r.body, nullptr, false).is_discarded(), "JSON that does not parse", r.body);
    } else if (r.contentType.starts_with("text/html")) {
        // The pages have a fixed set of tags; anything else came from the request.
        require(r.body.find("<script") == std::string::npos && r.body.find("<img src=x") == std::string::npos
                    && r.body.find("<b>") == std::string::npos,
                "markup from the request in a page", target);
    }
    for (const auto &[name, value] : r.headers)
        require(value.find_first_of("\r\n") == std::string::npos, "a header value breaks its line", value);
}

std::string_view nextLine(std::string_view &rest)
{
    const std::size_t end = rest.find('\n');
    const std::string_view line = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    return line;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0)
        return 0;
    static OneEntryStorage storage;
    static HighscoreService service(storage, ServiceOptions{0, 1, 1});

    // The whole input as the bytes of a request head, read at once and then in pieces as a
    // connection reads it: the pieces must not change what the head is.
    const std::string_view raw(reinterpret_cast<const char *>(data), size);
    RequestHead head;
    const HeadParse parsed = parseRequestHead(raw, head);
    if (parsed == HeadParse::Complete) {
        const std::string_view headPart = raw.substr(0, head.headBytes);
        require(head.headBytes <= size && headPart.ends_with("\r\n\r\n"), "a head complete without its empty line", raw);
        require(!head.method.empty() && !head.target.empty() && head.target.find_first_of(" \r\n") == std::string::npos,
                "a complete head without method or target, or with a broken target", raw);
        require(headPart.find("\n ") == std::string_view::npos && headPart.find("\n\t") == std::string_view::npos,
                "a folded field let through", raw);
    }
    RequestReader reader(8192, 4096);
    const std::size_t piece = 1 + data[0] % 16;
    std::string buffered;
    RequestReader::Step step = RequestReader::Step::More;
    for (std::size_t at = 0; at < size && step == RequestReader::Step::More; at += piece) {
        buffered += raw.substr(at, piece);
        std::size_t used = 0;
        step = reader.read(buffered, used);
        require(used <= buffered.size(), "the reader took more than it was given", raw);
        buffered.erase(0, used);
    }
    require(reader.headDone() == (parsed == HeadParse::Complete), "a head read in pieces is another head", raw);
    require((step == RequestReader::Step::Refused) == (parsed != HeadParse::Complete && parsed != HeadParse::Incomplete),
            "a head refused in pieces but not whole, or the other way round", raw);
    if (reader.headDone())
        require(reader.head().target == head.target && reader.head().forwardedFor == head.forwardedFor,
                "a head read in pieces has another target or forwarded chain", raw);

    const std::uint8_t selector = data[0];
    std::string_view rest(reinterpret_cast<const char *>(data + 1), size - 1);
    const std::string_view target = nextLine(rest);
    const std::string_view body = nextLine(rest);
    const std::string_view languages = nextLine(rest);
    const std::string_view forwarded = nextLine(rest);

    checkAcceptedName(target);
    checkAcceptedName(body);
    checkFields(target);
    checkFields(body);
    parseJsonSubmission(body);
    ImportRecord record;
    if (!readImportLine(body, record))
        require(isDisplayableText(record.submission.name) && record.submission.code.size() == 23,
                "an import line taken with a name or code that cannot be", body);
    pickLanguage(languages);
    const std::string client = clientAddress("10.0.0.1", forwarded, {"10.0.0.1", "::1"});
    std::string canonical;
    require(client == "10.0.0.1" || canonicalAddress(client, canonical), "a client that is no address", client);

    static const char *const methods[] = {"GET", "POST", "HEAD", "PUT"};
    Request r;
    r.method = methods[selector & 3];
    r.target = std::string(target);
    if (r.target.empty() || r.target[0] != '/')
        r.target = "/index.php?ziel=medsudokuhighscore&" + r.target;
    r.body = std::string(body);
    r.contentType = selector & 4 ? "application/x-www-form-urlencoded" : "application/json";
    r.acceptLanguage = std::string(languages);
    r.client = client;
    storage.down = (selector & 8) != 0;
    checkAnswer(service.handle(r), r.target);
    // The same through the JSON API.
    r.target = "/api/v1/highscores?" + std::string(target);
    checkAnswer(service.handle(r), r.target);
    static const int refusals[] = {400, 408, 413, 431};
    checkAnswer(service.refuse(refusals[selector >> 6], std::string(target), std::string(languages)), r.target);
    return 0;
}
