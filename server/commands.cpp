#include "server/commands.h"

#include "server/pages.h"
#include "server/request_fields.h"
#include "server/transfer.h"

#include <algorithm>
#include <limits>
#include <vector>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iostream>

namespace vantrell::highscores {
namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

std::string seconds(double s)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", s);
    return text;
}

// A backup that stops half-way must not look like a whole one: the lines go to FILE.partial,
// which becomes FILE only once every line is written.
int exportTo(const std::string &file, Storage &storage, std::ostream &out, std::ostream &err)
{
    const Clock::time_point start = Clock::now();
    std::int64_t lines = 0;
    if (file.empty() || file == "-") {
        lines = exportList(storage, out);
    } else {
        const std::string partial = file + ".partial";
        try {
            std::ofstream stream(partial, std::ios::binary | std::ios::trunc);
            if (!stream)
                throw std::runtime_error("cannot write " + partial);
            lines = exportList(storage, stream);
            stream.close();
            if (!stream || std::rename(partial.c_str(), file.c_str()) != 0)
                throw std::runtime_error("cannot write " + file);
        } catch (...) {
            std::remove(partial.c_str());
            throw;
        }
    }
    err << "vantrell-highscores: exported " << lines << " codes in " << seconds(secondsSince(start)) << " s\n";
    return 0;
}

int importFrom(const std::string &file, Storage &storage, std::ostream &out, std::ostream &err)
{
    const Clock::time_point start = Clock::now();
    std::ifstream stream;
    if (file != "-") {
        stream.open(file, std::ios::binary);
        if (!stream) {
            err << "vantrell-highscores: cannot read " << file << "; nothing was imported\n";
            return 1;
        }
    }
    try {
        const ImportSummary s = importList(storage, file == "-" ? std::cin : stream);
        out << "imported " << s.entries << " entries with " << s.codes << " codes in " << seconds(secondsSince(start))
            << " s\n";
        return 0;
    } catch (const ImportRefused &e) {
        err << "vantrell-highscores: import refused at " << e.what() << "; nothing was imported\n";
        return 1;
    }
}

// The entries whose name holds text, by id: id, name, points, type, given cells, set, rank
// (- while hidden), time of entry, shown or hidden, when that last changed, and why.
int find(const std::string &text, Storage &storage, std::ostream &out)
{
    const std::string wanted = foldedText(text);
    std::vector<EntryState> found;
    storage.scanEntries([&](const EntryState &s) {
        if (foldedText(s.entry.name).find(wanted) != std::string::npos)
            found.push_back(s);
    });
    std::sort(found.begin(), found.end(), [](const auto &a, const auto &b) { return a.entry.id < b.entry.id; });
    for (const EntryState &s : found) {
        const Entry &e = s.entry;
        out << e.id << '\t' << e.name << '\t' << e.points << '\t' << e.type << '\t' << e.givens << '\t' << e.set << '\t'
            << (s.hidden ? std::string("-") : std::to_string(storage.rank(e))) << '\t' << isoTime(e.enteredMs, true)
            << '\t' << (s.hidden ? "hidden" : "shown") << '\t' << (s.changedMs ? isoTime(s.changedMs, true) : "-")
            << '\t' << s.reason << '\n';
    }
    return 0;
}

int moderate(const Options &options, bool hide, Storage &storage, std::ostream &out, std::ostream &err)
{
    const auto id = parseNumber(options.commandArguments.front(), 1, std::numeric_limits<std::int64_t>::max() / 2);
    if (!id) {
        err << "vantrell-highscores: " << options.command << " needs an entry's id (find shows it)\n";
        return 2;
    }
    if (!isDisplayableText(options.reason)) {
        err << "vantrell-highscores: the reason must be UTF-8 text without control characters\n";
        return 2;
    }
    switch (storage.setHidden(*id, hide, options.reason)) {
    case Moderation::Done:
        out << "entry " << *id << (hide ? " is hidden" : " is shown again") << '\n';
        return 0;
    case Moderation::AlreadySo:
        out << "entry " << *id << (hide ? " was hidden already" : " was not hidden") << '\n';
        return 0;
    case Moderation::NoSuchEntry:
        err << "vantrell-highscores: there is no entry " << *id << '\n';
        return 1;
    }
    return 1;
}

} // namespace

int runCommand(const Options &options, Storage &storage, std::ostream &out, std::ostream &err)
{
    const std::string argument = options.commandArguments.empty() ? std::string() : options.commandArguments.front();
    try {
        if (options.command == "export")
            return exportTo(argument, storage, out, err);
        if (options.command == "import")
            return importFrom(argument, storage, out, err);
        if (options.command == "find")
            return find(argument, storage, out);
        if (options.command == "hide" || options.command == "show")
            return moderate(options, options.command == "hide", storage, out, err);
        err << "vantrell-highscores: unknown command " << options.command << '\n';
    } catch (const StorageUnavailable &e) {
        err << "vantrell-highscores: " << e.what() << (options.command == "import" ? "; nothing was imported" : "")
            << '\n';
    } catch (const std::exception &e) {
        err << "vantrell-highscores: " << e.what() << '\n';
    }
    return 1;
}

} // namespace vantrell::highscores
