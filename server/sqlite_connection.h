// A SQLite connection with its prepared statements, and one run of a statement: the small
// layer the SQLite storage and its tools share over SQLite's C API.
#pragma once

#include "server/storage.h"

#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

namespace vantrell::highscores::sqlite {

// One connection, used by one thread at a time, with its prepared statements kept.
class Connection {
public:
    Connection(const std::string &path, int flags)
    {
        const int rc = sqlite3_open_v2(path.c_str(), &db_, flags | SQLITE_OPEN_NOMUTEX, nullptr);
        if (rc != SQLITE_OK) {
            const std::string why = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
            sqlite3_close_v2(db_);
            throw StorageOpenError("cannot open database " + path + ": " + why);
        }
        sqlite3_extended_result_codes(db_, 1);
        sqlite3_busy_timeout(db_, 5000);
    }
    ~Connection()
    {
        for (auto &[sql, statement] : statements_)
            sqlite3_finalize(statement);
        sqlite3_close_v2(db_);
    }
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    sqlite3 *db() const { return db_; }

    sqlite3_stmt *prepare(const char *sql)
    {
        auto found = statements_.find(sql);
        if (found != statements_.end())
            return found->second;
        sqlite3_stmt *statement = nullptr;
        if (sqlite3_prepare_v3(db_, sql, -1, SQLITE_PREPARE_PERSISTENT, &statement, nullptr) != SQLITE_OK)
            fail("prepare");
        statements_.emplace(sql, statement);
        return statement;
    }

    void exec(const char *sql)
    {
        if (sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
            fail(sql);
    }

    [[noreturn]] void fail(std::string_view what) const
    {
        std::string text = sqlite3_errmsg(db_);
        const std::string_view first = what.substr(0, what.find('\n'));
        throw StorageUnavailable("database error (" + std::string(first) + "): " + text);
    }

private:
    sqlite3 *db_ = nullptr;
    std::unordered_map<const char *, sqlite3_stmt *> statements_; // keyed by the literal's address
};

// One run of a cached statement; reset when it goes out of scope.
class Query {
public:
    Query(Connection &connection, const char *sql) : connection_(connection), statement_(connection.prepare(sql)) {}
    ~Query()
    {
        sqlite3_reset(statement_);
        sqlite3_clear_bindings(statement_);
    }
    Query(const Query &) = delete;
    Query &operator=(const Query &) = delete;

    Query &bind(int index, std::int64_t value)
    {
        check(sqlite3_bind_int64(statement_, index, value));
        return *this;
    }
    Query &bind(int index, std::string_view text)
    {
        check(sqlite3_bind_text(statement_, index, text.data(), int(text.size()), SQLITE_TRANSIENT));
        return *this;
    }
    // True while there is a row.
    bool step()
    {
        const int rc = sqlite3_step(statement_);
        if (rc == SQLITE_ROW)
            return true;
        if (rc != SQLITE_DONE)
            connection_.fail(sqlite3_sql(statement_));
        return false;
    }
    std::int64_t integer(int column) const { return sqlite3_column_int64(statement_, column); }
    std::string text(int column) const
    {
        const auto *bytes = reinterpret_cast<const char *>(sqlite3_column_text(statement_, column));
        return bytes ? std::string(bytes, std::size_t(sqlite3_column_bytes(statement_, column))) : std::string();
    }

private:
    void check(int rc)
    {
        if (rc != SQLITE_OK)
            connection_.fail("bind");
    }
    Connection &connection_;
    sqlite3_stmt *statement_;
};

} // namespace vantrell::highscores::sqlite
