#include "server/log.h"

#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <ctime>
#include <mutex>
#include <string>
#include <thread>

namespace vantrell::highscores {
namespace {

// Four times the usual pipe: room for a burst, little memory held for a reader that is gone.
constexpr std::size_t kQueueBytes = 256 * 1024;
constexpr std::size_t kWakeBytes = 64 * 1024;
constexpr auto kGather = std::chrono::milliseconds(10);

void appendStamped(std::string &out, std::string_view text)
{
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char stamp[40];
    const std::size_t length = std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%S", &utc);
    out.append(stamp, length);
    out += '.';
    out += char('0' + ms / 100);
    out += char('0' + ms / 10 % 10);
    out += char('0' + ms % 10);
    out += "Z ";
    out += text;
    out += '\n';
}

void writeAll(const std::string &bytes)
{
    for (std::size_t done = 0; done < bytes.size();) {
        const ssize_t n = ::write(STDERR_FILENO, bytes.data() + done, bytes.size() - done);
        if (n > 0)
            done += std::size_t(n);
        else if (n < 0 && errno == EINTR)
            continue;
        else
            return; // a closed log must not stop the service
    }
}

class LogQueue {
public:
    LogQueue()
    {
        // The writer takes no signal: they are for the server's own thread.
        sigset_t all, previous;
        sigfillset(&all);
        pthread_sigmask(SIG_BLOCK, &all, &previous);
        std::thread([this] { run(); }).detach();
        pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    }

    void push(std::string_view text, bool urgent)
    {
        std::string line;
        appendStamped(line, text);
        bool wake = false;
        {
            std::lock_guard lock(mutex_);
            if (queued_.size() + line.size() > kQueueBytes) {
                dropped_.fetch_add(1, std::memory_order_relaxed);
                return;
            }
            // The writer needs waking for the first line of a batch, for a message and when a
            // pipe's worth waits; access lines between cost no system call.
            wake = urgent || queued_.empty() || (queued_.size() < kWakeBytes && queued_.size() + line.size() >= kWakeBytes);
            urgent_ = urgent_ || urgent;
            queued_ += line;
        }
        if (wake)
            ready_.notify_one();
    }

    // Waits a little for the queue to be written, as the process ends.
    void drain(std::chrono::milliseconds patience)
    {
        std::unique_lock lock(mutex_);
        drained_.wait_for(lock, patience, [this] { return queued_.empty() && !writing_; });
    }

    std::uint64_t dropped() const { return dropped_.load(std::memory_order_relaxed); }

private:
    void run()
    {
        std::string batch;
        std::uint64_t reported = 0;
        for (;;) {
            {
                std::unique_lock lock(mutex_);
                writing_ = false;
                drained_.notify_all();
                ready_.wait(lock, [this] { return !queued_.empty(); });
                // Access lines wait a little for those of the same moment: one write for many.
                ready_.wait_for(lock, kGather, [this] { return urgent_ || queued_.size() >= kWakeBytes; });
                urgent_ = false;
                batch.swap(queued_);
                queued_.clear();
                writing_ = true;
            }
            const std::uint64_t dropped = dropped_.load(std::memory_order_relaxed);
            if (dropped != reported) {
                appendStamped(batch, std::to_string(dropped - reported)
                                         + " log lines dropped: standard error was not read fast enough");
                reported = dropped;
            }
            writeAll(batch); // may block on a full pipe; only this thread waits
            batch.clear();
            if (batch.capacity() > kQueueBytes)
                batch.shrink_to_fit();
        }
    }

    std::mutex mutex_;
    std::condition_variable ready_;
    std::condition_variable drained_;
    std::string queued_;
    bool writing_ = false;
    bool urgent_ = false;
    std::atomic<std::uint64_t> dropped_ = 0;
};

std::atomic<LogQueue *> started = nullptr;

// Made on the first line and never destroyed: the writer thread may still be in write()
// when the process ends.
LogQueue &queue()
{
    static LogQueue *const q = new LogQueue;
    started.store(q, std::memory_order_release);
    return *q;
}

// The last lines ("stopped") reach the log as the process ends, unless nobody reads it.
struct DrainAtExit {
    ~DrainAtExit()
    {
        if (LogQueue *q = started.load(std::memory_order_acquire))
            q->drain(std::chrono::milliseconds(1000));
    }
} drainAtExit;

} // namespace

void logLine(std::string_view text) { queue().push(text, true); }

void logAccess(std::string_view text) { queue().push(text, false); }

std::uint64_t logLinesDropped()
{
    LogQueue *q = started.load(std::memory_order_acquire);
    return q ? q->dropped() : 0;
}

} // namespace vantrell::highscores
