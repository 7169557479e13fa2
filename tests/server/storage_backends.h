// The storage back ends every storage test runs against. Each gives a fresh, empty list per
// test; a back end whose database is not at hand is left out of the run.
#pragma once

#include "server/storage.h"

#include <QString>

#include <functional>
#include <memory>
#include <string>
#include <vector>

struct StorageBackend {
    QString name;
    std::function<std::unique_ptr<vantrell::highscores::Storage>()> fresh;
};

inline std::vector<StorageBackend> storageBackends(const QString &scratch)
{
    std::vector<StorageBackend> backends;
    backends.push_back({"sqlite", [scratch, n = 0]() mutable {
                            const QString file = scratch + "/list-" + QString::number(++n) + ".db";
                            return vantrell::highscores::openStorage("sqlite:" + file.toStdString());
                        }});
    return backends;
}
