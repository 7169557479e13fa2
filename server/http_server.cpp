#include "server/http_server.h"

#include "server/clients.h"
#include "server/log.h"
#include "server/service.h"

#include <boost/asio/dispatch.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/signal_set.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/strand.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>

#include <sys/resource.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <ctime>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <unordered_map>

namespace vantrell::highscores {

namespace beast = boost::beast;
namespace http = beast::http;
namespace net = boost::asio;
using tcp = net::ip::tcp;

int defaultThreadCount()
{
    // Submissions wait for their commit on the thread that serves them; more threads than
    // cores let other requests go on meanwhile, and let more submissions share a commit.
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    return int(std::clamp(cores * 4, 8u, 64u));
}

namespace {

std::size_t connectionLimitFromFiles()
{
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
        return 4096;
    // Room for the database files, the log and the listening socket.
    return limit.rlim_cur > 128 ? std::size_t(limit.rlim_cur - 64) : std::size_t(64);
}

// "Tue, 09 Dec 2026 10:00:00 GMT", made once a second per thread.
const std::string &httpDate()
{
    thread_local std::time_t last = 0;
    thread_local std::string text;
    const std::time_t now = std::time(nullptr);
    if (now != last) {
        std::tm utc{};
        gmtime_r(&now, &utc);
        char buffer[64];
        text.assign(buffer, std::strftime(buffer, sizeof buffer, "%a, %d %b %Y %H:%M:%S GMT", &utc));
        last = now;
    }
    return text;
}

std::string peerAddress(const tcp::socket &socket)
{
    beast::error_code ec;
    auto endpoint = socket.remote_endpoint(ec);
    if (ec)
        return "unknown";
    auto address = endpoint.address();
    if (address.is_v6() && address.to_v6().is_v4_mapped())
        return net::ip::make_address_v4(net::ip::v4_mapped, address.to_v6()).to_string();
    return address.to_string();
}

} // namespace

class Session;

// Accepting, signals and the shutdown timer run on one strand, so they never race.
struct ServerState {
    HighscoreService &service;
    ServerOptions options;
    net::io_context ioc;
    net::strand<net::io_context::executor_type> control;
    tcp::acceptor acceptor;
    net::signal_set signals;
    net::steady_timer graceTimer;
    net::steady_timer acceptRetry;
    std::atomic<bool> stopping = false;

    std::mutex sessionsMutex;
    std::unordered_map<Session *, std::weak_ptr<Session>> sessions;

    ServerState(HighscoreService &s, ServerOptions o)
        : service(s), options(std::move(o)), ioc(options.threads), control(net::make_strand(ioc)), acceptor(control),
          signals(control), graceTimer(control), acceptRetry(control)
    {
    }

    void accept();
    void beginShutdown();
    void sessionEnded(Session *session);
};

class Session : public std::enable_shared_from_this<Session> {
public:
    Session(tcp::socket socket, ServerState &state)
        : stream_(std::move(socket)), state_(state), peer_(peerAddress(stream_.socket()))
    {
    }
    ~Session() { state_.sessionEnded(this); }

    void start()
    {
        net::dispatch(stream_.get_executor(), [self = shared_from_this()] { self->readHeader(); });
    }

    // Posted by the server's shutdown: a connection that waits for a request is closed now;
    // one whose request is being answered closes after the answer.
    void shutdown()
    {
        net::post(stream_.get_executor(), [self = shared_from_this()] {
            if (!self->busy_)
                self->close();
        });
    }

private:
    void readHeader()
    {
        if (state_.stopping)
            return close();
        parser_.emplace();
        parser_->header_limit(std::uint32_t(state_.options.maxHeaderBytes));
        parser_->body_limit(state_.options.maxBodyBytes);
        stream_.expires_after(state_.options.requestTimeout);
        http::async_read_header(stream_, buffer_, *parser_,
                                [self = shared_from_this()](beast::error_code ec, std::size_t) { self->onHeader(ec); });
    }

    void onHeader(beast::error_code ec)
    {
        if (ec)
            return readFailed(ec);
        const auto &request = parser_->get();
        if (beast::iequals(request[http::field::expect], "100-continue")) {
            // The client waits for this before it sends the body (curl does, from 1 KiB).
            auto interim = std::make_shared<http::response<http::empty_body>>(http::status::continue_, request.version());
            http::async_write(stream_, *interim,
                              [self = shared_from_this(), interim](beast::error_code ec, std::size_t) {
                                  if (ec)
                                      return self->close();
                                  self->readBody();
                              });
            return;
        }
        readBody();
    }

    void readBody()
    {
        http::async_read(stream_, buffer_, *parser_,
                         [self = shared_from_this()](beast::error_code ec, std::size_t) { self->onRequest(ec); });
    }

    void readFailed(beast::error_code ec)
    {
        if (ec == http::error::end_of_stream || ec == net::error::eof || ec == net::error::operation_aborted
            || ec == net::error::connection_reset)
            return close(); // the client left, or the shutdown closed an idle connection
        if (ec == beast::error::timeout) {
            // The stream has closed the socket already. An idle keep-alive connection just
            // ends; a request that did not arrive in time is logged.
            if (buffer_.size() > 0 || (parser_ && parser_->got_some()))
                logAccess(408, 0, "-", "-", "timed out before the request was read");
            return;
        }
        int status = 400;
        if (ec == http::error::header_limit)
            status = 431;
        else if (ec == http::error::body_limit)
            status = 413;
        // As much of the request as was read: the request line tells an API client from a page.
        std::string target, languages;
        unsigned version = 11;
        if (parser_) {
            target = std::string(parser_->get().target());
            languages = std::string(parser_->get()[http::field::accept_language]);
            if (parser_->get().version() == 10)
                version = 10;
        }
        // What remains of such a request cannot be told from the next one: answer and close.
        send(state_.service.refuse(status, target, languages), version, false, false,
             target.empty() ? std::string("-") : target, parser_ ? std::string(parser_->get().method_string()) : "-");
    }

    void onRequest(beast::error_code ec)
    {
        if (ec)
            return readFailed(ec);
        busy_ = true;
        started_ = std::chrono::steady_clock::now();
        auto &request = parser_->get();
        Request r;
        r.method = std::string(request.method_string());
        r.target = std::string(request.target());
        r.body = std::move(request.body());
        r.contentType = std::string(request[http::field::content_type]);
        r.acceptLanguage = std::string(request[http::field::accept_language]);
        r.client = clientAddress(peer_, request["X-Forwarded-For"], state_.options.trustedProxies);
        client_ = r.client;
        Response response;
        try {
            response = state_.service.handle(r);
        } catch (const std::exception &e) {
            // One place turns the unforeseen into a 500, so that a fault answers rather than hangs.
            logLine(std::string("internal error: ") + e.what());
            response.status = 500;
            response.contentType = "text/plain; charset=utf-8";
            response.body = "internal error\n";
        }
        const bool head = request.method() == http::verb::head;
        send(std::move(response), request.version(), request.keep_alive() && !state_.stopping, head, r.target, r.method);
    }

    void send(Response response, unsigned version, bool keepAlive, bool head, const std::string &target,
              const std::string &method)
    {
        busy_ = true;
        if (started_ == std::chrono::steady_clock::time_point{})
            started_ = std::chrono::steady_clock::now();
        auto message = std::make_shared<http::response<http::string_body>>();
        message->version(version);
        message->result(unsigned(response.status));
        message->set(http::field::date, httpDate());
        if (!response.contentType.empty())
            message->set(http::field::content_type, response.contentType);
        for (auto &[name, value] : response.headers)
            message->insert(name, value);
        message->keep_alive(keepAlive);
        const std::size_t length = response.body.size();
        if (!head)
            message->body() = std::move(response.body);
        message->content_length(length); // HEAD: the length GET would send, and no body
        const int status = response.status;
        stream_.expires_after(state_.options.writeTimeout);
        http::async_write(stream_, *message,
                          [self = shared_from_this(), message, status, length, keepAlive, target, method](
                              beast::error_code ec, std::size_t) {
                              self->onWritten(ec, status, length, keepAlive, target, method);
                          });
    }

    void onWritten(beast::error_code ec, int status, std::size_t length, bool keepAlive, const std::string &target,
                   const std::string &method)
    {
        logAccess(status, length, method, target, ec ? "not delivered: " + ec.message() : std::string());
        busy_ = false;
        started_ = {};
        client_.clear();
        if (ec)
            return close();
        if (!keepAlive || state_.stopping)
            return lingerClose();
        readHeader();
    }

    // Closing with unread bytes from the client would reset the connection, and the client
    // could lose the answer it has not read yet (a 413 sent before the body it is still
    // sending): stop sending, read what still comes for a short while, then close.
    void lingerClose()
    {
        beast::error_code ignored;
        stream_.socket().shutdown(tcp::socket::shutdown_send, ignored);
        stream_.expires_after(std::chrono::seconds(2));
        drain();
    }
    void drain()
    {
        auto scratch = std::make_shared<std::array<char, 4096>>();
        stream_.async_read_some(net::buffer(*scratch), [self = shared_from_this(), scratch](beast::error_code ec, std::size_t) {
            if (ec)
                return self->stream_.close();
            self->drain();
        });
    }

    void logAccess(int status, std::size_t length, const std::string &method, const std::string &target,
                   const std::string &note)
    {
        if (!state_.options.accessLog)
            return;
        const auto since = started_ == std::chrono::steady_clock::time_point{} ? std::chrono::steady_clock::now() : started_;
        const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - since).count();
        char took[32];
        std::snprintf(took, sizeof took, "%.2fms", ms);
        std::string line = (client_.empty() ? peer_ : client_) + " \"" + method + ' ' + target.substr(0, 1024) + "\" "
                           + std::to_string(status) + ' ' + std::to_string(length) + ' ' + took;
        if (!note.empty())
            line += " (" + note + ")";
        logLine(line);
    }

    void close()
    {
        beast::error_code ignored;
        stream_.socket().shutdown(tcp::socket::shutdown_send, ignored);
        stream_.close();
    }

    beast::tcp_stream stream_;
    ServerState &state_;
    std::string peer_;
    std::string client_;
    beast::flat_buffer buffer_;
    std::optional<http::request_parser<http::string_body>> parser_;
    bool busy_ = false;
    std::chrono::steady_clock::time_point started_{};
};

void ServerState::accept()
{
    acceptor.async_accept(net::make_strand(ioc), [this](beast::error_code ec, tcp::socket socket) {
        if (stopping)
            return;
        if (ec) {
            if (ec == net::error::operation_aborted)
                return;
            // Out of file descriptors, say: try again shortly rather than spin.
            logLine("accept: " + ec.message());
            acceptRetry.expires_after(std::chrono::milliseconds(50));
            acceptRetry.async_wait([this](beast::error_code e) {
                if (!e)
                    accept();
            });
            return;
        }
        bool full = false;
        {
            std::lock_guard lock(sessionsMutex);
            full = sessions.size() >= options.maxConnections;
        }
        if (full) {
            beast::error_code ignored;
            socket.close(ignored);
        } else {
            beast::error_code ignored;
            socket.set_option(tcp::no_delay(true), ignored);
            auto session = std::make_shared<Session>(std::move(socket), *this);
            {
                std::lock_guard lock(sessionsMutex);
                sessions.emplace(session.get(), session);
            }
            session->start();
        }
        accept();
    });
}

void ServerState::beginShutdown()
{
    if (stopping.exchange(true))
        return;
    beast::error_code ignored;
    signals.clear(ignored); // a second signal ends the process at once
    signals.cancel(ignored);
    acceptor.close(ignored);
    acceptRetry.cancel();
    std::vector<std::shared_ptr<Session>> open;
    {
        std::lock_guard lock(sessionsMutex);
        for (auto &[raw, weak] : sessions)
            if (auto session = weak.lock())
                open.push_back(std::move(session));
    }
    if (open.empty())
        return;
    for (auto &session : open)
        session->shutdown();
    graceTimer.expires_after(options.shutdownGrace);
    graceTimer.async_wait([this](beast::error_code ec) {
        if (!ec) {
            logLine("requests still open after the shutdown grace time; stopping anyway");
            ioc.stop();
        }
    });
}

void ServerState::sessionEnded(Session *session)
{
    bool last = false;
    {
        std::lock_guard lock(sessionsMutex);
        sessions.erase(session);
        last = sessions.empty() && stopping;
    }
    if (last)
        net::post(control, [this] { graceTimer.cancel(); });
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
    try {
        tcp::resolver resolver(s.ioc);
        const auto results = resolver.resolve(s.options.host, std::to_string(s.options.port),
                                              tcp::resolver::passive | tcp::resolver::numeric_service);
        if (results.empty())
            throw std::runtime_error("no address");
        const tcp::endpoint endpoint = *results.begin();
        s.acceptor.open(endpoint.protocol());
        s.acceptor.set_option(net::socket_base::reuse_address(true));
        s.acceptor.bind(endpoint);
        s.acceptor.listen(net::socket_base::max_listen_connections);
    } catch (const std::exception &e) {
        throw std::runtime_error("cannot listen on " + where + ": " + e.what());
    }
    // From here on SIGTERM ends the service cleanly, even before run() (a stop right at start).
    s.signals.add(SIGTERM);
    s.signals.add(SIGINT);
}

HttpServer::~HttpServer() = default;

unsigned short HttpServer::port() const { return state_->acceptor.local_endpoint().port(); }

void HttpServer::run()
{
    ServerState &s = *state_;
    s.signals.async_wait([&s](beast::error_code ec, int) {
        if (!ec)
            s.beginShutdown();
    });
    net::dispatch(s.control, [&s] { s.accept(); });
    std::vector<std::thread> threads;
    for (int i = 1; i < s.options.threads; ++i)
        threads.emplace_back([&s] { s.ioc.run(); });
    s.ioc.run();
    for (auto &t : threads)
        t.join();
}

void HttpServer::stop()
{
    net::post(state_->control, [s = state_] { s->beginShutdown(); });
}

} // namespace vantrell::highscores
