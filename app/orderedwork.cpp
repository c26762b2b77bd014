// Worker threads that finish in any order, handed on in index order.

#include "app/orderedwork.h"

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

void runInOrder(int count, int jobs, const std::function<void(int)>& work,
                const std::function<void(int)>& done)
{
    jobs = std::clamp(jobs, 1, std::max(count, 1));
    if (jobs == 1) {
        for (int i = 0; i < count; ++i) {
            work(i);
            done(i);
        }
        return;
    }

    const int window = 2 * jobs;
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<char> finished(std::size_t(count), 0);
    std::vector<std::exception_ptr> failures(static_cast<std::size_t>(count));
    int next = 0;   // the next index a worker takes
    int handed = 0; // indexes below this went to done()
    bool stopping = false;

    const auto worker = [&] {
        for (;;) {
            int index;
            {
                std::unique_lock lock(mutex);
                changed.wait(lock,
                             [&] { return stopping || next >= count || next < handed + window; });
                if (stopping || next >= count)
                    return;
                index = next++;
            }
            std::exception_ptr failure;
            try {
                work(index);
            } catch (...) {
                failure = std::current_exception();
            }
            {
                const std::lock_guard lock(mutex);
                failures[std::size_t(index)] = failure;
                finished[std::size_t(index)] = 1;
            }
            changed.notify_all();
        }
    };

    std::vector<std::thread> threads;
    threads.reserve(std::size_t(jobs));
    // Joined on every way out: a thread still running at unwinding would end the process.
    const auto stop = [&] {
        {
            const std::lock_guard lock(mutex);
            stopping = true;
        }
        changed.notify_all();
        for (std::thread& thread : threads)
            thread.join();
        threads.clear();
    };
    try {
        for (int j = 0; j < jobs; ++j)
            threads.emplace_back(worker);
        for (int i = 0; i < count; ++i) {
            std::exception_ptr failure;
            {
                std::unique_lock lock(mutex);
                changed.wait(lock, [&] { return finished[std::size_t(i)] != 0; });
                failure = failures[std::size_t(i)];
            }
            if (failure)
                std::rethrow_exception(failure);
            done(i);
            {
                const std::lock_guard lock(mutex);
                handed = i + 1;
            }
            changed.notify_all();
        }
    } catch (...) {
        stop();
        throw;
    }
    stop();
}
