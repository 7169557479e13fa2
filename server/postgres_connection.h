// A libpq connection with its prepared statements, its results, and a pool of connections:
// the layer the PostgreSQL storage is written on.
#pragma once

#include "server/storage.h"

#include <libpq-fe.h>

#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <optional>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace vantrell::highscores::postgres {

using Clock = std::chrono::steady_clock;

// libpq takes zero-terminated values.
inline std::vector<const char *> valuePointers(const std::vector<std::string> &values)
{
    std::vector<const char *> pointers;
    for (const std::string &v : values)
        pointers.push_back(v.c_str());
    return pointers;
}

// A request waits this long for a free connection before it is answered 503.
constexpr auto kWaitForConnection = std::chrono::seconds(5);
// After a failed connect, requests are refused at once for this long rather than each
// trying again: a database that is down costs nothing, and one that returns is used within it.
constexpr auto kReconnectPause = std::chrono::milliseconds(200);
// Deadlocks and serialization failures are the database's way of saying "once more".
constexpr int kAttempts = 3;

// libpq's messages run over several lines; the log wants one.
inline std::string oneLine(const char *text)
{
    std::string line;
    for (const char *p = text ? text : ""; *p; ++p) {
        const char c = *p == '\n' || *p == '\t' ? ' ' : *p;
        if (c != ' ' || (!line.empty() && line.back() != ' '))
            line += c;
    }
    while (!line.empty() && line.back() == ' ')
        line.pop_back();
    return line;
}

// A statement or a connect that failed. lost: the connection is gone (it is dropped, and a
// request that had not committed anything may try again on a fresh one).
class DatabaseError : public StorageUnavailable {
public:
    DatabaseError(const std::string &what, std::string state, bool lost, bool timedOut = false)
        : StorageUnavailable(what), sqlState(std::move(state)), connectionLost(lost), timedOut(timedOut)
    {
    }
    bool worthRepeating() const { return sqlState == "40001" || sqlState == "40P01"; }

    std::string sqlState;
    bool connectionLost;
    bool timedOut; // not worth another try: the database hangs rather than having left
};

class Result {
public:
    explicit Result(PGresult *r) : r_(r) {}
    ~Result() { PQclear(r_); }
    Result(Result &&other) noexcept : r_(std::exchange(other.r_, nullptr)) {}
    Result(const Result &) = delete;
    Result &operator=(const Result &) = delete;

    int rows() const { return PQntuples(r_); }
    PGresult *&raw() { return r_; }
    bool null(int row, int column) const { return PQgetisnull(r_, row, column); }
    std::string_view text(int row, int column) const
    {
        return {PQgetvalue(r_, row, column), std::size_t(PQgetlength(r_, row, column))};
    }
    std::int64_t integer(int row, int column) const
    {
        const std::string_view t = text(row, column);
        std::int64_t value = 0;
        std::from_chars(t.data(), t.data() + t.size(), value);
        return value;
    }
    // Rows an INSERT wrote.
    std::int64_t affected() const
    {
        const char *n = PQcmdTuples(r_);
        return n && *n ? std::strtoll(n, nullptr, 10) : 0;
    }

    // The entry whose columns start at column.
    Entry entry(int row, int column) const
    {
        Entry e;
        e.id = integer(row, column);
        e.name = std::string(text(row, column + 1));
        e.points = int(integer(row, column + 2));
        e.type = int(integer(row, column + 3));
        e.givens = int(integer(row, column + 4));
        const std::string_view set = text(row, column + 5);
        e.set = set.empty() ? '?' : set[0];
        e.enteredMs = integer(row, column + 6);
        return e;
    }

private:
    PGresult *r_;
};

// One connection, used by one thread at a time, with the statements it has prepared.
class Connection {
public:
    Connection(const std::string &address, std::chrono::milliseconds answerTimeout) : answerTimeout_(answerTimeout)
    {
        // Defaults first: what the address itself says wins. The keepalives and the user
        // time-out make a database host that vanished from the network an error within
        // seconds rather than a request that hangs (they do nothing on a Unix socket).
        const char *keywords[] = {"connect_timeout", "fallback_application_name", "keepalives_idle",
                                  "keepalives_interval", "keepalives_count", "tcp_user_timeout",
                                  "client_encoding", "dbname", nullptr};
        const char *values[] = {"5", "vantrell-highscores", "10", "3", "3", "10000", "UTF8", address.c_str(), nullptr};
        conn_ = PQconnectdbParams(keywords, values, 1);
        if (!conn_)
            throw DatabaseError("cannot connect: out of memory", {}, true);
        if (PQstatus(conn_) != CONNECTION_OK) {
            const std::string why = oneLine(PQerrorMessage(conn_));
            PQfinish(conn_);
            throw DatabaseError("cannot connect: " + why, {}, true);
        }
        PQsetNoticeProcessor(conn_, [](void *, const char *) {}, nullptr);
    }
    ~Connection() { PQfinish(conn_); }
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    // A simple statement (or several) without parameters.
    Result exec(const char *sql) { return answer(PQsendQuery(conn_, sql), sql); }

    // One statement with its values as parameters.
    Result exec(const char *sql, std::initializer_list<std::string_view> parameters)
    {
        const std::vector<std::string> owned(parameters.begin(), parameters.end());
        const std::vector<const char *> values = valuePointers(owned);
        return answer(PQsendQueryParams(conn_, sql, int(values.size()), nullptr, values.data(), nullptr, nullptr, 0), sql);
    }

    // A statement prepared once per connection (sql is a literal: its address names it).
    Result run(const char *sql, std::initializer_list<std::string_view> parameters)
    {
        auto found = prepared_.find(sql);
        if (found == prepared_.end()) {
            const std::string name = "s" + std::to_string(prepared_.size());
            answer(PQsendPrepare(conn_, name.c_str(), sql, 0, nullptr), sql);
            found = prepared_.emplace(sql, name).first;
        }
        const std::vector<std::string> owned(parameters.begin(), parameters.end());
        const std::vector<const char *> values = valuePointers(owned);
        return answer(PQsendQueryPrepared(conn_, found->second.c_str(), int(values.size()), values.data(), nullptr,
                                          nullptr, 0),
                      sql);
    }

    // A query whose rows are handed over one at a time (each as a one-row result), so that
    // a list of any length passes through in constant memory.
    template <typename Visit>
    void eachRow(const char *sql, Visit &&visit)
    {
        if (!PQsendQuery(conn_, sql) || !PQsetSingleRowMode(conn_))
            check(nullptr, sql);
        std::optional<Result> failed;
        while (PGresult *next = PQgetResult(conn_)) {
            Result r(next);
            if (failed)
                continue;
            if (PQresultStatus(next) == PGRES_SINGLE_TUPLE)
                visit(r);
            else if (PQresultStatus(next) != PGRES_TUPLES_OK)
                failed.emplace(std::move(r));
        }
        if (failed)
            check(std::exchange(failed->raw(), nullptr), sql);
    }

    // COPY ... FROM STDIN: fill appends rows to its chunk and returns false when there are
    // no more. An exception from fill ends the copy, and the transaction fails with it.
    template <typename Fill>
    void copyIn(const char *sql, Fill &&fill)
    {
        answerCopy(PQsendQuery(conn_, sql), sql);
        std::string chunk;
        try {
            for (;;) {
                chunk.clear();
                if (!fill(chunk))
                    break;
                if (PQputCopyData(conn_, chunk.data(), int(chunk.size())) != 1)
                    check(nullptr, sql);
            }
        } catch (...) {
            PQputCopyEnd(conn_, "the import was refused");
            while (PGresult *r = PQgetResult(conn_))
                PQclear(r);
            throw;
        }
        if (PQputCopyEnd(conn_, nullptr) != 1)
            check(nullptr, sql);
        answer(1, sql);
    }

    // Ends a transaction that an error left open; a connection that cannot is dropped.
    void rollback() noexcept
    {
        const PGTransactionStatusType state = PQtransactionStatus(conn_);
        if (PQstatus(conn_) == CONNECTION_OK && (state == PQTRANS_INTRANS || state == PQTRANS_INERROR)) {
            try {
                exec("ROLLBACK");
            } catch (const DatabaseError &) {
            }
        }
    }

    // Whether it can take the next request: still connected (a database that stopped or
    // ended the session has left word on the socket), outside any transaction.
    bool usable()
    {
        if (PQstatus(conn_) != CONNECTION_OK || !PQconsumeInput(conn_))
            return false;
        return PQstatus(conn_) == CONNECTION_OK && PQtransactionStatus(conn_) == PQTRANS_IDLE;
    }

private:
    // The start of a COPY: the server is ready for the rows.
    void answerCopy(int sent, const char *sql)
    {
        PGresult *r = sent ? PQgetResult(conn_) : nullptr;
        if (r && PQresultStatus(r) == PGRES_COPY_IN) {
            PQclear(r);
            return;
        }
        check(r, sql);
    }

    // The answer to what was just sent, waited for at most answerTimeout_: a database that
    // hangs (stopped by a signal, its machine frozen) must not hold a worker for ever. The
    // connection is given up then. Of several results, the first error or else the last.
    Result answer(int sent, std::string_view sql)
    {
        if (!sent)
            return check(nullptr, sql);
        const Clock::time_point deadline = Clock::now() + answerTimeout_;
        while (PQisBusy(conn_)) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
            pollfd ready{PQsocket(conn_), POLLIN, 0};
            const int rc = left > 0 ? ::poll(&ready, 1, int(left)) : 0;
            if (rc < 0 && errno == EINTR)
                continue;
            if (rc == 0)
                throw DatabaseError("the database did not answer within "
                                        + std::to_string(answerTimeout_.count()) + " ms",
                                    {}, true, true);
            if (rc < 0 || !PQconsumeInput(conn_))
                break; // PQgetResult reports the reason
        }
        PGresult *kept = nullptr;
        while (PGresult *next = PQgetResult(conn_)) {
            if (kept && !succeeded(kept)) {
                PQclear(next);
                continue;
            }
            PQclear(kept);
            kept = next;
        }
        return check(kept, sql);
    }

    static bool succeeded(const PGresult *r)
    {
        const ExecStatusType status = r ? PQresultStatus(r) : PGRES_FATAL_ERROR;
        return status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK;
    }

    Result check(PGresult *raw, std::string_view sql)
    {
        Result r(raw);
        if (succeeded(raw))
            return r;
        const char *state = raw ? PQresultErrorField(raw, PG_DIAG_SQLSTATE) : nullptr;
        sql.remove_prefix(std::min(sql.size(), sql.find_first_not_of(" \n")));
        const std::string first(sql.substr(0, sql.find_first_of(" \n")));
        const char *message = raw ? PQresultErrorMessage(raw) : PQerrorMessage(conn_);
        throw DatabaseError("database error (" + first + "): " + oneLine(message), state ? state : "",
                            PQstatus(conn_) != CONNECTION_OK);
    }

    PGconn *conn_ = nullptr;
    std::chrono::milliseconds answerTimeout_;
    std::unordered_map<const char *, std::string> prepared_;
};

// Up to size connections, opened as they are needed and dropped when they fail.
class Pool {
public:
    Pool(std::string address, int size, std::chrono::milliseconds answerTimeout)
        : address_(std::move(address)), size_(size), answerTimeout_(answerTimeout)
    {
    }

    class Lease {
    public:
        Lease(Pool &pool, std::unique_ptr<Connection> c, bool fresh) : pool_(pool), c_(std::move(c)), fresh_(fresh) {}
        ~Lease() { pool_.release(std::move(c_)); }
        Lease(const Lease &) = delete;
        Lease &operator=(const Lease &) = delete;

        Connection &operator*() const { return *c_; }
        bool fresh() const { return fresh_; }
        void drop() { c_.reset(); }

    private:
        Pool &pool_;
        std::unique_ptr<Connection> c_;
        bool fresh_;
    };

    // Throws StorageUnavailable when the database cannot be reached or every connection
    // stays busy for kWaitForConnection.
    Lease acquire()
    {
        const Clock::time_point deadline = Clock::now() + kWaitForConnection;
        std::unique_lock lock(mutex_);
        for (;;) {
            while (!idle_.empty()) {
                std::unique_ptr<Connection> c = std::move(idle_.back());
                idle_.pop_back();
                lock.unlock();
                if (c->usable())
                    return Lease(*this, std::move(c), false);
                c.reset();
                lock.lock();
                --open_;
            }
            if (open_ < size_) {
                if (Clock::now() < retryAt_)
                    throw StorageUnavailable("the database does not answer: " + lastError_);
                ++open_;
                lock.unlock();
                try {
                    auto c = std::make_unique<Connection>(address_, answerTimeout_);
                    return Lease(*this, std::move(c), true);
                } catch (const DatabaseError &e) {
                    lock.lock();
                    --open_;
                    retryAt_ = Clock::now() + kReconnectPause;
                    lastError_ = e.what();
                    freed_.notify_one();
                    throw;
                }
            }
            if (freed_.wait_until(lock, deadline) == std::cv_status::timeout && idle_.empty() && open_ >= size_)
                throw StorageUnavailable("all " + std::to_string(size_) + " database connections stayed busy");
        }
    }

    // The first connection, opened at start.
    void adopt(std::unique_ptr<Connection> c)
    {
        std::lock_guard lock(mutex_);
        ++open_;
        idle_.push_back(std::move(c));
    }

private:
    void release(std::unique_ptr<Connection> c)
    {
        if (c)
            c->rollback();
        const bool keep = c && c->usable();
        if (!keep)
            c.reset();
        {
            std::lock_guard lock(mutex_);
            if (keep)
                idle_.push_back(std::move(c));
            else
                --open_;
        }
        freed_.notify_one();
    }

    const std::string address_;
    const int size_;
    const std::chrono::milliseconds answerTimeout_;
    std::mutex mutex_;
    std::condition_variable freed_;
    std::vector<std::unique_ptr<Connection>> idle_;
    int open_ = 0; // idle and leased
    Clock::time_point retryAt_;
    std::string lastError_;
};

} // namespace vantrell::highscores::postgres
