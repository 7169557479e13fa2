// The HTTP/1.1 side of the service: sockets, keep-alive, limits and time-outs, the access
// log, and a shutdown that finishes the requests in flight. The requests themselves go to
// the HighscoreService.
//
// One network thread per core, each with its own epoll set over the shared listening
// socket: a connection costs a little memory and no thread, so slow clients hold nothing.
// Requests the service answers from memory or a local read run on the network thread;
// those that may wait for the database (submissions) go to a pool of worker threads.
#pragma once

#include <chrono>
#include <cstddef>
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
    // Requests in flight may take this long to finish after SIGTERM or SIGINT.
    std::chrono::milliseconds shutdownGrace{10000};
    std::size_t maxHeaderBytes = 8192;
    std::size_t maxBodyBytes = 4096;
    std::size_t maxConnections = 0; // 0: from the process's file limit
    bool accessLog = true;
};

class HttpServer {
public:
    // Binds the address; throws std::runtime_error with a one-line reason when it cannot.
    HttpServer(HighscoreService &service, ServerOptions options);
    ~HttpServer();

    // The bound port (the one the system chose when options.port was 0).
    unsigned short port() const;

    // Serves until SIGTERM or SIGINT (or stop()), then stops accepting, lets the requests
    // in flight finish and returns. The process should block SIGTERM and SIGINT before it
    // starts any thread (the constructor blocks them in its own), so that no other thread
    // takes them.
    void run();
    // From any thread; run() returns within a fraction of a second.
    void stop();

private:
    std::shared_ptr<struct ServerState> state_;
};

// The worker count when options.threads is 0.
int defaultThreadCount();

} // namespace vantrell::highscores
