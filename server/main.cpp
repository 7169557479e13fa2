// vantrell-highscores: the highscore list of Vantrell Sudoku as a small web service.
#include "server/commands.h"
#include "server/http_server.h"
#include "server/log.h"
#include "server/options.h"
#include "server/service.h"
#include "server/storage.h"

#include <signal.h>
#include <sys/resource.h>

#include <cstdlib>
#include <iostream>
#include <string>
#include <malloc.h>

using namespace vantrell::highscores;

namespace {

// Every connection is a file; take what the system allows.
void raiseFileLimit()
{
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        setrlimit(RLIMIT_NOFILE, &limit);
    }
}

} // namespace

int main(int argc, char **argv)
{
    // Before any thread starts: the stop signals, SIGHUP and SIGUSR1 wait for the server's
    // own thread (a thread that left them open would let them end the process at once), and
    // a closed log or socket is an error to handle, not a signal.
    sigset_t serverSignals;
    sigemptyset(&serverSignals);
    addServerSignals(serverSignals);
    pthread_sigmask(SIG_BLOCK, &serverSignals, nullptr);
    signal(SIGPIPE, SIG_IGN);

    const auto parsed = parseOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (const std::string *error = std::get_if<std::string>(&parsed)) {
        std::cerr << "vantrell-highscores: " << *error << "\n" << kUsage;
        return 2;
    }
    const Options &options = std::get<Options>(parsed);
    if (options.help) {
        std::cout << kUsage;
        return 0;
    }
    if (options.version) {
        std::cout << "vantrell-highscores " << VANTRELL_VERSION << '\n';
        return 0;
    }
    // Worker threads each get a malloc arena otherwise; two keep an idle service small.
    mallopt(M_ARENA_MAX, 2);
    raiseFileLimit();

    const std::string database = options.database.empty() ? defaultDatabase(std::getenv("STATE_DIRECTORY"))
                                                           : options.database;
    try {
        const std::unique_ptr<Storage> storage = openStorage(database, options.pool);
        if (!options.command.empty())
            return runCommand(options, *storage, std::cout, std::cerr);
        ServiceOptions serviceOptions;
        serviceOptions.rateLimit = options.rateLimit;
        serviceOptions.submitThreads = options.threads > 0 ? options.threads : defaultThreadCount();
        serviceOptions.blockedNames = options.blockedNames;
        serviceOptions.version = VANTRELL_VERSION;
        HighscoreService service(*storage, serviceOptions);
        ServerOptions serverOptions;
        serverOptions.host = options.host;
        serverOptions.port = options.port;
        serverOptions.threads = options.threads;
        serverOptions.trustedProxies = options.trustedProxies;
        serverOptions.onReload = [&service] { logLine("SIGHUP: " + service.reloadBlockedNames()); };
        HttpServer server(service, serverOptions);
        service.setServerGauges([&server] { return std::int64_t(server.openConnections()); }, logLinesDropped);
        logLine("listening on " + options.host + ":" + std::to_string(server.port()) + ", database "
                + addressForLog(database));
        server.run();
        logLine("stopped");
    } catch (const StorageOpenError &e) {
        std::cerr << "vantrell-highscores: " << e.what() << '\n';
        return 1;
    } catch (const std::exception &e) {
        std::cerr << "vantrell-highscores: " << e.what() << '\n';
        return 1;
    }
    return 0;
}
