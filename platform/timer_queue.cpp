#include "platform/timer_queue.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <system_error>
#include <thread>

#include "platform/internal.hpp"
#include "platform/win32_codes.h"

using Clock = std::chrono::steady_clock;

namespace {

struct Timer {
    PlatformTimerCallback callback;
    void *parameter;
};

std::atomic<PlatformTimerId> g_nextTimerId{1};

}  // namespace

struct PlatformTimerQueue {
    std::mutex mutex;
    std::condition_variable wake;
    std::multimap<Clock::time_point, Timer> pending;  // ordered by due time
    bool deleting = false;
    bool freeOnExit = false;  // deleted from inside its own callback
    std::thread worker;

    void Run();
};

void PlatformTimerQueue::Run() {
    std::unique_lock<std::mutex> lock(mutex);
    while (!deleting) {
        if (pending.empty()) {
            wake.wait(lock);
            continue;
        }
        auto first = pending.begin();
        // A copy: the entry may be cancelled while this thread waits.
        const Clock::time_point due = first->first;
        if (Clock::now() < due) {
            wake.wait_until(lock, due);
            continue;
        }
        Timer timer = first->second;
        pending.erase(first);
        lock.unlock();
        timer.callback(timer.parameter, 1);
        lock.lock();
    }
    bool freeSelf = freeOnExit;
    lock.unlock();
    if (freeSelf) {
        delete this;  // the thread was detached by the delete call
    }
}

namespace {

int CreateQueue(PlatformTimerQueue **queue) {
    auto *created = new (std::nothrow) PlatformTimerQueue;
    if (created == nullptr) {
        return FW_ERROR_NOT_ENOUGH_MEMORY;
    }
    try {
        created->worker = std::thread([created] { created->Run(); });
    } catch (const std::system_error &) {
        delete created;
        return FW_ERROR_NOT_ENOUGH_MEMORY;
    }
    *queue = created;
    return 0;
}

PlatformTimerQueue *DefaultQueue() {
    // Created on first use and kept for the life of the process.
    static PlatformTimerQueue *queue = [] {
        PlatformTimerQueue *created = nullptr;
        CreateQueue(&created);
        return created;
    }();
    return queue;
}

}  // namespace

int PlatformCreateTimerQueue(PlatformTimerQueue **queue) {
    if (queue == nullptr) {
        return FW_ERROR_INVALID_PARAMETER;
    }
    *queue = nullptr;
    return CreateQueue(queue);
}

int PlatformCreateTimer(PlatformTimerQueue *queue, PlatformTimerId *timer,
                        PlatformTimerCallback callback, void *parameter, unsigned int dueMs) {
    return fw::platform::ReturnWin32([&]() -> int {
        if (callback == nullptr) {
            return FW_ERROR_INVALID_PARAMETER;
        }
        PlatformTimerQueue *target = queue != nullptr ? queue : DefaultQueue();
        if (target == nullptr) {
            return FW_ERROR_NOT_ENOUGH_MEMORY;
        }
        {
            std::lock_guard<std::mutex> lock(target->mutex);
            if (target->deleting) {
                return FW_ERROR_INVALID_HANDLE;
            }
            target->pending.emplace(Clock::now() + std::chrono::milliseconds(dueMs),
                                    Timer{callback, parameter});
            // Notified under the lock: once it is released, a callback may
            // delete the queue, and target must not be touched again.
            target->wake.notify_all();
        }
        if (timer != nullptr) {
            *timer = g_nextTimerId++;
        }
        return 0;
    });
}

int PlatformDeleteTimerQueue(PlatformTimerQueue *queue) {
    if (queue == nullptr) {
        return FW_ERROR_INVALID_HANDLE;
    }
    {
        std::lock_guard<std::mutex> lock(queue->mutex);
        if (queue->deleting) {
            return FW_ERROR_INVALID_HANDLE;
        }
        queue->deleting = true;
        queue->pending.clear();
        if (queue->worker.get_id() == std::this_thread::get_id()) {
            queue->freeOnExit = true;
            queue->worker.detach();
            return 0;
        }
    }
    queue->wake.notify_all();
    queue->worker.join();
    delete queue;
    return 0;
}
