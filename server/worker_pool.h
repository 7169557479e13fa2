// A fixed set of threads that run posted jobs in order of arrival.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace vantrell::highscores {

class WorkerPool {
public:
    explicit WorkerPool(int threads)
    {
        for (int i = 0; i < threads; ++i)
            threads_.emplace_back([this] { work(); });
    }
    // Runs what was posted, then ends the threads.
    ~WorkerPool() { finish(); }
    WorkerPool(const WorkerPool &) = delete;
    WorkerPool &operator=(const WorkerPool &) = delete;

    void post(std::function<void()> job)
    {
        {
            std::lock_guard lock(mutex_);
            jobs_.push_back(std::move(job));
        }
        wake_.notify_one();
    }

    // Jobs waiting for a thread.
    std::size_t waiting() const
    {
        std::lock_guard lock(mutex_);
        return jobs_.size();
    }

    // Runs every job posted so far and ends the threads. Idempotent; not from a job.
    void finish()
    {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        wake_.notify_all();
        for (auto &t : threads_)
            if (t.joinable())
                t.join();
    }

private:
    void work()
    {
        for (;;) {
            std::function<void()> job;
            {
                std::unique_lock lock(mutex_);
                wake_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
                if (jobs_.empty())
                    return;
                job = std::move(jobs_.front());
                jobs_.pop_front();
            }
            job();
        }
    }

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> jobs_;
    bool stopping_ = false;
    std::vector<std::thread> threads_;
};

} // namespace vantrell::highscores
