#include "server/http_server.h"

#include "server/clients.h"
#include "server/http_parser.h"
#include "server/log.h"
#include "server/service.h"

#include <boost/asio/executor_work_guard.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/write.hpp>
#include <boost/beast/core/flat_buffer.hpp>

#include <malloc.h>
#include <netdb.h>
#include <sys/resource.h>
#include <sys/socket.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <thread>
#include <unordered_set>
#include <vector>

namespace vantrell::highscores {

namespace asio = boost::asio;
namespace beast = boost::beast;
using tcp = asio::ip::tcp;
using ErrorCode = boost::system::error_code;
using Clock = std::chrono::steady_clock;

int defaultThreadCount()
{
    // Submissions wait for their commit on a worker thread; enough of them let many
    // submissions share one commit.
    return 16;
}

void addServerSignals(sigset_t &set)
{
    for (const int signal : {SIGTERM, SIGINT, SIGQUIT, SIGHUP, SIGUSR1})
        sigaddset(&set, signal);
}

namespace {

constexpr auto kLinger = std::chrono::seconds(2);

std::size_t connectionLimitFromFiles()
{
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
        return 4096;
    // Room for the database files, the log and the listening sockets.
    return limit.rlim_cur > 128 ? std::size_t(limit.rlim_cur - 64) : std::size_t(64);
}

// Running out of files or memory on accept passes only when connections close: waiting is
// the one thing to do, and a loop that retried at once would spin.
bool isResourceShortage(const ErrorCode &error)
{
    return error == asio::error::no_descriptors || error == asio::error::no_buffer_space
        || error == asio::error::no_memory || error.value() == ENFILE;
}

} // namespace

class Connection;

struct ServerState {
    ServerState(HighscoreService &s, ServerOptions o) : service(s), options(std::move(o)) {}

    HighscoreService &service;
    ServerOptions options;
    tcp::endpoint endpoint;
    std::atomic<bool> stopRequested = false;
    std::atomic<bool> acceptTroubleLogged = false;
    std::atomic<std::size_t> open = 0;
    std::vector<std::unique_ptr<class Loop>> loops;
};

// One network thread: its io_context, its listening socket and the connections it accepted.
class Loop {
public:
    explicit Loop(ServerState &server) : server(server) {}
    void listen(const tcp::endpoint &endpoint, ErrorCode &error);
    void accept();
    void beginStop();
    void sweep();
    void reserveDescriptors(std::size_t count);

    ServerState &server;
    // Before the io_context: connections that end as it is destroyed still find the set.
    std::unordered_set<Connection *> connections;
    asio::io_context context{1};
    tcp::acceptor acceptor{context};
    asio::steady_timer acceptRetry{context};
    asio::steady_timer sweeper{context};
    std::optional<asio::executor_work_guard<asio::io_context::executor_type>> work;
    std::chrono::milliseconds acceptDelay{0};
    std::size_t peak = 0;
    bool stopping = false;
    char discard[4096]; // what lingering connections still send; never looked at

private:
    void accepted(const ErrorCode &error, tcp::socket socket);
};

class Connection : public std::enable_shared_from_this<Connection> {
public:
    Connection(Loop &loop, tcp::socket socket) : loop_(loop), socket_(std::move(socket))
    {
        loop_.connections.insert(this);
        ++loop_.server.open;
    }
    // Only a connection the server never closed ends here still counted: at the very end,
    // when its io_context goes. The last owner of a closed one may be a service thread.
    ~Connection()
    {
        if (state_ != State::Closed)
            forget();
    }
    void start();
    void stop();
    // The deadline of what the connection waits for now has passed.
    bool late(Clock::time_point now) const { return deadline_ != Clock::time_point{} && now >= deadline_; }
    void expire();

private:
    enum class State { Reading, Queued, Busy, Writing, Lingering, Closed };

    const ServerOptions &options() const { return loop_.server.options; }
    void readMore();
    void process();
    void dispatch();
    void refuse(int status);
    void answer(Response response);
    void written(const ErrorCode &error);
    void linger();
    void close();
    void logAccess(const std::string &note);
    void forget()
    {
        loop_.connections.erase(this);
        --loop_.server.open;
    }

    Loop &loop_;
    tcp::socket socket_;
    beast::flat_buffer buffer_;
    std::unique_ptr<RequestReader> reader_; // made when the first byte comes
    std::string peer_;
    bool trustedPeer_ = false;
    State state_ = State::Reading;
    Clock::time_point deadline_{}; // none while the service has the request
    bool deadlineSet_ = false;      // the current request's deadline runs
    bool timedOut_ = false;
    bool keepAlive_ = true;
    bool headOnly_ = false;
    bool continueSent_ = false;
    int minorVersion_ = 1;
    std::string out_;
    // For the access log of the answer being written.
    std::string client_, method_, target_;
    int status_ = 0;
    std::size_t length_ = 0;
    Clock::time_point started_{};
};

void Connection::start()
{
    ErrorCode error;
    asio::ip::address address = socket_.remote_endpoint(error).address();
    if (address.is_v6() && address.to_v6().is_v4_mapped())
        address = asio::ip::make_address_v4(asio::ip::v4_mapped, address.to_v6());
    peer_ = error ? "unknown" : address.to_string();
    const auto &proxies = options().trustedProxies;
    trustedPeer_ = !error && (address.is_loopback() || std::find(proxies.begin(), proxies.end(), peer_) != proxies.end());
    socket_.set_option(tcp::no_delay(true), error);
    readMore();
}

void Connection::stop()
{
    // Waiting for a request that has not come whole: there will be no answer to it.
    if (state_ == State::Reading)
        close();
}

void Connection::readMore()
{
    state_ = State::Reading;
    if (!deadlineSet_) {
        // One deadline for the whole request, however its bytes trickle in.
        deadline_ = Clock::now() + options().requestTimeout;
        deadlineSet_ = true;
    }
    const std::size_t room = std::clamp<std::size_t>(buffer_.capacity() - buffer_.size(), 512, 16384);
    socket_.async_read_some(buffer_.prepare(room), [self = shared_from_this()](const ErrorCode &error, std::size_t n) {
        if (error) {
            if (self->timedOut_ && (self->buffer_.size() > 0 || (self->reader_ && self->reader_->started()))) {
                // Nothing is sent: a client this slow gets no more of our time.
                self->client_ = self->peer_;
                self->method_ = self->target_ = "-";
                self->status_ = 408;
                self->length_ = 0;
                self->started_ = {};
                self->logAccess("timed out before the request was read");
            }
            self->close();
            return;
        }
        self->buffer_.commit(n);
        self->process();
    });
}

void Connection::process()
{
    if (state_ == State::Closed)
        return;
    if (!reader_)
        reader_ = std::make_unique<RequestReader>(options().maxHeaderBytes, options().maxBodyBytes);
    const auto data = buffer_.data();
    std::size_t used = 0;
    const RequestReader::Step step = reader_->read({static_cast<const char *>(data.data()), data.size()}, used);
    buffer_.consume(used);
    switch (step) {
    case RequestReader::Step::Done:
        dispatch();
        return;
    case RequestReader::Step::Refused:
        refuse(reader_->refusal());
        return;
    case RequestReader::Step::More:
        if (loop_.stopping) {
            close();
            return;
        }
        if (reader_->headDone() && reader_->head().expectContinue && !continueSent_ && buffer_.size() == 0) {
            // The client waits for this before it sends the body (curl does, from 1 KiB).
            continueSent_ = true;
            static constexpr std::string_view kContinue = "HTTP/1.1 100 Continue\r\n\r\n";
            [[maybe_unused]] const ssize_t n = ::send(socket_.native_handle(), kContinue.data(), kContinue.size(),
                                                      MSG_NOSIGNAL | MSG_DONTWAIT);
        }
        readMore();
        return;
    }
}

void Connection::dispatch()
{
    const RequestHead &head = reader_->head();
    Request r;
    r.method = head.method;
    r.target = head.target;
    r.body = reader_->takeBody();
    r.contentType = head.contentType;
    r.acceptLanguage = head.acceptLanguage;
    r.client = clientAddress(peer_, head.forwardedFor, options().trustedProxies);
    r.trustedPeer = trustedPeer_;
    r.forwarded = head.forwarded;
    keepAlive_ = head.keepAlive;
    headOnly_ = r.method == "HEAD";
    minorVersion_ = head.minorVersion;
    client_ = r.client;
    method_ = r.method;
    target_.assign(r.target, 0, 1024);
    started_ = Clock::now();
    reader_->next();
    continueSent_ = false;
    deadlineSet_ = false;
    state_ = State::Busy;
    deadline_ = {};

    std::optional<Response> now;
    try {
        // A late answer is posted to this connection's thread; the connection lives until then.
        now = loop_.server.service.serve(std::move(r), [self = shared_from_this()](Response response) {
            asio::post(self->loop_.context, [self, response = std::move(response)]() mutable { self->answer(std::move(response)); });
        });
    } catch (const std::exception &e) {
        logLine(std::string("internal error: ") + e.what());
        now = Response{500, "text/plain; charset=utf-8", "internal error\n", {}};
    }
    if (now)
        answer(std::move(*now));
}

void Connection::refuse(int status)
{
    // The head, as far as it was read: a 413 knows its target, a 400 may not.
    const RequestHead &head = reader_->head();
    client_ = peer_;
    method_ = head.method.empty() ? "-" : head.method;
    target_ = head.target.empty() ? "-" : head.target.substr(0, 1024);
    started_ = Clock::now();
    Response response = loop_.server.service.refuse(status, head.target, head.acceptLanguage);
    // What remains of such a request cannot be told from the next one: answer and close.
    keepAlive_ = false;
    headOnly_ = false;
    minorVersion_ = head.method.empty() ? 1 : head.minorVersion;
    buffer_.consume(buffer_.size());
    answer(std::move(response));
}

void Connection::answer(Response response)
{
    if (state_ == State::Closed)
        return;
    keepAlive_ = keepAlive_ && !loop_.stopping;
    writeAnswer(out_, response, keepAlive_, headOnly_, minorVersion_);
    status_ = response.status;
    length_ = response.body.size();
    state_ = State::Writing;
    deadline_ = Clock::now() + options().writeTimeout;
    asio::async_write(socket_, asio::buffer(out_),
                      [self = shared_from_this()](const ErrorCode &error, std::size_t) { self->written(error); });
}

void Connection::written(const ErrorCode &error)
{
    if (error) {
        logAccess(timedOut_ ? std::string("not delivered: the client did not read in time")
                                                 : "not delivered: " + error.message());
        close();
        return;
    }
    logAccess({});
    deadline_ = {};
    out_.clear();
    if (out_.capacity() > 65536)
        out_.shrink_to_fit();
    if (!keepAlive_ || loop_.stopping) {
        linger();
        return;
    }
    if (buffer_.size() > 0) {
        // The next request of a pipelining client waits its turn behind the other
        // connections of this thread, so that one client cannot keep the thread to itself.
        state_ = State::Queued;
        asio::post(loop_.context, [self = shared_from_this()] { self->process(); });
        return;
    }
    if (buffer_.capacity() > 4096)
        buffer_.shrink_to_fit(); // an idle connection keeps little
    readMore();
}

// Closing with unread bytes from the client would reset the connection, and the client
// could lose the answer it has not read yet (a 413 sent before the body it is still
// sending): stop sending, read what still comes for a short while, then close.
void Connection::linger()
{
    state_ = State::Lingering;
    ErrorCode ignored;
    socket_.shutdown(tcp::socket::shutdown_send, ignored);
    buffer_.clear();
    buffer_.shrink_to_fit();
    reader_.reset();
    deadline_ = Clock::now() + kLinger;
    socket_.async_read_some(asio::buffer(loop_.discard), [self = shared_from_this()](const ErrorCode &error, std::size_t) {
        if (error)
            self->close();
        else
            self->linger();
    });
}

void Connection::close()
{
    if (state_ == State::Closed)
        return;
    state_ = State::Closed;
    ErrorCode ignored;
    socket_.close(ignored); // what is pending ends with an error and lets go of the connection
    forget();
}

void Connection::expire()
{
    timedOut_ = true;
    deadline_ = {};
    ErrorCode ignored;
    socket_.close(ignored); // the pending read or write ends, and its handler sees timedOut_
}

void Connection::logAccess(const std::string &note)
{
    if (!options().accessLog)
        return;
    char took[32] = "-";
    if (started_ != Clock::time_point{})
        std::snprintf(took, sizeof took, "%.1fms", std::chrono::duration<double, std::milli>(Clock::now() - started_).count());
    std::string line = client_;
    line += " \"";
    line += method_;
    line += ' ';
    line += target_;
    line += "\" ";
    line += std::to_string(status_);
    line += ' ';
    line += std::to_string(length_);
    line += ' ';
    line += took;
    if (!note.empty())
        line += " (" + note + ")";
    vantrell::highscores::logAccess(line);
}

void Loop::listen(const tcp::endpoint &endpoint, ErrorCode &error)
{
    acceptor.open(endpoint.protocol(), error);
    if (!error)
        acceptor.set_option(tcp::acceptor::reuse_address(true), error);
    if (!error)
        acceptor.set_option(asio::detail::socket_option::boolean<SOL_SOCKET, SO_REUSEPORT>(true), error);
    if (!error)
        acceptor.bind(endpoint, error);
    if (!error)
        acceptor.listen(SOMAXCONN, error);
    if (error)
        acceptor.close();
}

void Loop::accept()
{
    acceptor.async_accept([this](const ErrorCode &error, tcp::socket socket) { accepted(error, std::move(socket)); });
}

void Loop::accepted(const ErrorCode &error, tcp::socket socket)
{
    if (stopping || error == asio::error::operation_aborted)
        return;
    if (error) {
        if (!isResourceShortage(error)) {
            accept(); // the client left before it was accepted, and the like
            return;
        }
        // Out of files: try again later, more slowly each time, and say so once.
        acceptDelay = std::min<std::chrono::milliseconds>(std::max<std::chrono::milliseconds>(acceptDelay * 2, std::chrono::milliseconds(20)),
                                                         std::chrono::milliseconds(1000));
        if (!server.acceptTroubleLogged.exchange(true))
            logLine("accept: " + error.message() + "; new connections wait until others close");
        acceptRetry.expires_after(acceptDelay);
        acceptRetry.async_wait([this](const ErrorCode &e) {
            if (!e && !stopping)
                accept();
        });
        return;
    }
    if (acceptDelay.count() != 0) {
        acceptDelay = {};
        if (server.acceptTroubleLogged.exchange(false))
            logLine("accept: accepting again");
    }
    if (server.open.load() >= server.options.maxConnections) {
        ErrorCode ignored;
        socket.close(ignored);
    } else {
        std::make_shared<Connection>(*this, std::move(socket))->start();
    }
    accept();
}

void Loop::beginStop()
{
    stopping = true;
    ErrorCode ignored;
    acceptor.close(ignored); // new connections are refused from now on
    acceptRetry.cancel();
    const std::vector<Connection *> open(connections.begin(), connections.end());
    for (Connection *c : open)
        c->stop();
}

// Four times a second: connections past their deadline end. One look over a thread's
// connections costs less than a timer armed and cancelled for every read and write. The
// first thread also gives memory that many closed connections held back to the system.
void Loop::sweep()
{
    sweeper.expires_after(std::chrono::milliseconds(250));
    sweeper.async_wait([this](const ErrorCode &error) {
        if (error)
            return;
        const auto now = Clock::now();
        std::vector<Connection *> late;
        for (Connection *c : connections)
            if (c->late(now))
                late.push_back(c);
        for (Connection *c : late)
            c->expire();
        if (this == server.loops.front().get()) {
            const std::size_t open = server.open.load();
            peak = std::max(peak, open);
            if (peak >= 256 && open <= peak / 2) {
                malloc_trim(0);
                peak = open;
            }
        }
        sweep();
    });
}

// Asio keeps a record per socket that it never frees, only reuses. Made one by one as
// connections come, each lands among that connection's memory and keeps the page it is on
// after the connection closed: 5,000 idle connections held 14 MB for good. Made together
// at the start, they share their own pages and the rest goes back to the system.
void Loop::reserveDescriptors(std::size_t count)
{
    std::vector<tcp::socket> sockets;
    sockets.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        ErrorCode error;
        sockets.emplace_back(context).open(tcp::v4(), error);
        if (error)
            break;
    }
}

HttpServer::HttpServer(HighscoreService &service, ServerOptions options)
{
    if (options.threads <= 0)
        options.threads = defaultThreadCount();
    if (options.maxConnections == 0)
        options.maxConnections = connectionLimitFromFiles();
    state_ = std::make_shared<ServerState>(service, std::move(options));
    ServerState &s = *state_;
    const std::string where = s.options.host + ":" + std::to_string(s.options.port);
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    const int loopCount = int(std::clamp(cores, 1u, 16u));
    for (int i = 0; i < loopCount; ++i)
        s.loops.push_back(std::make_unique<Loop>(s));

    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
    addrinfo *found = nullptr;
    const int rc = getaddrinfo(s.options.host.c_str(), std::to_string(s.options.port).c_str(), &hints, &found);
    if (rc != 0)
        throw std::runtime_error("cannot listen on " + where + ": " + gai_strerror(rc));
    std::string reason = "no address";
    for (addrinfo *a = found; a && !s.loops[0]->acceptor.is_open(); a = a->ai_next) {
        tcp::endpoint endpoint;
        std::memcpy(endpoint.data(), a->ai_addr, a->ai_addrlen);
        ErrorCode error;
        if (s.options.port != 0) {
            // The listening sockets share the port with each other, and with nobody else:
            // another process that holds it makes this one fail, as it would without
            // SO_REUSEPORT.
            tcp::acceptor probe(s.loops[0]->context);
            probe.open(endpoint.protocol(), error);
            if (!error)
                probe.set_option(tcp::acceptor::reuse_address(true), error);
            if (!error)
                probe.bind(endpoint, error);
        }
        if (!error)
            s.loops[0]->listen(endpoint, error);
        if (error)
            reason = error.message();
        else
            s.endpoint = s.loops[0]->acceptor.local_endpoint();
    }
    freeaddrinfo(found);
    if (!s.loops[0]->acceptor.is_open())
        throw std::runtime_error("cannot listen on " + where + ": " + reason);
    for (std::size_t i = 1; i < s.loops.size(); ++i) {
        ErrorCode error;
        s.loops[i]->listen(s.endpoint, error);
        if (error)
            throw std::runtime_error("cannot listen on " + where + ": " + error.message());
    }

    const std::size_t reserve = std::min<std::size_t>(4096, s.options.maxConnections / s.loops.size());
    for (auto &loop : s.loops)
        loop->reserveDescriptors(reserve);

    // The signals are taken by run() with sigtimedwait; blocked from here on, a stop right
    // after the start waits for it rather than killing the process.
    sigset_t signals;
    sigemptyset(&signals);
    addServerSignals(signals);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
}

HttpServer::~HttpServer() = default;

unsigned short HttpServer::port() const { return state_->endpoint.port(); }

std::size_t HttpServer::openConnections() const { return state_->open.load(); }

void HttpServer::run()
{
    ServerState &s = *state_;
    std::vector<std::thread> threads;
    for (auto &loop : s.loops) {
        loop->work.emplace(loop->context.get_executor());
        loop->accept();
        loop->sweep();
        threads.emplace_back([&loop = *loop] {
            for (;;) {
                try {
                    loop.context.run();
                    return;
                } catch (const std::exception &e) {
                    logLine(std::string("network thread: ") + e.what());
                }
            }
        });
    }

    sigset_t signals;
    sigemptyset(&signals);
    addServerSignals(signals);
    const timespec tick{0, 200'000'000};
    while (!s.stopRequested) {
        switch (sigtimedwait(&signals, nullptr, &tick)) {
        case SIGTERM:
        case SIGINT:
        case SIGQUIT:
            s.stopRequested = true;
            break;
        case SIGHUP:
            if (s.options.onReload)
                s.options.onReload();
            else
                logLine("SIGHUP: nothing to read again");
            break;
        case SIGUSR1:
            logLine(std::to_string(s.open.load()) + " connections open, " + std::to_string(logLinesDropped())
                    + " log lines dropped");
            break;
        default:
            break;
        }
    }

    for (auto &loop : s.loops)
        asio::post(loop->context, [&loop = *loop] { loop.beginStop(); });
    const auto deadline = Clock::now() + s.options.shutdownGrace;
    while (s.open.load() > 0 && Clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (const std::size_t left = s.open.load())
        logLine(std::to_string(left) + " connections closed unfinished at the end of the grace period");
    for (auto &loop : s.loops) {
        loop->work.reset();
        loop->context.stop();
    }
    for (auto &t : threads)
        t.join();
    // Answers the service still gives are posted to stopped io_contexts and dropped with them.
    s.service.finish();
    s.loops.clear();
}

void HttpServer::stop() { state_->stopRequested = true; }

} // namespace vantrell::highscores
