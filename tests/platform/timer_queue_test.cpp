#include "platform/timer_queue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;

struct Recorder {
    std::mutex mutex;
    std::vector<int> order;
    std::atomic<int> calls{0};
};

struct Tagged {
    Recorder *recorder;
    int tag;
};

void Record(void *parameter, unsigned char fired) {
    auto *tagged = static_cast<Tagged *>(parameter);
    EXPECT_EQ(1, fired);
    std::lock_guard<std::mutex> lock(tagged->recorder->mutex);
    tagged->recorder->order.push_back(tagged->tag);
    tagged->recorder->calls++;
}

template <class Predicate>
bool WaitFor(Predicate done) {
    for (int i = 0; i < 1000 && !done(); ++i) {
        std::this_thread::sleep_for(5ms);
    }
    return done();
}

TEST(TimerQueue, OneShotTimersFireOnceInDueOrder) {
    PlatformTimerQueue *queue = nullptr;
    ASSERT_EQ(0, PlatformCreateTimerQueue(&queue));
    Recorder recorder;
    Tagged late{&recorder, 2}, early{&recorder, 1};
    PlatformTimerId first = 0, second = 0;
    ASSERT_EQ(0, PlatformCreateTimer(queue, &first, Record, &late, 60));
    ASSERT_EQ(0, PlatformCreateTimer(queue, &second, Record, &early, 10));
    EXPECT_NE(first, second);
    ASSERT_TRUE(WaitFor([&] { return recorder.calls == 2; }));
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(2, recorder.calls) << "one-shot timers do not repeat";
    EXPECT_EQ((std::vector<int>{1, 2}), recorder.order);
    EXPECT_EQ(0, PlatformDeleteTimerQueue(queue));
}

TEST(TimerQueue, DeleteCancelsPendingTimers) {
    PlatformTimerQueue *queue = nullptr;
    ASSERT_EQ(0, PlatformCreateTimerQueue(&queue));
    Recorder recorder;
    Tagged tagged{&recorder, 1};
    ASSERT_EQ(0, PlatformCreateTimer(queue, nullptr, Record, &tagged, 200));
    EXPECT_EQ(0, PlatformDeleteTimerQueue(queue));
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(0, recorder.calls);
}

struct SlowCallback {
    std::atomic<bool> started{false};
    std::atomic<bool> finished{false};
};

void RunSlowly(void *parameter, unsigned char) {
    auto *slow = static_cast<SlowCallback *>(parameter);
    slow->started = true;
    std::this_thread::sleep_for(200ms);
    slow->finished = true;
}

TEST(TimerQueue, DeleteWaitsForTheRunningCallback) {
    PlatformTimerQueue *queue = nullptr;
    ASSERT_EQ(0, PlatformCreateTimerQueue(&queue));
    SlowCallback slow;
    ASSERT_EQ(0, PlatformCreateTimer(queue, nullptr, RunSlowly, &slow, 0));
    ASSERT_TRUE(WaitFor([&] { return slow.started.load(); }));
    EXPECT_EQ(0, PlatformDeleteTimerQueue(queue));
    EXPECT_TRUE(slow.finished) << "delete returned while the callback still ran";
}

struct Chain {
    PlatformTimerQueue *queue;
    std::atomic<int> runs{0};
    std::atomic<int> lastCode{-1};
};

void Rearm(void *parameter, unsigned char) {
    auto *chain = static_cast<Chain *>(parameter);
    chain->runs++;
    chain->lastCode = PlatformCreateTimer(chain->queue, nullptr, Rearm, chain, 1);
}

TEST(TimerQueue, CallbacksMayArmTheNextTimerUntilTheQueueGoes) {
    Chain chain;
    ASSERT_EQ(0, PlatformCreateTimerQueue(&chain.queue));
    ASSERT_EQ(0, PlatformCreateTimer(chain.queue, nullptr, Rearm, &chain, 0));
    ASSERT_TRUE(WaitFor([&] { return chain.runs >= 20; }));
    EXPECT_EQ(0, PlatformDeleteTimerQueue(chain.queue));
    int runs = chain.runs;
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(runs, chain.runs) << "no callback after the delete returned";
}

void DeleteOwnQueue(void *parameter, unsigned char) {
    auto *chain = static_cast<Chain *>(parameter);
    chain->lastCode = PlatformDeleteTimerQueue(chain->queue);
    chain->runs++;
}

TEST(TimerQueue, ACallbackMayDeleteItsOwnQueue) {
    Chain chain;
    ASSERT_EQ(0, PlatformCreateTimerQueue(&chain.queue));
    ASSERT_EQ(0, PlatformCreateTimer(chain.queue, nullptr, DeleteOwnQueue, &chain, 0));
    ASSERT_TRUE(WaitFor([&] { return chain.runs == 1; }));
    EXPECT_EQ(0, chain.lastCode);
    std::this_thread::sleep_for(50ms);  // the worker frees the queue after returning
}

TEST(TimerQueue, NullQueueMeansTheDefaultQueue) {
    Recorder recorder;
    Tagged tagged{&recorder, 7};
    ASSERT_EQ(0, PlatformCreateTimer(nullptr, nullptr, Record, &tagged, 0));
    ASSERT_TRUE(WaitFor([&] { return recorder.calls == 1; }));
    EXPECT_EQ(6, PlatformDeleteTimerQueue(nullptr));
}

}  // namespace
