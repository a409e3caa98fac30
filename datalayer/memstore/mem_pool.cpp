#include "datalayer/memstore/mem_pool.h"

#include <atomic>
#include <cstdint>
#include <cstring>
#include <mutex>

#include "agent/log.h"
#include "datalayer/memstore/mem_guard.hpp"

namespace {

constexpr size_t kPoolRecordSize = (sizeof(MemPool) + 7u) & ~size_t{7u};

std::mutex g_startUp;
int g_references = 0;
std::atomic<MemPool *> g_root{nullptr};

size_t SpaceLeft(const MemNode *node) {
    return static_cast<size_t>(node->endp - node->firstAvail);
}

void InsertBefore(MemNode *position, MemNode *node) {
    node->prev = position->prev;
    node->next = position;
    position->prev->next = node;
    position->prev = node;
}

void Remove(MemNode *node) {
    node->prev->next = node->next;
    node->next->prev = node->prev;
}

int CreatePool(MemPool **out, MemPool *parent, MemAllocator *allocator) {
    MemNode *node = MemAllocatorAlloc(allocator, MEM_MIN_NODE_SIZE - MEM_NODE_HEADER_SIZE);
    if (node == nullptr) {
        return 0;
    }
    node->next = node->prev = node;
    node->freeIndex = 0;
    auto *pool = reinterpret_cast<MemPool *>(node->firstAvail);
    node->firstAvail += kPoolRecordSize;
    pool->parent = parent;
    pool->child = nullptr;
    pool->sibling = nullptr;
    pool->ref = nullptr;
    pool->allocator = allocator;
    pool->active = node;
    pool->self = node;
    pool->selfFirstAvail = node->firstAvail;
    if (parent != nullptr) {
        std::lock_guard<std::mutex> lock(fw::memstore::PoolGuard());
        pool->sibling = parent->child;
        if (pool->sibling != nullptr) {
            pool->sibling->ref = &pool->sibling;
        }
        pool->ref = &parent->child;
        parent->child = pool;
    }
    *out = pool;
    return 1;
}

void DestroyChildren(MemPool *pool) {
    for (;;) {
        MemPool *child;
        {
            std::lock_guard<std::mutex> lock(fw::memstore::PoolGuard());
            child = pool->child;
        }
        if (child == nullptr) {
            return;
        }
        DestroyMemPool(child);
    }
}

}  // namespace

int InitializeMemPool(void) {
    std::lock_guard<std::mutex> lock(g_startUp);
    if (g_references > 0) {
        ++g_references;
        return 1;
    }
    MemAllocator *allocator = nullptr;
    if (CreateMemAllocator(&allocator) == 0) {
        return 0;
    }
    MemPool *root = nullptr;
    if (CreatePool(&root, nullptr, allocator) == 0) {
        DestroyMemAllocator(allocator);
        return 0;
    }
    allocator->owner = root;
    g_root.store(root);
    g_references = 1;
    return 1;
}

int TerminateMemPool(void) {
    std::lock_guard<std::mutex> lock(g_startUp);
    if (g_references == 0) {
        return 0;
    }
    if (--g_references == 0) {
        DestroyMemPool(g_root.exchange(nullptr));
    }
    return 1;
}

MemPool *GetRootMemPool(void) {
    return g_root.load();
}

int CreateMemPool(MemPool **pool, MemPool *parent, MemAllocator *allocator) {
    if (pool == nullptr) {
        return 0;
    }
    if (parent == nullptr) {
        parent = g_root.load();
    }
    if (allocator == nullptr && parent != nullptr) {
        allocator = parent->allocator;
    }
    if (allocator == nullptr) {
        LogError(
            "CreateMemPool : no allocator to draw from; InitializeMemPool has not been called\n");
        return 0;
    }
    return CreatePool(pool, parent, allocator);
}

void *MemPoolAlloc(MemPool *pool, size_t size) {
    if (pool == nullptr || size > SIZE_MAX - 7) {
        return nullptr;
    }
    size = (size + 7) & ~size_t{7};
    MemNode *active = pool->active;
    if (size < SpaceLeft(active)) {
        void *memory = active->firstAvail;
        active->firstAvail += size;
        return memory;
    }
    MemNode *node = active->next;
    if (size < SpaceLeft(node)) {
        Remove(node);
    } else {
        node = MemAllocatorAlloc(pool->allocator, size);
        if (node == nullptr) {
            return nullptr;
        }
    }
    node->freeIndex = 0;
    void *memory = node->firstAvail;
    node->firstAvail += size;
    InsertBefore(active, node);
    pool->active = node;

    // The old active node moves back behind every node with more free pages,
    // so the ring after active stays ordered by decreasing free space.
    active->freeIndex = static_cast<uint32_t>(SpaceLeft(active) / MEM_PAGE_SIZE);
    if (active->freeIndex < active->next->freeIndex) {
        MemNode *position = active->next;
        while (position->freeIndex > active->freeIndex) {
            position = position->next;
        }
        Remove(active);
        InsertBefore(position, active);
    }
    return memory;
}

char *MemPoolStrdup(MemPool *pool, const char *text) {
    if (text == nullptr) {
        return nullptr;
    }
    return static_cast<char *>(MemPoolMemdup(pool, text, strlen(text)));
}

void *MemPoolMemdup(MemPool *pool, const void *bytes, size_t length) {
    if ((bytes == nullptr && length > 0) || length == SIZE_MAX) {
        return nullptr;
    }
    auto *copy = static_cast<char *>(MemPoolAlloc(pool, length + 1));
    if (copy != nullptr) {
        if (length > 0) {
            memcpy(copy, bytes, length);
        }
        copy[length] = '\0';
    }
    return copy;
}

void ClearMemPool(MemPool *pool) {
    if (pool == nullptr) {
        return;
    }
    DestroyChildren(pool);
    MemNode *self = pool->self;
    pool->active = self;
    self->firstAvail = pool->selfFirstAvail;
    self->freeIndex = 0;
    if (self->next == self) {
        return;
    }
    MemNode *others = self->next;
    self->prev->next = nullptr;
    self->next = self->prev = self;
    MemAllocatorFree(pool->allocator, others);
}

void DestroyMemPool(MemPool *pool) {
    if (pool == nullptr) {
        return;
    }
    DestroyChildren(pool);
    if (pool->parent != nullptr) {
        std::lock_guard<std::mutex> lock(fw::memstore::PoolGuard());
        *pool->ref = pool->sibling;
        if (pool->sibling != nullptr) {
            pool->sibling->ref = pool->ref;
        }
    }
    // The record lives in the ring that is about to be given away: read it
    // all first.
    MemAllocator *allocator = pool->allocator;
    bool ownsAllocator = allocator->owner == pool;
    MemNode *ring = pool->active;
    ring->prev->next = nullptr;
    MemAllocatorFree(allocator, ring);
    if (ownsAllocator) {
        DestroyMemAllocator(allocator);
    }
}

int MemPoolIsAncestor(const MemPool *a, const MemPool *b) {
    if (a == nullptr) {
        return 1;
    }
    for (; b != nullptr; b = b->parent) {
        if (a == b) {
            return 1;
        }
    }
    return 0;
}
