// The private CUPS scheduler the print tests run against (tests/support/cups): where it
// lives, whether it is there, and a way to make it hang as a stuck scheduler does.
#pragma once

#include <QFile>
#include <QString>

#include <atomic>
#include <chrono>
#include <csignal>
#include <thread>

namespace vantrell::testing {

inline QString cupsDir() { return qEnvironmentVariable("VANTRELL_TEST_CUPS_DIR"); }

// Why the tests cannot print here, or empty. Never print anywhere but on the private
// scheduler.
inline QString privateSchedulerMissing()
{
    const QString unavailable = qEnvironmentVariable("VANTRELL_TEST_CUPS_UNAVAILABLE");
    if (!unavailable.isEmpty())
        return QStringLiteral("no private CUPS scheduler on this machine: ") + unavailable;
    if (cupsDir().isEmpty() || qEnvironmentVariable("CUPS_SERVER") != cupsDir() + QStringLiteral("/cups.sock"))
        return QStringLiteral("run through tests/support/cups/run-with-private-cupsd.sh, which starts a private scheduler");
    return {};
}

inline pid_t schedulerPid()
{
    QFile file(cupsDir() + QStringLiteral("/cupsd.pid"));
    return file.open(QIODevice::ReadOnly) ? pid_t(file.readAll().trimmed().toInt()) : 0;
}

// Stops the scheduler the way a hung one behaves: it takes connections and never answers.
// Resumed at the end of the scope, and after 15 s in any case, so a print that waits for it
// fails the test instead of hanging it.
class FrozenScheduler {
public:
    FrozenScheduler() : pid_(schedulerPid())
    {
        frozen_ = pid_ > 0 && ::kill(pid_, SIGSTOP) == 0;
        thaw_ = std::thread([this] {
            for (int i = 0; i < 150 && !over_; ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
            if (frozen_)
                ::kill(pid_, SIGCONT);
        });
    }
    ~FrozenScheduler()
    {
        over_ = true;
        thaw_.join();
    }
    FrozenScheduler(const FrozenScheduler &) = delete;
    FrozenScheduler &operator=(const FrozenScheduler &) = delete;
    bool frozen() const { return frozen_; }

private:
    pid_t pid_;
    bool frozen_ = false;
    std::atomic<bool> over_{false};
    std::thread thaw_;
};

} // namespace vantrell::testing
