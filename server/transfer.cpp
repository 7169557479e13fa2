#include "server/transfer.h"

#include "core/highscore_code.h"
#include "server/json_text.h"
#include "server/pages.h"
#include "server/request_fields.h"

#include <nlohmann/json.hpp>

#include <charconv>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>
#include <ctime>
#include <istream>
#include <ostream>
#include <stdexcept>

namespace vantrell::highscores {
namespace {

// Far more than a line of a list ever needs; a longer one is refused rather than read whole.
constexpr std::size_t kMaxLine = 64 * 1024;

std::optional<int> digits(std::string_view text, std::size_t at, std::size_t count)
{
    if (at + count > text.size())
        return std::nullopt;
    int value = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return std::nullopt;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

const std::string *stringField(const nlohmann::json &object, const char *key, std::string &error)
{
    const auto found = object.find(key);
    if (found == object.end())
        return nullptr;
    if (!found->is_string()) {
        error = std::string("\"") + key + "\" must be a string";
        return nullptr;
    }
    return found->get_ptr<const std::string *>();
}

} // namespace

std::optional<std::int64_t> parseIsoTime(std::string_view t)
{
    // YYYY-MM-DDTHH:MM:SS[.f[f[f]]]Z
    const auto year = digits(t, 0, 4), month = digits(t, 5, 2), day = digits(t, 8, 2);
    const auto hour = digits(t, 11, 2), minute = digits(t, 14, 2), second = digits(t, 17, 2);
    if (!year || !month || !day || !hour || !minute || !second || t.size() < 20 || t[4] != '-' || t[7] != '-'
        || (t[10] != 'T' && t[10] != 't') || t[13] != ':' || t[16] != ':')
        return std::nullopt;
    if (*month < 1 || *month > 12 || *day < 1 || *day > 31 || *hour > 23 || *minute > 59 || *second > 60)
        return std::nullopt;
    int ms = 0;
    std::size_t at = 19;
    if (t[at] == '.') {
        std::size_t count = 0;
        for (++at; at < t.size() && t[at] >= '0' && t[at] <= '9'; ++at, ++count)
            if (count < 3)
                ms = ms * 10 + (t[at] - '0');
        if (count == 0 || count > 3)
            return std::nullopt;
        for (; count < 3; ++count)
            ms *= 10;
    }
    if (at + 1 != t.size() || (t[at] != 'Z' && t[at] != 'z'))
        return std::nullopt;
    std::tm utc{};
    utc.tm_year = *year - 1900;
    utc.tm_mon = *month - 1;
    utc.tm_mday = *day;
    utc.tm_hour = *hour;
    utc.tm_min = *minute;
    utc.tm_sec = *second;
    const std::time_t seconds = timegm(&utc);
    if (utc.tm_mday != *day) // 31 February and the like
        return std::nullopt;
    return std::int64_t(seconds) * 1000 + ms;
}

std::optional<std::string> readImportLine(std::string_view line, ImportRecord &record)
{
    const nlohmann::json object = nlohmann::json::parse(line, nullptr, false);
    if (object.is_discarded() || !object.is_object())
        return "not a JSON object";
    std::string error;
    const std::string *name = stringField(object, "name", error);
    const std::string *code = stringField(object, "code", error);
    const std::string *entered = stringField(object, "entered", error);
    const std::string *reason = stringField(object, "reason", error);
    if (!error.empty())
        return error;
    if (!code)
        return "no \"code\"";
    const CheckedName checked = checkName(name ? *name : std::string());
    if (checked.problem != NameProblem::None)
        return "the name: " + nameProblemText(checked.problem);
    const DecodedHighscoreCode decoded = decodeHighscoreCode(*code);
    if (!decoded.valid())
        return "the code: " + decoded.reason;
    record.enteredMs.reset();
    if (entered) {
        record.enteredMs = parseIsoTime(*entered);
        if (!record.enteredMs)
            return "\"entered\" is no time like 2026-12-09T10:00:00.123Z";
    }
    const auto hidden = object.find("hidden");
    if (hidden != object.end() && !hidden->is_boolean())
        return "\"hidden\" must be true or false";
    record.hidden = hidden != object.end() && hidden->get<bool>();
    record.hiddenReason = reason ? *reason : std::string();
    if (!isDisplayableText(record.hiddenReason))
        return "the reason is not valid UTF-8 or holds control characters";
    record.submission = {checked.name, *code, decoded.punkte, decoded.spielart, decoded.aufgedeckt, decoded.elemente};
    return std::nullopt;
}

std::int64_t exportList(Storage &storage, std::ostream &out)
{
    std::int64_t lines = 0;
    std::string line;
    storage.exportCodes([&](const ExportedCode &c) {
        line = "{\"name\":";
        appendJsonString(line, c.entry.name);
        line += ",\"code\":\"" + c.code + "\",\"entered\":\"" + isoTime(c.entry.enteredMs, true) + '"';
        if (c.hidden) {
            line += ",\"hidden\":true,\"reason\":";
            appendJsonString(line, c.hiddenReason);
        }
        line += "}\n";
        if (!out.write(line.data(), std::streamsize(line.size())))
            throw std::runtime_error("cannot write the export");
        ++lines;
    });
    if (!out.flush())
        throw std::runtime_error("cannot write the export");
    return lines;
}

namespace {

// Reads and checks the lines of an import on a thread of its own, a batch at a time, while
// the database takes the batch before: reading, decoding and the name check cost about as
// much as the inserts.
class LineReader {
public:
    explicit LineReader(std::istream &in) : in_(in), thread_([this] { run(); }) {}
    ~LineReader()
    {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        changed_.notify_all();
        thread_.join();
    }
    LineReader(const LineReader &) = delete;
    LineReader &operator=(const LineReader &) = delete;

    // The next record and its line number; false at the end. Rethrows what the reader met.
    bool next(ImportRecord &record, std::int64_t &line)
    {
        if (at_ == current_.size()) {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [this] { return !ready_.empty() || done_; });
            if (ready_.empty()) {
                if (error_)
                    std::rethrow_exception(error_);
                return false;
            }
            current_ = std::move(ready_.front());
            ready_.pop_front();
            at_ = 0;
            changed_.notify_all();
        }
        auto &[number, r] = current_[at_++];
        line = number;
        record = std::move(r);
        return true;
    }

private:
    using Batch = std::vector<std::pair<std::int64_t, ImportRecord>>;
    static constexpr std::size_t kBatch = 2048, kBatchesAhead = 4;

    void run()
    {
        try {
            std::string buffer(kMaxLine + 2, '\0');
            std::int64_t number = 0;
            Batch batch;
            ImportRecord record;
            for (;;) {
                if (!in_.getline(buffer.data(), std::streamsize(buffer.size()))) {
                    if (in_.bad())
                        throw std::runtime_error("cannot read line " + std::to_string(number + 1));
                    if (!in_.eof() || in_.gcount() != 0)
                        throw ImportRefused(number + 1, "the line is longer than 64 KiB");
                    break;
                }
                ++number;
                std::string_view text(buffer.data(), std::size_t(in_.gcount()) - (in_.eof() ? 0 : 1));
                if (!text.empty() && text.back() == '\r')
                    text.remove_suffix(1);
                if (text.find_first_not_of(" \t") == std::string_view::npos)
                    continue; // blank lines carry nothing
                if (const std::optional<std::string> wrong = readImportLine(text, record))
                    throw ImportRefused(number, *wrong);
                batch.emplace_back(number, std::move(record));
                if (batch.size() == kBatch && !hand(batch))
                    return;
            }
            hand(batch);
        } catch (...) {
            std::lock_guard lock(mutex_);
            error_ = std::current_exception();
        }
        std::lock_guard lock(mutex_);
        done_ = true;
        changed_.notify_all();
    }

    // False when the import is over (refused by the database) and no more is wanted.
    bool hand(Batch &batch)
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return ready_.size() < kBatchesAhead || stopping_; });
        if (stopping_)
            return false;
        if (!batch.empty())
            ready_.push_back(std::move(batch));
        batch.clear();
        changed_.notify_all();
        return true;
    }

    std::istream &in_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Batch> ready_;
    Batch current_;
    std::size_t at_ = 0;
    bool done_ = false, stopping_ = false;
    std::exception_ptr error_;
    std::thread thread_; // last: it starts once everything else is made
};

} // namespace

ImportSummary importList(Storage &storage, std::istream &in)
{
    LineReader reader(in);
    return storage.importRecords([&](ImportRecord &record, std::int64_t &line) { return reader.next(record, line); });
}

} // namespace vantrell::highscores
