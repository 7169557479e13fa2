// The private CUPS scheduler the print tests run against (tests/support/cups): where it
// lives, whether it is there, and ways to make it hang as a stuck scheduler does.
#pragma once

#include <QFile>
#include <QProcess>
#include <QString>
#include <QThread>

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

// tests/support/cups/ipp_proxy.py in front of the private scheduler for as long as it lives:
// CUPS_SERVER points at it, and setMode() makes it break the next document.
class SchedulerProxy {
public:
    explicit SchedulerProxy(const QString &script)
        : socket_(cupsDir() + QStringLiteral("/proxy.sock")), scheduler_(qEnvironmentVariable("CUPS_SERVER"))
    {
        QFile::remove(socket_ + QStringLiteral(".mode"));
        process_.start(QStringLiteral("/usr/bin/python3"), {script, socket_, scheduler_});
        for (int i = 0; i < 100 && !QFile::exists(socket_ + QStringLiteral(".mode")); ++i)
            QThread::msleep(50);
        qputenv("CUPS_SERVER", socket_.toLocal8Bit());
    }
    ~SchedulerProxy()
    {
        qputenv("CUPS_SERVER", scheduler_.toLocal8Bit());
        process_.kill();
        process_.waitForFinished(5000);
    }
    SchedulerProxy(const SchedulerProxy &) = delete;
    SchedulerProxy &operator=(const SchedulerProxy &) = delete;

    bool started() const { return QFile::exists(socket_ + QStringLiteral(".mode")); }
    // "pass", "freeze", "stall", "drop" or "hang" (see the script).
    void setMode(const QString &mode)
    {
        QFile file(socket_ + QStringLiteral(".mode"));
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            file.write(mode.toLatin1() + '\n');
    }
    // Whether it has broken a document since the last setMode().
    bool tripped() const
    {
        QFile file(socket_ + QStringLiteral(".mode"));
        return file.open(QIODevice::ReadOnly) && file.readAll().startsWith("tripped");
    }

private:
    QString socket_;
    QString scheduler_;
    QProcess process_;
};

} // namespace vantrell::testing
