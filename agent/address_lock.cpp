#include "agent/address_lock.h"

#include <pthread.h>

#include <cstdlib>

#include "agent/log.h"
#include "platform/sync.h"

namespace {

struct LockedNode {
    const void *address;
    LockedNode *next;
};

// Statically initialised, so locks taken before InitMutex (or from static
// constructors) are as safe as any other.
pthread_mutex_t g_listGuard = PTHREAD_MUTEX_INITIALIZER;
pthread_cond_t g_released = PTHREAD_COND_INITIALIZER;
LockedNode *g_head = nullptr;
LockedNode *g_tail = nullptr;
// Nodes of released locks, kept for the next lock so that the common case
// allocates nothing; a few suffice, as few addresses are held at once.
LockedNode *g_spare = nullptr;
int g_spareCount = 0;
constexpr int kMaxSpare = 64;
// Threads waiting in LockObject; an unlock wakes them only when there are.
int g_waiters = 0;

LockedNode *TakeNode() {
    if (g_spare != nullptr) {
        LockedNode *node = g_spare;
        g_spare = node->next;
        --g_spareCount;
        node->next = nullptr;
        return node;
    }
    return static_cast<LockedNode *>(calloc(1, sizeof(LockedNode)));
}

void GiveBack(LockedNode *node) {
    if (g_spareCount < kMaxSpare) {
        node->next = g_spare;
        g_spare = node;
        ++g_spareCount;
    } else {
        free(node);
    }
}

bool IsLocked(const void *address) {
    for (LockedNode *node = g_head; node != nullptr; node = node->next) {
        if (node->address == address) {
            return true;
        }
    }
    return false;
}

bool Unlink(const void *address) {
    LockedNode *previous = nullptr;
    for (LockedNode *node = g_head; node != nullptr; previous = node, node = node->next) {
        if (node->address != address) {
            continue;
        }
        (previous != nullptr ? previous->next : g_head) = node->next;
        if (g_tail == node) {
            g_tail = previous;
        }
        GiveBack(node);
        return true;
    }
    return false;
}

}  // namespace

void InitMutex(void) {
    LogTrace("\n\t@@@@@ Inside InitMutex() @@@@@\n");
}

int LockObject(const void *address) {
    for (;;) {
        pthread_mutex_lock(&g_listGuard);
        while (IsLocked(address)) {
            ++g_waiters;
            pthread_cond_wait(&g_released, &g_listGuard);
            --g_waiters;
        }
        LockedNode *node = TakeNode();
        if (node != nullptr) {
            node->address = address;
            (g_tail != nullptr ? g_tail->next : g_head) = node;
            g_tail = node;
            pthread_mutex_unlock(&g_listGuard);
            return 1;
        }
        // Out of memory: let other threads run and release, then try again.
        pthread_mutex_unlock(&g_listGuard);
        PlatformSleepMs(1);
    }
}

int UnlockObject(const void *address) {
    pthread_mutex_lock(&g_listGuard);
    bool wasLocked = Unlink(address);
    bool wake = wasLocked && g_waiters > 0;
    pthread_mutex_unlock(&g_listGuard);
    if (!wasLocked) {
        return 2;
    }
    if (wake) {
        pthread_cond_broadcast(&g_released);
    }
    return 4;
}
