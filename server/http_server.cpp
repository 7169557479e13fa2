#include "server/http_server.h"

#include "server/clients.h"
#include "server/http_parser.h"
#include "server/log.h"
#include "server/service.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <signal.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <ctime>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <thread>
#include <unordered_map>
#include <vector>

namespace vantrell::highscores {

int defaultThreadCount()
{
    // Submissions wait for their commit on a worker thread; enough of them let many
    // submissions share one commit.
    return 16;
}

namespace {

using Clock = std::chrono::steady_clock;

std::int64_t nowMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch()).count();
}

constexpr std::uint64_t kListenId = 0;
constexpr std::uint64_t kWakeId = 1;
constexpr std::int64_t kLingerMs = 2000;
constexpr std::size_t kReadChunk = 16384;

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

const char *reasonPhrase(int status)
{
    switch (status) {
    case 100: return "Continue";
    case 200: return "OK";
    case 201: return "Created";
    case 303: return "See Other";
    case 400: return "Bad Request";
    case 404: return "Not Found";
    case 405: return "Method Not Allowed";
    case 408: return "Request Timeout";
    case 409: return "Conflict";
    case 411: return "Length Required";
    case 413: return "Content Too Large";
    case 422: return "Unprocessable Content";
    case 429: return "Too Many Requests";
    case 431: return "Request Header Fields Too Large";
    case 500: return "Internal Server Error";
    case 503: return "Service Unavailable";
    case 505: return "HTTP Version Not Supported";
    default: return "Unknown";
    }
}

bool expectsContinue(std::string_view expect)
{
    constexpr std::string_view kContinue = "100-continue";
    if (expect.size() != kContinue.size())
        return false;
    for (std::size_t i = 0; i < expect.size(); ++i)
        if ((expect[i] >= 'A' && expect[i] <= 'Z' ? char(expect[i] + 32) : expect[i]) != kContinue[i])
            return false;
    return true;
}

std::string peerAddress(int fd)
{
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    if (getpeername(fd, reinterpret_cast<sockaddr *>(&address), &length) != 0)
        return "unknown";
    char text[INET6_ADDRSTRLEN] = {};
    if (address.ss_family == AF_INET) {
        inet_ntop(AF_INET, &reinterpret_cast<sockaddr_in &>(address).sin_addr, text, sizeof text);
    } else {
        const in6_addr &v6 = reinterpret_cast<sockaddr_in6 &>(address).sin6_addr;
        if (IN6_IS_ADDR_V4MAPPED(&v6))
            inet_ntop(AF_INET, v6.s6_addr + 12, text, sizeof text);
        else
            inet_ntop(AF_INET6, &v6, text, sizeof text);
    }
    return text;
}

} // namespace

struct ServerState;

// One network thread: its own epoll set with the shared listening socket, the connections
// it accepted, and the answers that come back from the worker pool.
class Loop {
public:
    Loop(ServerState &server, int listenFd);
    ~Loop();
    void run();
    void wake();
    // From a worker: the answer to connection id's request.
    void complete(std::uint64_t id, Response response);

private:
    struct Connection {
        int fd = -1;
        std::uint64_t id = 0;
        std::string peer;
        std::string in;
        std::size_t scanned = 0; // bytes of in already searched for a line end
        std::string out;
        std::size_t written = 0;
        enum class State { Reading, Busy, Writing, Lingering } state = State::Reading;
        std::int64_t deadline = 0;
        bool peerClosed = false;
        bool closeAfterWrite = false;
        bool sentContinue = false;
        // The request a worker is answering: how its answer is to be framed.
        bool headOnly = false;
        int minorVersion = 1;
        // For the access log of the answer being written.
        std::string client, method, target;
        int status = 0;
        std::size_t length = 0;
        std::int64_t started = 0;
    };

    void acceptAll();
    void drive(Connection &c);
    bool readAvailable(Connection &c);
    bool dispatchBuffered(Connection &c);
    void refuse(Connection &c, int status, const RequestHead *head);
    void answer(Connection &c, Response response, bool keepAlive, bool headOnly, int minorVersion);
    bool flush(Connection &c);
    void afterWrite(Connection &c);
    void startLinger(Connection &c);
    void close(Connection &c);
    void sweep(std::int64_t now);
    void takeCompletions();
    void beginStop();
    void logAccess(const Connection &c, const std::string &note);

    ServerState &server_;
    int listenFd_;
    int epoll_ = -1;
    int wakeFd_ = -1;
    std::uint64_t nextId_ = 2;
    std::unordered_map<std::uint64_t, std::unique_ptr<Connection>> connections_;
    std::size_t busy_ = 0;
    bool stopping_ = false;
    std::int64_t stopDeadline_ = 0;
    std::string log_;

    std::mutex completionsMutex_;
    std::vector<std::pair<std::uint64_t, Response>> completions_;
};

struct ServerState {
    ServerState(HighscoreService &s, ServerOptions o) : service(s), options(std::move(o)) {}

    HighscoreService &service;
    ServerOptions options;
    int listenFd = -1;
    std::atomic<bool> stopRequested = false;
    std::atomic<std::size_t> connections = 0;
    std::vector<std::unique_ptr<Loop>> loops;
};

Loop::Loop(ServerState &server, int listenFd) : server_(server), listenFd_(listenFd)
{
    epoll_ = epoll_create1(EPOLL_CLOEXEC);
    wakeFd_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (epoll_ < 0 || wakeFd_ < 0)
        throw std::runtime_error(std::string("cannot set up the network threads: ") + std::strerror(errno));
    epoll_event listen{};
    // Every loop waits on the one listening socket; EPOLLEXCLUSIVE wakes one of them per
    // connection rather than all.
    listen.events = EPOLLIN | EPOLLEXCLUSIVE;
    listen.data.u64 = kListenId;
    epoll_event wakeEvent{};
    wakeEvent.events = EPOLLIN;
    wakeEvent.data.u64 = kWakeId;
    if (epoll_ctl(epoll_, EPOLL_CTL_ADD, listenFd_, &listen) != 0 || epoll_ctl(epoll_, EPOLL_CTL_ADD, wakeFd_, &wakeEvent) != 0)
        throw std::runtime_error(std::string("cannot set up the network threads: ") + std::strerror(errno));
}

Loop::~Loop()
{
    for (auto &[id, c] : connections_)
        ::close(c->fd);
    ::close(wakeFd_);
    ::close(epoll_);
}

void Loop::wake()
{
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = ::write(wakeFd_, &one, sizeof one);
}

void Loop::complete(std::uint64_t id, Response response)
{
    {
        std::lock_guard lock(completionsMutex_);
        completions_.emplace_back(id, std::move(response));
    }
    wake();
}

void Loop::run()
{
    epoll_event events[256];
    std::int64_t lastSweep = nowMs();
    for (;;) {
        if (!log_.empty()) {
            // Whole lines, once there is nothing else to do: few writes under load, none late.
            writeLog(log_);
            log_.clear();
        }
        if (!stopping_ && server_.stopRequested)
            beginStop();
        if (stopping_ && ((connections_.empty() && busy_ == 0) || nowMs() > stopDeadline_))
            break;
        const int n = epoll_wait(epoll_, events, 256, 250);
        if (n < 0 && errno != EINTR) {
            logLine(std::string("epoll: ") + std::strerror(errno));
            break;
        }
        for (int i = 0; i < n; ++i) {
            const std::uint64_t id = events[i].data.u64;
            if (id == kListenId) {
                if (!stopping_)
                    acceptAll();
                continue;
            }
            if (id == kWakeId) {
                std::uint64_t count = 0;
                [[maybe_unused]] const ssize_t r = ::read(wakeFd_, &count, sizeof count);
                takeCompletions();
                continue;
            }
            const auto found = connections_.find(id);
            if (found == connections_.end())
                continue;
            Connection &c = *found->second;
            if (events[i].events & (EPOLLHUP | EPOLLRDHUP | EPOLLERR))
                c.peerClosed = c.peerClosed || (events[i].events & (EPOLLHUP | EPOLLERR));
            drive(c);
        }
        const std::int64_t now = nowMs();
        if (now - lastSweep >= 250) {
            sweep(now);
            lastSweep = now;
        }
    }
    for (auto &[id, c] : connections_)
        ::close(c->fd);
    server_.connections -= connections_.size();
    connections_.clear();
    if (!log_.empty())
        writeLog(log_);
}

void Loop::beginStop()
{
    stopping_ = true;
    stopDeadline_ = nowMs() + server_.options.shutdownGrace.count();
    epoll_ctl(epoll_, EPOLL_CTL_DEL, listenFd_, nullptr);
    // Connections that wait for a request end now; answers in the making are finished.
    std::vector<Connection *> idle;
    for (auto &[id, c] : connections_)
        if (c->state == Connection::State::Reading)
            idle.push_back(c.get());
    for (Connection *c : idle)
        drive(*c); // a request that is in whole already is answered, then the connection closes
}

void Loop::acceptAll()
{
    for (;;) {
        const int fd = accept4(listenFd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) {
            if (errno == EINTR || errno == ECONNABORTED)
                continue;
            if (errno != EAGAIN && errno != EWOULDBLOCK)
                logLine(std::string("accept: ") + std::strerror(errno)); // out of files: the next event retries
            return;
        }
        if (server_.connections.load() >= server_.options.maxConnections) {
            ::close(fd);
            continue;
        }
        const int one = 1;
        setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        auto c = std::make_unique<Connection>();
        c->fd = fd;
        c->id = nextId_++;
        c->peer = peerAddress(fd);
        c->deadline = nowMs() + server_.options.requestTimeout.count();
        epoll_event event{};
        // Edge-triggered: each side is read or written until it would block.
        event.events = EPOLLIN | EPOLLOUT | EPOLLRDHUP | EPOLLET;
        event.data.u64 = c->id;
        if (epoll_ctl(epoll_, EPOLL_CTL_ADD, fd, &event) != 0) {
            ::close(fd);
            continue;
        }
        ++server_.connections;
        Connection &ref = *c;
        connections_.emplace(c->id, std::move(c));
        drive(ref);
    }
}

// The one place that moves a connection on: reads, answers what is in whole, writes,
// and goes on with the next request of a pipelined client, in a loop rather than by
// recursion.
void Loop::drive(Connection &c)
{
    const std::uint64_t id = c.id;
    for (;;) {
        if (!connections_.count(id))
            return;
        switch (c.state) {
        case Connection::State::Writing:
            if (!flush(c))
                return;
            afterWrite(c);
            continue;
        case Connection::State::Reading:
            if (!readAvailable(c))
                return; // closed
            if (!dispatchBuffered(c))
                return;
            continue;
        case Connection::State::Lingering: {
            char scratch[4096];
            for (;;) {
                const ssize_t n = ::recv(c.fd, scratch, sizeof scratch, 0);
                if (n > 0)
                    continue;
                if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
                    return;
                close(c);
                return;
            }
        }
        case Connection::State::Busy:
            return;
        }
    }
}

// Reads until the socket would block. False when the connection was closed.
bool Loop::readAvailable(Connection &c)
{
    const std::size_t cap = server_.options.maxHeaderBytes + server_.options.maxBodyBytes + kReadChunk;
    while (c.in.size() < cap) {
        const std::size_t before = c.in.size();
        c.in.resize(before + kReadChunk);
        const ssize_t n = ::recv(c.fd, c.in.data() + before, kReadChunk, 0);
        c.in.resize(before + std::size_t(std::max<ssize_t>(n, 0)));
        if (n > 0)
            continue;
        if (n == 0) {
            c.peerClosed = true;
            break;
        }
        if (errno == EINTR)
            continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK)
            break;
        close(c); // reset by the peer
        return false;
    }
    if (c.peerClosed && c.in.find('\n') == std::string::npos) {
        close(c); // the client left with no request in whole
        return false;
    }
    return true;
}

// Answers the first request in the buffer if it is there in whole. True when the state
// moved on (an answer to write); false when more bytes are needed or a worker has it.
bool Loop::dispatchBuffered(Connection &c)
{
    const ServerOptions &o = server_.options;
    if (stopping_ && c.in.empty()) {
        close(c);
        return false;
    }
    if (c.in.empty())
        return false;
    // Only a new line end can complete the head: without one there is nothing to parse.
    RequestHead head;
    const bool newLineEnd = c.in.find('\n', c.scanned) != std::string::npos;
    const HeadParse parsed = newLineEnd ? parseRequestHead(c.in, head) : HeadParse::Incomplete;
    if (parsed == HeadParse::Incomplete) {
        c.scanned = c.in.size();
        if (c.in.size() > o.maxHeaderBytes) {
            refuse(c, 431, nullptr);
            return true;
        }
        if (stopping_ || c.peerClosed)
            close(c);
        return false;
    }
    if (parsed != HeadParse::Complete) {
        refuse(c, parsed == HeadParse::VersionUnsupported ? 505 : 400, nullptr);
        return true;
    }
    if (head.headBytes > o.maxHeaderBytes) {
        refuse(c, 431, &head);
        return true;
    }
    if (head.transferEncoding) {
        refuse(c, 411, &head); // bodies come with a Content-Length here
        return true;
    }
    const std::uint64_t bodyLength = head.contentLength.value_or(0);
    if (bodyLength > o.maxBodyBytes) {
        refuse(c, 413, &head);
        return true;
    }
    if (c.in.size() < head.headBytes + bodyLength) {
        if (!c.sentContinue && c.in.size() == head.headBytes && expectsContinue(head.expect)) {
            // The client waits for this before it sends the body (curl does, from 1 KiB).
            c.sentContinue = true;
            static constexpr std::string_view kContinue = "HTTP/1.1 100 Continue\r\n\r\n";
            [[maybe_unused]] const ssize_t n = ::send(c.fd, kContinue.data(), kContinue.size(), MSG_NOSIGNAL);
        }
        if (stopping_ || c.peerClosed)
            close(c);
        return false;
    }

    Request r;
    r.method = std::string(head.method);
    r.target = std::string(head.target);
    r.body = c.in.substr(head.headBytes, bodyLength);
    r.contentType = std::string(head.contentType);
    r.acceptLanguage = std::string(head.acceptLanguage);
    r.client = clientAddress(c.peer, head.forwardedFor, o.trustedProxies);
    const bool keepAlive = !stopping_ && !head.connectionClose && (head.minorVersion == 1 || head.connectionKeepAlive);
    const bool headOnly = r.method == "HEAD";
    const int minor = head.minorVersion;
    c.in.erase(0, head.headBytes + bodyLength);
    c.scanned = 0;
    c.sentContinue = false;
    c.client = r.client;
    c.method = r.method;
    c.target = r.target;
    c.started = nowMs();

    c.closeAfterWrite = !keepAlive;
    c.headOnly = headOnly;
    c.minorVersion = minor;
    const std::uint64_t id = c.id;
    std::optional<Response> now;
    try {
        now = server_.service.serve(std::move(r), [this, id](Response response) { complete(id, std::move(response)); });
    } catch (const std::exception &e) {
        logLine(std::string("internal error: ") + e.what());
        now = Response{500, "text/plain; charset=utf-8", "internal error\n", {}};
    }
    if (now) {
        answer(c, std::move(*now), keepAlive, headOnly, minor);
        return true;
    }
    c.state = Connection::State::Busy;
    c.deadline = 0;
    ++busy_;
    return false;
}

void Loop::takeCompletions()
{
    std::vector<std::pair<std::uint64_t, Response>> done;
    {
        std::lock_guard lock(completionsMutex_);
        done.swap(completions_);
    }
    for (auto &[id, response] : done) {
        --busy_;
        const auto found = connections_.find(id);
        if (found == connections_.end())
            continue;
        Connection &c = *found->second;
        answer(c, std::move(response), !c.closeAfterWrite && !stopping_, c.headOnly, c.minorVersion);
        drive(c);
    }
}

void Loop::refuse(Connection &c, int status, const RequestHead *head)
{
    const std::string target = head ? std::string(head->target) : std::string();
    c.client = c.peer;
    c.method = head ? std::string(head->method) : "-";
    c.target = head ? target : "-";
    c.started = nowMs();
    Response response = server_.service.refuse(status, target, head ? std::string(head->acceptLanguage) : std::string());
    // What remains of such a request cannot be told from the next one: answer and close.
    c.in.clear();
    answer(c, std::move(response), false, false, head ? head->minorVersion : 1);
}

void Loop::answer(Connection &c, Response response, bool keepAlive, bool headOnly, int minorVersion)
{
    std::string &out = c.out;
    out.clear();
    out.reserve(256 + response.body.size());
    out += minorVersion == 0 ? "HTTP/1.0 " : "HTTP/1.1 ";
    out += std::to_string(response.status);
    out += ' ';
    out += reasonPhrase(response.status);
    out += "\r\nDate: ";
    out += httpDate();
    if (!response.contentType.empty()) {
        out += "\r\nContent-Type: ";
        out += response.contentType;
    }
    // HEAD: the length GET would send, and no body.
    out += "\r\nContent-Length: ";
    out += std::to_string(response.body.size());
    for (const auto &[name, value] : response.headers) {
        out += "\r\n";
        out += name;
        out += ": ";
        out += value;
    }
    if (!keepAlive)
        out += "\r\nConnection: close";
    else if (minorVersion == 0)
        out += "\r\nConnection: keep-alive";
    out += "\r\n\r\n";
    if (!headOnly)
        out += response.body;
    c.written = 0;
    c.status = response.status;
    c.length = response.body.size();
    c.closeAfterWrite = !keepAlive;
    c.state = Connection::State::Writing;
    c.deadline = nowMs() + server_.options.writeTimeout.count();
}

// Writes what it can. True when all is written.
bool Loop::flush(Connection &c)
{
    while (c.written < c.out.size()) {
        const ssize_t n = ::send(c.fd, c.out.data() + c.written, c.out.size() - c.written, MSG_NOSIGNAL);
        if (n > 0) {
            c.written += std::size_t(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return false;
        logAccess(c, std::string("not delivered: ") + std::strerror(errno));
        close(c);
        return false;
    }
    return true;
}

void Loop::afterWrite(Connection &c)
{
    logAccess(c, {});
    c.out.clear();
    c.written = 0;
    if (c.closeAfterWrite || stopping_) {
        startLinger(c);
        return;
    }
    c.state = Connection::State::Reading;
    c.deadline = nowMs() + server_.options.requestTimeout.count();
}

// Closing with unread bytes from the client would reset the connection, and the client
// could lose the answer it has not read yet (a 413 sent before the body it is still
// sending): stop sending, read what still comes for a short while, then close.
void Loop::startLinger(Connection &c)
{
    ::shutdown(c.fd, SHUT_WR);
    c.in.clear();
    c.state = Connection::State::Lingering;
    c.deadline = nowMs() + kLingerMs;
}

void Loop::close(Connection &c)
{
    const std::uint64_t id = c.id;
    if (c.state == Connection::State::Busy)
        return; // the worker's answer closes it
    epoll_ctl(epoll_, EPOLL_CTL_DEL, c.fd, nullptr);
    ::close(c.fd);
    --server_.connections;
    connections_.erase(id);
}

void Loop::sweep(std::int64_t now)
{
    std::vector<Connection *> late;
    for (auto &[id, c] : connections_)
        if (c->deadline != 0 && now >= c->deadline)
            late.push_back(c.get());
    for (Connection *c : late) {
        // A request that did not arrive in time is logged; an idle keep-alive connection
        // just ends. Nothing is sent: a client this slow gets no more of our time.
        if (c->state == Connection::State::Reading && !c->in.empty()) {
            c->client = c->peer;
            c->method = c->target = "-";
            c->status = 408;
            c->length = 0;
            c->started = 0;
            logAccess(*c, "timed out before the request was read");
        } else if (c->state == Connection::State::Writing) {
            logAccess(*c, "not delivered: the client did not read in time");
        }
        close(*c);
    }
}

void Loop::logAccess(const Connection &c, const std::string &note)
{
    if (!server_.options.accessLog)
        return;
    char took[32] = "-";
    if (c.started)
        std::snprintf(took, sizeof took, "%lldms", static_cast<long long>(nowMs() - c.started));
    std::string line = c.client;
    line += " \"";
    line += c.method;
    line += ' ';
    line.append(c.target, 0, 1024);
    line += "\" ";
    line += std::to_string(c.status);
    line += ' ';
    line += std::to_string(c.length);
    line += ' ';
    line += took;
    if (!note.empty())
        line += " (" + note + ")";
    appendLogLine(log_, line);
    if (log_.size() > 16384) {
        writeLog(log_);
        log_.clear();
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

    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
    addrinfo *found = nullptr;
    const int rc = getaddrinfo(s.options.host.c_str(), std::to_string(s.options.port).c_str(), &hints, &found);
    if (rc != 0)
        throw std::runtime_error("cannot listen on " + where + ": " + gai_strerror(rc));
    std::string error = "no address";
    for (addrinfo *a = found; a; a = a->ai_next) {
        const int fd = socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol);
        if (fd < 0) {
            error = std::strerror(errno);
            continue;
        }
        const int one = 1;
        setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        if (bind(fd, a->ai_addr, a->ai_addrlen) == 0 && listen(fd, SOMAXCONN) == 0) {
            s.listenFd = fd;
            break;
        }
        error = std::strerror(errno);
        ::close(fd);
    }
    freeaddrinfo(found);
    if (s.listenFd < 0)
        throw std::runtime_error("cannot listen on " + where + ": " + error);

    // SIGTERM and SIGINT are taken by run() with sigtimedwait; blocked from here on, a stop
    // right after the start waits for it rather than killing the process.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGINT);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
}

HttpServer::~HttpServer()
{
    if (state_ && state_->listenFd >= 0)
        ::close(state_->listenFd);
}

unsigned short HttpServer::port() const
{
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    getsockname(state_->listenFd, reinterpret_cast<sockaddr *>(&address), &length);
    return ntohs(address.ss_family == AF_INET ? reinterpret_cast<sockaddr_in &>(address).sin_port
                                              : reinterpret_cast<sockaddr_in6 &>(address).sin6_port);
}

void HttpServer::run()
{
    ServerState &s = *state_;
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    const int loopCount = int(std::clamp(cores, 1u, 16u));
    for (int i = 0; i < loopCount; ++i)
        s.loops.push_back(std::make_unique<Loop>(s, s.listenFd));
    std::vector<std::thread> threads;
    for (auto &loop : s.loops)
        threads.emplace_back([&loop] { loop->run(); });

    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGINT);
    const timespec tick{0, 200'000'000};
    while (!s.stopRequested) {
        if (sigtimedwait(&signals, nullptr, &tick) > 0)
            s.stopRequested = true;
    }
    for (auto &loop : s.loops)
        loop->wake();
    for (auto &t : threads)
        t.join();
    s.service.finish(); // the requests its threads still hold end first
    s.loops.clear();
}

void HttpServer::stop() { state_->stopRequested = true; }

} // namespace vantrell::highscores
