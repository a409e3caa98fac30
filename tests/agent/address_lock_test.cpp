#include "agent/address_lock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;

// Runs before main, with InitMutex never called: the list's guard must
// already be usable.
struct LockAtStartUp {
    int result;
    LockAtStartUp() {
        static int address;
        result = LockObject(&address) == 1 && UnlockObject(&address) == 4;
    }
} g_lockAtStartUp;

TEST(AddressLock, UsableBeforeInitMutex) {
    EXPECT_TRUE(g_lockAtStartUp.result);
}

TEST(AddressLock, UnlockReportsWhetherTheAddressWasLocked) {
    int a = 0;
    EXPECT_EQ(2, UnlockObject(&a));
    EXPECT_EQ(1, LockObject(&a));
    EXPECT_EQ(4, UnlockObject(&a));
    EXPECT_EQ(2, UnlockObject(&a));
}

TEST(AddressLock, OneAddressIsHeldByOneThreadAtATime) {
    int shared = 0;
    std::atomic<int> inside{0};
    std::atomic<int> overlaps{0};
    std::atomic<long> total{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 5000; ++i) {
                LockObject(&shared);
                if (inside.fetch_add(1) != 0) {
                    overlaps++;
                }
                total++;
                inside.fetch_sub(1);
                UnlockObject(&shared);
            }
        });
    }
    for (std::thread &t : threads) {
        t.join();
    }
    EXPECT_EQ(0, overlaps);
    EXPECT_EQ(20000, total);
}

TEST(AddressLock, TheSecondLockerWaitsForTheUnlock) {
    int address = 0;
    LockObject(&address);
    std::atomic<bool> acquired{false};
    std::thread waiter([&] {
        LockObject(&address);
        acquired = true;
        UnlockObject(&address);
    });
    std::this_thread::sleep_for(100ms);
    EXPECT_FALSE(acquired) << "the waiter got a held address";
    // Locks have no owner: this thread's unlock releases the waiter.
    EXPECT_EQ(4, UnlockObject(&address));
    waiter.join();
    EXPECT_TRUE(acquired);
}

TEST(AddressLock, DifferentAddressesNeverWait) {
    int a = 0, b = 0;
    LockObject(&a);
    std::atomic<bool> done{false};
    std::thread other([&] {
        LockObject(&b);
        UnlockObject(&b);
        done = true;
    });
    other.join();  // would hang if b waited for a
    EXPECT_TRUE(done);
    UnlockObject(&a);
}

}  // namespace
