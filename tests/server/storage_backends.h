// The storage back ends every storage test runs against. Each gives a fresh, empty list per
// test. PostgreSQL takes part when the test runs inside private_postgres.py, which names
// its private cluster in VANTRELL_TEST_POSTGRES (and turns a run without one into a skip).
#pragma once

#include "server/postgres_schema.h"
#include "server/sqlite_schema.h"
#include "server/storage.h"

#include <sqlite3.h>

#include <libpq-fe.h>

#include <QString>

#include <cstdlib>
#include <functional>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

struct StorageBackend {
    QString name;
    std::function<std::unique_ptr<vantrell::highscores::Storage>()> fresh;
    // An empty database that sql is run on before the storage opens it (an older schema
    // with its rows, say).
    std::function<std::unique_ptr<vantrell::highscores::Storage>(const std::string &sql)> after;
    // The schema steps of this back end.
    std::span<const vantrell::highscores::Migration> migrations;
};

// Runs sql on the database at uri; its first value, if any. Throws with libpq's reason.
inline std::string runPostgresSql(const std::string &uri, const char *sql)
{
    PGconn *c = PQconnectdb(uri.c_str());
    PQsetNoticeProcessor(c, [](void *, const char *) {}, nullptr);
    PGresult *r = PQstatus(c) == CONNECTION_OK ? PQexec(c, sql) : nullptr;
    const bool ok = r && (PQresultStatus(r) == PGRES_COMMAND_OK || PQresultStatus(r) == PGRES_TUPLES_OK);
    const std::string first = ok && PQntuples(r) > 0 ? PQgetvalue(r, 0, 0) : "";
    const std::string why = PQerrorMessage(c);
    PQclear(r);
    PQfinish(c);
    if (!ok)
        throw std::runtime_error("PostgreSQL: " + why);
    return first;
}

inline std::vector<StorageBackend> storageBackends(const QString &scratch)
{
    std::vector<StorageBackend> backends;
    auto files = std::make_shared<int>(0);
    const auto newFile = [scratch, files] {
        return (scratch + "/list-" + QString::number(++*files) + ".db").toStdString();
    };
    backends.push_back({"sqlite", [newFile] { return vantrell::highscores::openStorage("sqlite:" + newFile()); },
                        [newFile](const std::string &sql) {
                            const std::string file = newFile();
                            sqlite3 *db = nullptr;
                            sqlite3_open(file.c_str(), &db);
                            char *error = nullptr;
                            const int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error);
                            const std::string why = error ? error : "";
                            sqlite3_free(error);
                            sqlite3_close(db);
                            if (rc != SQLITE_OK)
                                throw std::runtime_error("SQLite: " + why);
                            return vantrell::highscores::openStorage("sqlite:" + file);
                        },
                        vantrell::highscores::sqliteMigrations()});
    if (const char *uri = std::getenv("VANTRELL_TEST_POSTGRES")) {
        const std::string address = uri;
        const auto empty = [address] { runPostgresSql(address, "DROP SCHEMA public CASCADE; CREATE SCHEMA public"); };
        backends.push_back({"postgresql",
                            [address, empty] {
                                empty();
                                return vantrell::highscores::openStorage(address);
                            },
                            [address, empty](const std::string &sql) {
                                empty();
                                runPostgresSql(address, sql.c_str());
                                return vantrell::highscores::openStorage(address);
                            },
                            vantrell::highscores::postgresMigrations()});
    }
    return backends;
}
