#include "server/options.h"

#include "server/clients.h"
#include "server/request_fields.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace vantrell::highscores {

const char *const kUsage =
    "usage: vantrell-highscores [options]\n"
    "       vantrell-highscores --database ADDRESS COMMAND\n"
    "Serves the Vantrell Sudoku highscore list over HTTP, or runs one command on the list\n"
    "(also while the service runs on it):\n"
    "  export [FILE]          every code as JSON Lines, best first (standard output without FILE or with -)\n"
    "  import FILE            adds the lines of FILE (- for standard input): all of them or none\n"
    "  find TEXT              the entries whose name contains TEXT, one a line, tab-separated\n"
    "  hide ID [--reason TEXT]  takes an entry off the list (its codes stay used)\n"
    "  show ID                brings a hidden entry back to its place\n"
    "\n"
    "  --listen HOST:PORT     address to listen on (default 127.0.0.1:8080; [::1]:8080 for IPv6)\n"
    "  --database ADDRESS     sqlite:PATH (default sqlite:highscores.db in $STATE_DIRECTORY or\n"
    "                         the working folder), or postgresql://USER@HOST/DB (libpq's URI)\n"
    "  --pool N               connections to PostgreSQL (default 16)\n"
    "  --rate-limit N         submissions per client address and minute (default 10, 0: no limit)\n"
    "  --trusted-proxy ADDR   a proxy whose X-Forwarded-For names the client (repeatable)\n"
    "  --threads N            threads that wait for commits (default 16)\n"
    "  --blocked-names FILE   names the list does not take: a word or phrase a line, # for comments\n"
    "                         (read again on SIGHUP)\n"
    "  --help                 this text\n"
    "  --version              the version\n";

std::variant<Options, std::string> parseOptions(const std::vector<std::string> &arguments)
{
    Options o;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        std::string name = arguments[i];
        std::string value;
        bool hasValue = false;
        if (const std::size_t equals = name.find('='); name.starts_with("--") && equals != std::string::npos) {
            value = name.substr(equals + 1);
            name = name.substr(0, equals);
            hasValue = true;
        }
        if (name == "--help" || name == "-h") {
            o.help = true;
            continue;
        }
        if (name == "--version") {
            o.version = true;
            continue;
        }
        if (!name.starts_with("-") || name == "-") {
            if (o.command.empty())
                o.command = name;
            else
                o.commandArguments.push_back(name);
            continue;
        }
        if (name != "--listen" && name != "--database" && name != "--rate-limit" && name != "--trusted-proxy"
            && name != "--threads" && name != "--pool" && name != "--blocked-names" && name != "--reason")
            return "unknown option " + name;
        if (!hasValue) {
            if (i + 1 >= arguments.size())
                return name + " needs a value";
            value = arguments[++i];
        }
        if (name == "--listen") {
            const std::size_t colon = value.rfind(':');
            if (colon == std::string::npos || colon == 0)
                return "--listen needs HOST:PORT, not \"" + value + "\"";
            std::string host = value.substr(0, colon);
            if (host.size() > 2 && host.front() == '[' && host.back() == ']')
                host = host.substr(1, host.size() - 2);
            const auto port = parseNumber(std::string_view(value).substr(colon + 1), 0, 65535);
            if (!port)
                return "--listen needs a port from 0 to 65535, not \"" + value.substr(colon + 1) + "\"";
            o.host = host;
            o.port = static_cast<unsigned short>(*port);
        } else if (name == "--database") {
            if (value.empty())
                return "--database needs an address";
            o.database = value;
        } else if (name == "--rate-limit") {
            const auto n = parseNumber(value, 0, 1'000'000);
            if (!n)
                return "--rate-limit needs a whole number from 0, not \"" + value + "\"";
            o.rateLimit = int(*n);
        } else if (name == "--trusted-proxy") {
            std::string address;
            if (!canonicalAddress(value, address))
                return "--trusted-proxy needs an IP address, not \"" + value + "\"";
            o.trustedProxies.push_back(address);
        } else if (name == "--threads") {
            const auto n = parseNumber(value, 1, 1024);
            if (!n)
                return "--threads needs a number from 1 to 1024, not \"" + value + "\"";
            o.threads = int(*n);
        } else if (name == "--blocked-names") {
            if (value.empty())
                return "--blocked-names needs a file";
            o.blockedNames = value;
        } else if (name == "--reason") {
            o.reason = value;
            o.hasReason = true;
        } else if (name == "--pool") {
            const auto n = parseNumber(value, 1, 1000);
            if (!n)
                return "--pool needs a number from 1 to 1000, not \"" + value + "\"";
            o.pool = int(*n);
        }
    }
    static constexpr std::pair<std::string_view, std::pair<std::size_t, std::size_t>> kCommands[] = {
        {"export", {0, 1}}, {"import", {1, 1}}, {"find", {1, 1}}, {"hide", {1, 1}}, {"show", {1, 1}}};
    if (!o.command.empty()) {
        const auto found = std::find_if(std::begin(kCommands), std::end(kCommands),
                                        [&](const auto &c) { return c.first == o.command; });
        if (found == std::end(kCommands))
            return "unknown command " + o.command;
        const auto [least, most] = found->second;
        if (o.commandArguments.size() < least || o.commandArguments.size() > most)
            return o.command + (least == most ? " takes one argument" : " takes at most one argument");
    }
    if (o.hasReason && o.command != "hide")
        return "--reason goes with hide";
    return o;
}

std::string defaultDatabase(const char *stateDirectory)
{
    std::string folder = stateDirectory ? stateDirectory : "";
    folder = folder.substr(0, folder.find(':'));
    return "sqlite:" + (folder.empty() ? std::string() : folder + "/") + "highscores.db";
}

} // namespace vantrell::highscores
