// The HTTP/1.1 side of the service: sockets, keep-alive, limits and time-outs, the access
// log, and a shutdown that finishes the requests in flight. The requests themselves go to
// the HighscoreService.
//
// Boost.Beast reads the requests and Boost.Asio moves the bytes. One network thread per
// core, each with its own io_context and its own listening socket on the same port
// (SO_REUSEPORT): a connection belongs to one thread from accept to close, so it needs no
// strand, and costs a little memory and no thread, so slow clients hold nothing. Answers
// the service has at once are written on the network thread; those that wait for the
// database come back from the service's threads and are posted to the connection's thread.
#pragma once

#include <signal.h>

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vantrell::highscores {

class HighscoreService;

struct ServerOptions {
    std::string host = "127.0.0.1";
    unsigned short port = 8080; // 0: any free port
    int threads = 0;            // worker threads; 0: defaultThreadCount()
    std::vector<std::string> trustedProxies;
    // A whole request (header and body) must arrive within this, and an idle keep-alive
    // connection is closed after it: a client that trickles bytes cannot hold a connection.
    std::chrono::milliseconds requestTimeout{10000};
    std::chrono::milliseconds writeTimeout{10000};
    // Requests in flight may take this long to finish after SIGTERM, SIGINT or SIGQUIT.
    std::chrono::milliseconds shutdownGrace{10000};
    std::size_t maxHeaderBytes = 8192;
    std::size_t maxBodyBytes = 4096;
    std::size_t maxConnections = 0; // 0: from the process's file limit
    bool accessLog = true;
    // Called on the thread of run() when SIGHUP comes (files to read again); without it
    // SIGHUP is logged and otherwise ignored. It never ends the service.
    std::function<void()> onReload;
};

class HttpServer {
public:
    // Binds the address; throws std::runtime_error with a one-line reason when it cannot.
    HttpServer(HighscoreService &service, ServerOptions options);
    ~HttpServer();

    // The bound port (the one the system chose when options.port was 0).
    unsigned short port() const;

    // Serves until SIGTERM, SIGINT or SIGQUIT (or stop()), then closes its listening sockets
    // (a new connection is refused, not left waiting), lets the requests in flight finish
    // within shutdownGrace, has the service finish what it holds, and returns. SIGHUP calls
    // onReload; SIGUSR1 logs the server's state. The process should block these signals
    // (serverSignals()) before it starts any thread (the constructor blocks them in its
    // own), so that no other thread takes them.
    void run();
    // From any thread; run() returns within a fraction of a second.
    void stop();

    // Connections open now (accepted and not yet closed), for the metrics.
    std::size_t openConnections() const;

private:
    std::shared_ptr<struct ServerState> state_;
};

// The worker count when options.threads is 0.
int defaultThreadCount();

// The signals run() takes: SIGTERM, SIGINT, SIGQUIT, SIGHUP and SIGUSR1.
void addServerSignals(sigset_t &set);

} // namespace vantrell::highscores
