// The storage back ends every storage test runs against. Each gives a fresh, empty list per
// test. PostgreSQL takes part when the test runs inside private_postgres.py, which names
// its private cluster in VANTRELL_TEST_POSTGRES (and turns a run without one into a skip).
#pragma once

#include "server/storage.h"

#include <libpq-fe.h>

#include <QString>

#include <cstdlib>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

struct StorageBackend {
    QString name;
    std::function<std::unique_ptr<vantrell::highscores::Storage>()> fresh;
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
    backends.push_back({"sqlite", [scratch, n = 0]() mutable {
                            const QString file = scratch + "/list-" + QString::number(++n) + ".db";
                            return vantrell::highscores::openStorage("sqlite:" + file.toStdString());
                        }});
    if (const char *uri = std::getenv("VANTRELL_TEST_POSTGRES"))
        backends.push_back({"postgresql", [uri = std::string(uri)] {
                                runPostgresSql(uri, "DROP SCHEMA public CASCADE; CREATE SCHEMA public");
                                return vantrell::highscores::openStorage(uri);
                            }});
    return backends;
}
